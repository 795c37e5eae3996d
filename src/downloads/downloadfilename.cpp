#include "downloads/downloadfilename.h"

#include <QCryptographicHash>
#include <QRegularExpression>
#include <QTextBoundaryFinder>
#include <QUrl>

namespace DownloadFileName {

namespace {

// Longer tails after the last dot are not an extension worth keeping whole.
constexpr int kMaxExtensionBytes = 32;

bool isForbidden(QChar c)
{
    static const QString forbidden = QStringLiteral("<>:\"/\\|?*");
    return c.unicode() < 0x20 || c.unicode() == 0x7f || forbidden.contains(c);
}

// Marks that reorder the text around them: "setup\u202Eexe.txt" shows as
// "setuptxt.exe".
bool isBidiControl(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x061c || u == 0x200e || u == 0x200f || (u >= 0x202a && u <= 0x202e) ||
           (u >= 0x2066 && u <= 0x2069);
}

bool isTrailingJunk(QChar c)
{
    return c == QLatin1Char('.') || c == QLatin1Char(' ');
}

QString withoutTrailingJunk(const QString &name)
{
    int end = name.size();
    while (end > 0 && isTrailingJunk(name.at(end - 1)))
        --end;
    return name.left(end);
}

// Windows opens a device instead of a file for these names, whatever the
// extension, and also when blanks or dots follow the device name ("CON .exe").
// Any digit counts: Windows takes COM¹ as COM1.
bool isDeviceName(const QString &name)
{
    static const QRegularExpression device(
        QStringLiteral("^(CON|PRN|AUX|NUL|CONIN\\$|CONOUT\\$|(COM|LPT)[\\d\\x{00B9}\\x{00B2}"
                       "\\x{00B3}])$"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    const QString base = withoutTrailingJunk(name.section(QLatin1Char('.'), 0, 0));
    return device.match(base).hasMatch();
}

int utf8Size(const QString &text)
{
    return text.toUtf8().size();
}

// The longest start of text, cut between user-perceived characters, that
// takes at most maxBytes in UTF-8.
QString leftBytes(const QString &text, int maxBytes)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    int kept = 0;
    int bytes = 0;
    for (int next = graphemes.toNextBoundary(); next > 0; next = graphemes.toNextBoundary()) {
        bytes += utf8Size(text.mid(kept, next - kept));
        if (bytes > maxBytes)
            break;
        kept = next;
    }
    return text.left(kept);
}

QString shortened(const QString &name)
{
    if (utf8Size(name) <= kMaxNameBytes)
        return name;
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot > 0 ? name.mid(dot) : QString();
    if (!extension.isEmpty() && utf8Size(extension) <= kMaxExtensionBytes)
        return leftBytes(name.left(dot), kMaxNameBytes - utf8Size(extension)) + extension;
    return withoutTrailingJunk(leftBytes(name, kMaxNameBytes));
}

} // namespace

QString clean(const QString &name)
{
    QString result;
    result.reserve(name.size());
    for (const QChar c : name) {
        if (isBidiControl(c))
            continue;
        result.append(isForbidden(c) ? QLatin1Char('_') : c);
    }
    result = withoutTrailingJunk(result);
    // A leading dot hides the file, and would let a server name ".bashrc".
    int begin = 0;
    while (begin < result.size() &&
           (result.at(begin) == QLatin1Char(' ') || result.at(begin) == QLatin1Char('.')))
        ++begin;
    result = shortened(result.mid(begin));
    // Shortened again: the mark may take the last byte the name had left.
    if (isDeviceName(result))
        result = shortened(QLatin1Char('_') + result);
    return result;
}

QString forUrl(const QString &url, const QString &fallbackName)
{
    const QString name = clean(QUrl::fromUserInput(url).fileName(QUrl::FullyDecoded));
    if (!name.isEmpty())
        return name;
    return clean(clean(fallbackName) + QStringLiteral(".exe"));
}

QString addressKey(const QString &address)
{
    return QString::fromLatin1(
        QCryptographicHash::hash(address.toUtf8(), QCryptographicHash::Sha256).left(4).toHex());
}

QString partName(const QString &name, const QString &address)
{
    return name + QLatin1Char('.') + addressKey(address) + QStringLiteral(".part");
}

} // namespace DownloadFileName
