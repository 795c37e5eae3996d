#pragma once
// Builders of SMBIOS structures, EDID blocks and a whole sample desktop tree,
// assembled from the published layouts.

#include "fixturetree.h"

#include <QByteArray>
#include <QStringList>

#include <sys/mman.h>
#include <unistd.h>

namespace Fixtures {

inline void put16(QByteArray &bytes, int offset, quint16 value)
{
    bytes[offset] = char(value & 0xff);
    bytes[offset + 1] = char(value >> 8);
}

inline void put32(QByteArray &bytes, int offset, quint32 value)
{
    put16(bytes, offset, quint16(value & 0xffff));
    put16(bytes, offset + 2, quint16(value >> 16));
}

// Header, formatted area (offsets counted from the header's start) and string set.
inline QByteArray smbiosStructure(quint8 type, QByteArray formatted, const QStringList &strings)
{
    formatted[0] = char(type);
    formatted[1] = char(formatted.size());
    QByteArray bytes = formatted;
    for (const QString &text : strings)
        bytes += text.toLatin1() + '\0';
    if (strings.isEmpty())
        bytes += '\0';
    return bytes + '\0';
}

inline QByteArray baseBoard(const QStringList &strings)
{
    QByteArray formatted(0x0f, '\0');
    for (int field = 0; field < 4; ++field)
        formatted[4 + field] = char(field < strings.size() ? field + 1 : 0);
    return smbiosStructure(2, formatted, strings);
}

// sizeField as SMBIOS writes it (MB, or KB with bit 15, 0x7fff for the
// extended size in MB); strings: device locator, bank, manufacturer, serial.
inline QByteArray memoryDevice(quint16 sizeField, quint16 speed, const QStringList &strings,
                               quint32 extendedSize = 0, int length = 0x28)
{
    QByteArray formatted(length, '\0');
    put16(formatted, 0x0c, sizeField);
    formatted[0x10] = 1;
    formatted[0x11] = 2;
    if (length >= 0x17)
        put16(formatted, 0x15, speed);
    if (length >= 0x19) {
        formatted[0x17] = 3;
        formatted[0x18] = 4;
    }
    if (length >= 0x20)
        put32(formatted, 0x1c, extendedSize);
    return smbiosStructure(17, formatted, strings);
}

inline QByteArray endOfTable()
{
    return smbiosStructure(127, QByteArray(4, '\0'), {});
}

// A base block with the given PNP id, product code and (optional) name.
inline QByteArray edid(const char *pnp, quint16 product, const QByteArray &name)
{
    QByteArray block(128, '\0');
    const char header[8] = {0,          char(0xff), char(0xff), char(0xff),
                            char(0xff), char(0xff), char(0xff), 0};
    block.replace(0, 8, QByteArray(header, 8));
    const quint16 id =
        quint16((pnp[0] - 'A' + 1) << 10 | (pnp[1] - 'A' + 1) << 5 | (pnp[2] - 'A' + 1));
    block[8] = char(id >> 8);
    block[9] = char(id & 0xff);
    put16(block, 10, product);
    block[18] = 1;
    block[19] = 4;
    put16(block, 54, 0x3a02); // a detailed timing: non-zero pixel clock
    block.replace(72, 18,
                  QByteArray("\0\0\0\xff\0"
                             "SN12345\n     ",
                             18));
    if (!name.isEmpty()) {
        QByteArray text = name.left(13);
        if (text.size() < 13)
            text += '\n';
        text = text.leftJustified(13, ' ');
        block.replace(90, 18, QByteArray("\0\0\0\xfc\0", 5) + text);
    }
    quint8 sum = 0;
    for (int i = 0; i < 127; ++i)
        sum = quint8(sum + quint8(block[i]));
    block[127] = char(quint8(256 - sum));
    return block;
}

// Bytes at the very end of a readable page followed by an unreadable one, so a
// read past the end crashes the test instead of passing unnoticed.
class GuardedBytes final {
public:
    explicit GuardedBytes(const QByteArray &content)
    {
        const long page = sysconf(_SC_PAGESIZE);
        m_pages = (content.size() / page + 2) * page;
        m_memory = static_cast<char *>(mmap(nullptr, size_t(m_pages), PROT_READ | PROT_WRITE,
                                            MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        char *guard = m_memory + m_pages - page;
        mprotect(guard, size_t(page), PROT_NONE);
        m_data = guard - content.size();
        std::copy(content.cbegin(), content.cend(), m_data);
        m_size = content.size();
    }
    ~GuardedBytes() { munmap(m_memory, size_t(m_pages)); }
    GuardedBytes(const GuardedBytes &) = delete;
    GuardedBytes &operator=(const GuardedBytes &) = delete;

    QByteArray bytes() const { return QByteArray::fromRawData(m_data, m_size); }

private:
    char *m_memory = nullptr;
    char *m_data = nullptr;
    long m_pages = 0;
    int m_size = 0;
};

// ids: "class vendor device subsystem_vendor subsystem_device revision".
inline void pciFunction(const FixtureTree &tree, const QString &slot, const QByteArray &ids)
{
    const QList<QByteArray> values = ids.split(' ');
    const char *files[] = {"class",   "vendor", "device", "subsystem_vendor", "subsystem_device",
                           "revision"};
    for (int i = 0; i < values.size(); ++i)
        tree.write(QStringLiteral("/sys/bus/pci/devices/%1/%2").arg(slot, QLatin1String(files[i])),
                   values[i] + '\n');
}

// An Intel iGPU and an NVIDIA card, plus functions that are no adapters (the
// last one lacks its class).
inline void desktopPci(const FixtureTree &tree)
{
    pciFunction(tree, QStringLiteral("0000:01:00.0"), "0x030000 0x10de 0x1c82 0x1462 0x8c96 0xa1");
    pciFunction(tree, QStringLiteral("0000:00:1f.3"), "0x040300 0x8086 0xa348 0x8086 0x7270 0x10");
    pciFunction(tree, QStringLiteral("0000:00:02.0"), "0x030000 0x8086 0x3e92 0x1462 0x7b17 0x00");
    pciFunction(tree, QStringLiteral("0000:03:00.0"), "0x038000 0xfff3 0xabcd 0x0000 0x0000 0x01");
    pciFunction(tree, QStringLiteral("0000:04:00.0"), "");
}

// An interface folder as the kernel lays it out; physical ones get a device.
inline void netInterface(const FixtureTree &tree, const QString &name, int index,
                         const QByteArray &address, bool physical, int type = 1,
                         const QByteArray &pciId = "8086:15BC")
{
    const QString base = QStringLiteral("/sys/class/net/") + name + QLatin1Char('/');
    tree.write(base + QLatin1String("ifindex"), QByteArray::number(index) + '\n');
    tree.write(base + QLatin1String("type"), QByteArray::number(type) + '\n');
    tree.write(base + QLatin1String("address"), address + '\n');
    if (physical)
        tree.write(base + QLatin1String("device/uevent"), "DRIVER=e1000e\nPCI_ID=" + pciId + '\n');
}

// A typical desktop: one processor package with four threads, a board with two
// 8 GiB modules, Intel and NVIDIA graphics, two disks among pseudo devices, a
// connected monitor, two sound cards, wired and virtual network interfaces.
inline void desktop(const FixtureTree &tree)
{
    tree.write(QStringLiteral("/etc/hostname"), "sample-desktop\n");
    tree.write(QStringLiteral("/etc/os-release"),
               "NAME=\"Debian GNU/Linux\"\nPRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n");
    tree.write(QStringLiteral("/etc/machine-id"), "3d1219c7c4c5404aaa1f6d2a48adfda4\n");
    tree.write(QStringLiteral("/proc/sys/kernel/osrelease"), "6.1.0-13-amd64\n");
    tree.write(QStringLiteral("/proc/sys/kernel/version"), "#1 SMP PREEMPT_DYNAMIC Debian\n");

    QByteArray cpuinfo;
    for (int i = 0; i < 4; ++i) {
        cpuinfo += "processor\t: " + QByteArray::number(i) +
                   "\nvendor_id\t: GenuineIntel\ncpu family\t: 6\nmodel\t\t: 158\n"
                   "model name\t: Intel(R) Core(TM) i5-9400 CPU @ 2.90GHz\nstepping\t: 10\n"
                   "cpu MHz\t\t: 800.000\nphysical id\t: 0\nsiblings\t: 4\ncore id\t\t: " +
                   QByteArray::number(i / 2) + "\ncpu cores\t: 2\n\n";
        tree.write(QStringLiteral("/sys/devices/system/cpu/cpu%1/cpufreq/cpuinfo_max_freq").arg(i),
                   "4100000\n");
    }
    tree.write(QStringLiteral("/proc/cpuinfo"), cpuinfo);

    tree.write(QStringLiteral("/sys/firmware/dmi/tables/DMI"),
               baseBoard({"ASUSTeK COMPUTER INC.", "PRIME B365M-A", "Rev X.0x", "190436"}) +
                   memoryDevice(8192, 2666, {"DIMM_A1", "BANK 0", "Kingston", "A1B2C3D4"}) +
                   memoryDevice(0, 0, {"DIMM_A2", "BANK 1"}) +
                   memoryDevice(8192, 2666, {"DIMM_B1", "BANK 2", "Kingston", "E5F6A7B8"}) +
                   endOfTable());

    desktopPci(tree);

    const auto disk = [&](const QString &name, const QByteArray &model, const QByteArray &size) {
        const QString base = QStringLiteral("/sys/block/") + name + QLatin1Char('/');
        tree.write(base + QLatin1String("size"), size + '\n');
        if (!model.isEmpty())
            tree.write(base + QLatin1String("device/model"), model + '\n');
    };
    disk(QStringLiteral("loop0"), "", "1024");
    disk(QStringLiteral("dm-0"), "", "976773168");
    disk(QStringLiteral("nvme0n1"), "Samsung SSD 970 EVO Plus 500GB", "976773168");
    disk(QStringLiteral("sda"), "ST1000DM010-2EP1  ", "1953525168");
    disk(QStringLiteral("zram0"), "", "8388608");
    tree.write(QStringLiteral("/sys/block/nvme0n1/device/serial"), "S4EVNF0M123456\n");

    tree.write(QStringLiteral("/sys/class/drm/card0-DP-1/status"), "disconnected\n");
    tree.write(QStringLiteral("/sys/class/drm/card0-HDMI-A-1/status"), "connected\n");
    tree.write(QStringLiteral("/sys/class/drm/card0-HDMI-A-1/edid"),
               edid("DEL", 0xa0f0, "DELL U2415"));
    tree.write(QStringLiteral("/sys/class/drm/card0/dev"), "226:0\n");
    QByteArray corrupt = edid("SAM", 0x0f00, "Broken");
    corrupt[60] = char(corrupt[60] + 1);
    tree.write(QStringLiteral("/sys/class/drm/card1-DP-2/status"), "connected\n");
    tree.write(QStringLiteral("/sys/class/drm/card1-DP-2/edid"), corrupt);

    tree.write(QStringLiteral("/proc/asound/cards"),
               " 0 [PCH            ]: HDA-Intel - HDA Intel PCH\n"
               "                      HDA Intel PCH at 0xa1230000 irq 130\n"
               " 1 [NVidia         ]: HDA-Intel - HDA NVidia\n"
               "                      HDA NVidia at 0xa4080000 irq 17\n");

    netInterface(tree, QStringLiteral("lo"), 1, "00:00:00:00:00:00", false, 772);
    netInterface(tree, QStringLiteral("docker0"), 2, "02:42:ac:11:00:01", false);
    netInterface(tree, QStringLiteral("enp3s0"), 3, "04:d4:c4:5a:0b:9e", true, 1, "8086:15BC");
}

} // namespace Fixtures
