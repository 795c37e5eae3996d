#include "webui/wkeapi.h"
#include "webui/wkeloader.h"

#include <QLibrary>
#include <QMessageBox>
#include <QString>

namespace WkeLoader {

std::vector<std::string> libraryFileNames()
{
    return {"libwke.so"};
}

std::wstring nativeLibraryPath(const std::wstring &path)
{
    return path;
}

void showMissingBox(const char *functionName)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromUtf8(functionName),
                    QStringLiteral("wke api not found"), QMessageBox::Ok);
    box.exec();
}

bool load(const wkeSettings *settings)
{
    // Owned by the process: the runtime stays loaded until exit.
    static QLibrary library;
    library.setFileName(QString::fromStdWString(runtimeLibraryPath()));
    library.setLoadHints(QLibrary::ResolveAllSymbolsHint);
    if (!library.load())
        return false;

    const auto init =
        reinterpret_cast<decltype(&::wkeInitializeEx)>(library.resolve("wkeInitializeEx"));
    if (init)
        init(settings);

    WkeApi &api = wkeApi();
#define TESSALY_WKE_RESOLVE(name)                                                                  \
    api.name = reinterpret_cast<decltype(&::name)>(library.resolve(#name));                        \
    if (!api.name)                                                                                 \
        reportMissing(#name);
    TESSALY_WKE_FUNCTIONS(TESSALY_WKE_RESOLVE)
#undef TESSALY_WKE_RESOLVE
    return true;
}

} // namespace WkeLoader
