#include "fixturetree.h"

#include "hardware/identityarithmetic.h"
#include "hardware/machineidentity.h"
#include "hardware/netinterfaces.h"
#include "hardware/rootvolume.h"

#include <QtTest>

using Bytes = std::vector<uint8_t>;
Q_DECLARE_METATYPE(Bytes)

namespace {

const MachineIdentity::CpuidRegisters kGenuineIntel{0x16, 0x756e6547, 0x6c65746e, 0x49656e69};

QString toQString(const std::u16string &text)
{
    return QString::fromStdU16String(text);
}

// An interface folder as the kernel lays it out; physical ones get a device.
void addInterface(const FixtureTree &tree, const QString &name, int index,
                  const QByteArray &address, bool physical, int type = 1)
{
    const QString base = QStringLiteral("/sys/class/net/") + name + QLatin1Char('/');
    tree.write(base + QLatin1String("ifindex"), QByteArray::number(index) + '\n');
    tree.write(base + QLatin1String("type"), QByteArray::number(type) + '\n');
    tree.write(base + QLatin1String("address"), address + '\n');
    if (physical)
        tree.write(base + QLatin1String("device/uevent"), "PCI_ID=8086:15BC\n");
}

} // namespace

class TestHardware final : public QObject {
    Q_OBJECT

private slots:
    void adapterChecksum_data();
    void adapterChecksum();
    void checksumsOfProcessorAndVolume();
    void hashAndFormat();
    void identifierComposition_data();
    void identifierComposition();
    void identifierPairIsOrderFree();
    void identifierIsKeptForTheProcess();
    void hardwareAddressesInIndexOrder();
    void rootMountFromMountinfo();
    void serialFromUuid_data();
    void serialFromUuid();
    void rootVolumeSerialFromDiskUuids();
    void computerNameFromRoot();
};

void TestHardware::adapterChecksum_data()
{
    QTest::addColumn<Bytes>("address");
    QTest::addColumn<int>("checksum");
    QTest::newRow("empty") << Bytes{} << 0;
    QTest::newRow("odd length adds last byte unshifted") << Bytes{0x01, 0x02, 0x03} << 0x0204;
    QTest::newRow("ethernet") << Bytes{0x02, 0xfc, 0x00, 0x00, 0x00, 0x01} << 0xfd02;
    QTest::newRow("wraps at 16 bits") << Bytes(6, 0xff) << 0xfffd;
    QTest::newRow("single byte") << Bytes{0x80} << 0x80;
}

void TestHardware::adapterChecksum()
{
    QFETCH(Bytes, address);
    QFETCH(int, checksum);
    QCOMPARE(int(MachineIdentity::adapterChecksum(address.data(), address.size())), checksum);
}

void TestHardware::checksumsOfProcessorAndVolume()
{
    QCOMPARE(int(MachineIdentity::processorChecksum({0x20, 0x756e6547, 0x6c65746e, 0x49656e69})),
             29558);
    QCOMPARE(int(MachineIdentity::processorChecksum({})), 0);
    QCOMPARE(int(MachineIdentity::volumeChecksum(0xABCD1234u)), 0xBE01);
    QCOMPARE(int(MachineIdentity::volumeChecksum(0)), 0);
}

void TestHardware::hashAndFormat()
{
    QCOMPARE(MachineIdentity::djb2(u""), 5381);
    QCOMPARE(MachineIdentity::djb2(u"a"), 177670);
    QCOMPARE(MachineIdentity::djb2(u"Tessaly"), 970346698);
    QCOMPARE(MachineIdentity::djb2(u"WIN-PC"), -668704813);
    // UTF-16 units, not bytes.
    QCOMPARE(MachineIdentity::djb2(u"主机-0112"), -841228501);
    QCOMPARE(toQString(MachineIdentity::formatIdentifier(-668704813, 0, 65535)),
             QStringLiteral("-668704813-0-65535"));
    QCOMPARE(toQString(MachineIdentity::fingerprint(u"PC", 7, 12, 3, 40)),
             QStringLiteral("PC712340"));
    QCOMPARE(toQString(MachineIdentity::fingerprint(std::u16string(u"PC\0junk", 7), 7, 12)),
             QStringLiteral("PC712"));
}

void TestHardware::identifierComposition_data()
{
    QTest::addColumn<std::vector<Bytes>>("addresses");
    QTest::addColumn<QString>("identifier");
    const Bytes first{0x00, 0x1B, 0x21, 0x3A, 0x4F, 0x10};
    const Bytes second{0x02, 0x00, 0x4C, 0x4F, 0x4F, 0x50};
    QTest::newRow("two adapters") << std::vector<Bytes>{first, second}
                                  << QStringLiteral("-1787640499-25968-40861");
    QTest::newRow("only the first two count")
        << std::vector<Bytes>{first, second, Bytes{0xff, 0xff}}
        << QStringLiteral("-1787640499-25968-40861");
    QTest::newRow("one adapter pairs with zero")
        << std::vector<Bytes>{first} << QStringLiteral("-1768976646-0-25968");
    QTest::newRow("no adapters: name length twice")
        << std::vector<Bytes>{} << QStringLiteral("-866719524-11-11");
}

void TestHardware::identifierComposition()
{
    QFETCH(std::vector<Bytes>, addresses);
    QFETCH(QString, identifier);
    MachineIdentity::Facts facts;
    facts.adapterAddresses = addresses;
    facts.volumeSerial = 0x5A3C19E2;
    facts.cpuid = kGenuineIntel;
    facts.computerName = u"DESKTOP-7Q2";
    QCOMPARE(toQString(MachineIdentity::composeIdentifier(facts)), identifier);
}

void TestHardware::identifierPairIsOrderFree()
{
    MachineIdentity::Facts facts;
    facts.computerName = u"PC";
    facts.adapterAddresses = {Bytes{0x10, 0x00}, Bytes{0x01, 0x00}};
    const std::u16string forward = MachineIdentity::composeIdentifier(facts);
    std::swap(facts.adapterAddresses[0], facts.adapterAddresses[1]);
    QCOMPARE(toQString(MachineIdentity::composeIdentifier(facts)), toQString(forward));
    QVERIFY(toQString(forward).endsWith(QLatin1String("-1-16")));
}

void TestHardware::identifierIsKeptForTheProcess()
{
    const std::u16string &first = MachineIdentity::identifier();
    QVERIFY(QRegularExpression(QStringLiteral("^-?\\d+-\\d+-\\d+$"))
                .match(toQString(first))
                .hasMatch());
    QCOMPARE(&MachineIdentity::identifier(), &first);
}

void TestHardware::hardwareAddressesInIndexOrder()
{
    FixtureTree tree;
    QVERIFY(tree.isValid());
    addInterface(tree, QStringLiteral("lo"), 1, "00:00:00:00:00:00", false, 772);
    addInterface(tree, QStringLiteral("wlan0"), 5, "aa:bb:cc:dd:ee:0f", true);
    addInterface(tree, QStringLiteral("eth0"), 2, "02:fc:00:00:00:01", true);
    addInterface(tree, QStringLiteral("ifb0"), 3, "ce:29:54:10:0b:04", false);
    addInterface(tree, QStringLiteral("tun0"), 4, "", true, 65534);
    addInterface(tree, QStringLiteral("wwan0"), 6, "00:00:00:00:00:00", true);

    const QVector<QByteArray> addresses = hardwareAddresses(tree.root());
    QCOMPARE(addresses, QVector<QByteArray>({QByteArray::fromHex("02fc00000001"),
                                             QByteArray::fromHex("aabbccddee0f")}));

    const QVector<NetInterface> all = readNetInterfaces(tree.root());
    QCOMPARE(all.size(), 6);
    QCOMPARE(all.first().name, QStringLiteral("lo"));
    QVERIFY(all.first().isLoopback());
    QCOMPARE(all[1].pciVendor, quint16(0x8086));
    QCOMPARE(all[1].pciDevice, quint16(0x15BC));

    QVERIFY(hardwareAddresses(tree.root() + QLatin1String("/missing")).isEmpty());
    QVERIFY(parseHardwareAddress(QStringLiteral("02:fc:zz")).isEmpty());
    QVERIFY(parseHardwareAddress(QStringLiteral("02:1fc")).isEmpty());
}

void TestHardware::rootMountFromMountinfo()
{
    const QByteArray mountinfo =
        "22 27 0:21 / /proc rw,relatime - proc proc rw\n"
        "27 1 8:2 / / rw,relatime shared:1 - ext4 /dev/sda2 rw\n"
        "28 27 0:25 / /home rw - ext4 /dev/sda3 rw\n"
        "29 1 253:0 / / rw,relatime shared:1 master:2 - xfs /dev/mapper/vg-root rw\n"
        "garbage\n";
    const RootVolume::Mount mount = RootVolume::rootMount(mountinfo);
    QCOMPARE(mount.device, QStringLiteral("253:0"));
    QCOMPARE(mount.source, QStringLiteral("/dev/mapper/vg-root"));
    QVERIFY(RootVolume::rootMount("1 2 3\n\n").device.isEmpty());
}

void TestHardware::serialFromUuid_data()
{
    QTest::addColumn<QString>("uuid");
    QTest::addColumn<bool>("ok");
    QTest::addColumn<uint>("serial");
    QTest::newRow("FAT serial as Windows shows it") << "ABCD-1234" << true << 0xABCD1234u;
    QTest::newRow("NTFS: low 32 bits") << "0123456789ABCDEF" << true << 0x89ABCDEFu;
    QTest::newRow("ext4 UUID") << "3d1219c7-c4c5-404a-aa1f-6d2a48adfda4" << true << 0x48adfda4u;
    QTest::newRow("short") << "1a" << true << 0x1au;
    QTest::newRow("not hex") << "label_x" << false << 0u;
    QTest::newRow("empty") << "" << false << 0u;
}

void TestHardware::serialFromUuid()
{
    QFETCH(QString, uuid);
    QFETCH(bool, ok);
    QFETCH(uint, serial);
    uint32_t value = 7;
    QCOMPARE(RootVolume::serialFromUuid(uuid, &value), ok);
    QCOMPARE(value, ok ? serial : 7u);
}

void TestHardware::rootVolumeSerialFromDiskUuids()
{
    FixtureTree tree;
    tree.write(QStringLiteral("/proc/self/mountinfo"),
               "27 1 253:0 / / rw - ext4 /dev/mapper/vg-root rw\n");
    tree.write(QStringLiteral("/sys/dev/block/253:0/uevent"), "MAJOR=253\nDEVNAME=dm-0\n");
    tree.link(QStringLiteral("/dev/disk/by-uuid/11111111-2222-3333-4444-555566667777"),
              QStringLiteral("../../sda1"));
    tree.link(QStringLiteral("/dev/disk/by-uuid/3d1219c7-c4c5-404a-aa1f-6d2a48adfda4"),
              QStringLiteral("../../dm-0"));
    QCOMPARE(RootVolume::serial(tree.root()), 0x48adfda4u);

    // The mount source names the device directly.
    tree.write(QStringLiteral("/proc/self/mountinfo"), "27 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
    QCOMPARE(RootVolume::serial(tree.root()), 0x66667777u);
}

void TestHardware::computerNameFromRoot()
{
    FixtureTree tree;
    tree.write(QStringLiteral("/etc/hostname"), "sample-desktop\n");
    qputenv("TESSALY_SYSROOT", tree.root().toUtf8());
    QCOMPARE(toQString(MachineIdentity::computerName()), QStringLiteral("sample-desktop"));
    tree.write(QStringLiteral("/proc/sys/kernel/hostname"), "kernel-name\n");
    QCOMPARE(toQString(MachineIdentity::computerName()), QStringLiteral("kernel-name"));
    qunsetenv("TESSALY_SYSROOT");
}

QTEST_GUILESS_MAIN(TestHardware)
#include "tst_hardware.moc"
