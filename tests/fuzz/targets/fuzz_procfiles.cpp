// The text files of /proc and /etc the inventory reads; the first byte picks
// the parser (0 os-release, 1 cpuinfo, 2 ALSA cards), the rest is the text.

#include "fuzzcheck.h"

#include "hardware/osrelease.h"
#include "hardware/procfiles.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char *>(data + 1), static_cast<int>(size - 1));
    const QString text = QString::fromUtf8(bytes);
    switch (data[0] % 3) {
    case 0:
        OsRelease::parse(bytes);
        break;
    case 1:
        for (const ProcFiles::ProcessorPackage &package : ProcFiles::parseCpuInfo(text)) {
            require(!package.processors.isEmpty(), "a package has a logical processor");
            ProcFiles::processorDescription(package, QStringLiteral("x86_64"));
        }
        break;
    default:
        ProcFiles::parseSoundCards(text);
        break;
    }
    return 0;
}
