#include "webui/pagehook.h"

#include "webui/wkeapi.h"

#include <QDir>
#include <QFileInfo>

#include <cstring>

namespace PageHook {
namespace {

bool isInside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// Whether the real file behind path lies inside one of the folders: a
// symbolic link inside them may point anywhere.
bool realFileInside(const QString &path, const QStringList &folders)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty())
        return false;
    for (const QString &folder : folders) {
        const QString realFolder = QFileInfo(folder).canonicalFilePath();
        if (!realFolder.isEmpty() && isInside(real, realFolder))
            return true;
    }
    return false;
}

} // namespace

QString resolveFile(const QString &exeDir, const QString &relativePath)
{
    const QString base = QDir::cleanPath(QDir::fromNativeSeparators(exeDir));
    const QString htmlDir = base + QStringLiteral("/html");
    const QStringList folders{htmlDir, base};
    const auto cleaned = [](const QString &path) {
        return QDir::cleanPath(QDir::fromNativeSeparators(path));
    };
    const auto servable = [&](const QString &path, const QString &folder) {
        return isInside(cleaned(path), folder) && realFileInside(path, folders);
    };

    // A path that climbs out of the page folders (".." after decoding) is never
    // served, whatever it names.
    const QString inHtml = pagePath(exeDir, relativePath, false);
    if (QFileInfo::exists(inHtml))
        return servable(inHtml, htmlDir) ? inHtml : QString();

    const QString besideExe = pagePath(exeDir, relativePath, true);
    return servable(besideExe, base) ? besideExe : QString();
}

QByteArray pageContent(const QString &exeDir, const QByteArray &decodedUrl)
{
    if (!decodedUrl.startsWith(kPagePrefix))
        return {};
    const QByteArray relative = decodedUrl.mid(int(std::strlen(kPagePrefix)));
    const QString path = resolveFile(exeDir, QString::fromUtf8(relative));
    return path.isEmpty() ? QByteArray() : readPage(path);
}

bool WKE_CALL onLoadUrlBegin(wkeWebView, void *, const char *url, wkeNetJob job)
{
    const QByteArray address(url ? url : "");
    // Only addresses under the prefix are pages; one that merely carries the
    // prefix later (in its query, say) belongs to somebody else.
    if (address.startsWith(kPagePrefix)) {
        const char *decoded = wkeCall(&WkeApi::wkeUtilDecodeURLEscape, url);
        if (!decoded)
            return false;
        const QByteArray body = pageContent(programFolder(), decoded);
        wkeCall(&WkeApi::wkeNetSetData, job, static_cast<const void *>(body.constData()),
                int(body.size()));
        return true;
    }
    if (address.startsWith(kLoopbackTestPrefix)) {
        static const char kBody[] = "\"test1111\"";
        wkeCall(&WkeApi::wkeNetSetMIMEType, job, "text/html");
        wkeCall(&WkeApi::wkeNetSetData, job, static_cast<const void *>(kBody),
                int(sizeof kBody - 1));
        return true;
    }
    wkeCall(&WkeApi::wkeNetHookRequest, job);
    return address != kExternalTestAddress;
}

} // namespace PageHook
