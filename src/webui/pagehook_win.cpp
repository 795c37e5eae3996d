#include "webui/pagehook.h"

#include <windows.h>

namespace PageHook {

QString programFolder()
{
    wchar_t path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    const QString file = QString::fromWCharArray(path, static_cast<int>(length));
    return file.left(file.lastIndexOf(QLatin1Char('\\')));
}

QString pagePath(const QString &folder, const QString &relativePath, bool besideProgram)
{
    // The relative path keeps its "/" separators; Windows takes both kinds.
    return folder + QStringLiteral("\\html\\") +
           (besideProgram ? QStringLiteral("..\\") : QString()) + relativePath;
}

QByteArray readPage(const QString &path)
{
    HANDLE file =
        CreateFileW(reinterpret_cast<const wchar_t *>(path.utf16()), GENERIC_READ, FILE_SHARE_READ,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return {};
    QByteArray content;
    LARGE_INTEGER size{};
    // Pages are small; anything that does not fit a QByteArray is not one.
    if (GetFileSizeEx(file, &size) && size.QuadPart > 0 && size.QuadPart < 0x7fffffff) {
        content.resize(static_cast<int>(size.QuadPart));
        DWORD total = 0;
        DWORD got = 0;
        while (total < static_cast<DWORD>(content.size()) &&
               ReadFile(file, content.data() + total, static_cast<DWORD>(content.size()) - total,
                        &got, nullptr) &&
               got > 0)
            total += got;
        content.truncate(static_cast<int>(total));
    }
    CloseHandle(file);
    return content;
}

} // namespace PageHook
