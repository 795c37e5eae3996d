// The name a download is saved under: the address, a NUL, the page's fallback
// name.

#include "fuzzcheck.h"

#include "downloads/downloadfilename.h"

#include <cstddef>
#include <cstdint>

namespace {
bool isBidiControl(QChar c)
{
    const char16_t u = c.unicode();
    return u == 0x061c || u == 0x200e || u == 0x200f || (u >= 0x202a && u <= 0x202e) ||
           (u >= 0x2066 && u <= 0x2069);
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char *>(data), static_cast<int>(size));
    const int split = input.indexOf('\0');
    const QString url = QString::fromUtf8(split < 0 ? input : input.left(split));
    const QString fallback = split < 0 ? QString() : QString::fromUtf8(input.mid(split + 1));

    const QString name = DownloadFileName::forUrl(url, fallback);
    require(!name.isEmpty(), "a name is never empty");
    require(name != QLatin1String(".") && name != QLatin1String(".."), "no folder names");
    require(name.toUtf8().size() <= DownloadFileName::kMaxNameBytes, "the name fits");
    require(!name.endsWith(QLatin1Char('.')) && !name.endsWith(QLatin1Char(' ')),
            "no trailing dot or blank");
    for (const QChar c : name) {
        require(c.unicode() >= 0x20 && c != QLatin1Char('/') && c != QLatin1Char('\\') &&
                    c != QLatin1Char(':'),
                "no separators or control characters");
        require(!isBidiControl(c), "no direction marks");
    }
    require(DownloadFileName::clean(name) == name, "a clean name stays as it is");
    require(DownloadFileName::partName(name, url).toUtf8().size() <= 255, "the part name fits");
    return 0;
}
