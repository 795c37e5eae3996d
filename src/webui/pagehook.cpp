#include "webui/pagehook.h"

#include "webui/wkeapi.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace PageHook {
namespace {

bool isInside(const QString &path, const QString &folder)
{
    return path == folder || path.startsWith(folder + QLatin1Char('/'));
}

// The real file behind path, when it lies inside one of the folders (a
// symbolic link may point anywhere); empty otherwise.
QString servedFile(const QString &path, const QStringList &folders)
{
    const QString real = QFileInfo(path).canonicalFilePath();
    if (real.isEmpty())
        return QString();
    for (const QString &folder : folders) {
        const QString realFolder = QFileInfo(folder).canonicalFilePath();
        if (!realFolder.isEmpty() && isInside(real, realFolder))
            return real;
    }
    return QString();
}

} // namespace

QString resolveFile(const QString &exeDir, const QString &relativePath)
{
    const QString base = QDir::cleanPath(QDir::fromNativeSeparators(exeDir));
    const QString htmlDir = base + QStringLiteral("/html");
    const QString relative = QDir::fromNativeSeparators(relativePath);
    const QStringList folders{htmlDir, base};

    // A path that climbs out of the page folders (".." after decoding) is never
    // served, whatever it names.
    const QString inHtml = QDir::cleanPath(htmlDir + QLatin1Char('/') + relative);
    if (QFileInfo::exists(inHtml))
        return isInside(inHtml, htmlDir) ? servedFile(inHtml, folders) : QString();

    const QString besideExe = QDir::cleanPath(htmlDir + QStringLiteral("/../") + relative);
    return isInside(besideExe, base) ? servedFile(besideExe, folders) : QString();
}

QByteArray pageContent(const QString &exeDir, const QByteArray &decodedUrl)
{
    if (!decodedUrl.startsWith(kPagePrefix))
        return {};
    const QByteArray relative = decodedUrl.mid(int(std::strlen(kPagePrefix)));
    const QString path = resolveFile(exeDir, QString::fromUtf8(relative));
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
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
        const QByteArray body = pageContent(QCoreApplication::applicationDirPath(), decoded);
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
