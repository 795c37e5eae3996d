#include "downloads/downloadfilename.h"

#include <QRegularExpression>
#include <QUrl>

namespace DownloadFileName {

namespace {

bool isForbidden(QChar c)
{
    static const QString forbidden = QStringLiteral("<>:\"/\\|?*");
    return c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c);
}

// Windows opens a device instead of a file for these names, whatever the extension.
bool isDeviceName(const QString &name)
{
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|COM[1-9]|LPT[1-9])(\\..*)?$"),
        QRegularExpression::CaseInsensitiveOption);
    return device.match(name).hasMatch();
}

} // namespace

QString clean(const QString &name)
{
    QString result = name;
    for (QChar &c : result) {
        if (isForbidden(c))
            c = QLatin1Char('_');
    }
    int end = result.size();
    while (end > 0 &&
           (result.at(end - 1) == QLatin1Char('.') || result.at(end - 1) == QLatin1Char(' ')))
        --end;
    int begin = 0;
    while (begin < end && result.at(begin) == QLatin1Char(' '))
        ++begin;
    result = result.mid(begin, end - begin);
    if (isDeviceName(result))
        result.prepend(QLatin1Char('_'));
    return result;
}

QString forUrl(const QString &url, const QString &fallbackName)
{
    const QString name = clean(QUrl::fromUserInput(url).fileName(QUrl::FullyDecoded));
    if (!name.isEmpty())
        return name;
    return clean(fallbackName) + QStringLiteral(".exe");
}

} // namespace DownloadFileName
