#include "fixturetree.h"

#include "hardware/graphicslist.h"
#include "hardware/identityarithmetic.h"
#include "hardware/machineidentity.h"
#include "hardware/netinterfaces.h"
#include "hardware/pcidevices.h"
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

// "desc|hardid" rows to adapters.
DisplayAdapterList adapters(const QStringList &rows)
{
    DisplayAdapterList list;
    for (const QString &row : rows) {
        const QStringList parts = row.split(QLatin1Char('|'));
        list.push_back({parts.value(0).toStdU16String(), parts.value(1).toStdU16String()});
    }
    return list;
}

void addPciFunction(const FixtureTree &tree, const QString &slot, const QByteArray &classCode,
                    const QByteArray &vendor, const QByteArray &device,
                    const QByteArray &subsystemVendor, const QByteArray &subsystemDevice,
                    const QByteArray &revision)
{
    const QString base = QStringLiteral("/sys/bus/pci/devices/") + slot + QLatin1Char('/');
    tree.write(base + QLatin1String("class"), classCode + '\n');
    tree.write(base + QLatin1String("vendor"), vendor + '\n');
    tree.write(base + QLatin1String("device"), device + '\n');
    tree.write(base + QLatin1String("subsystem_vendor"), subsystemVendor + '\n');
    tree.write(base + QLatin1String("subsystem_device"), subsystemDevice + '\n');
    tree.write(base + QLatin1String("revision"), revision + '\n');
}

// A desktop with an Intel iGPU and an NVIDIA card, plus devices that are no adapters.
void addDesktopPci(const FixtureTree &tree)
{
    addPciFunction(tree, QStringLiteral("0000:01:00.0"), "0x030000", "0x10de", "0x1c82", "0x1462",
                   "0x8c96", "0xa1");
    addPciFunction(tree, QStringLiteral("0000:00:1f.3"), "0x040300", "0x8086", "0xa348", "0x8086",
                   "0x7270", "0x10");
    addPciFunction(tree, QStringLiteral("0000:00:02.0"), "0x030000", "0x8086", "0x3e92", "0x1462",
                   "0x7b17", "0x00");
    addPciFunction(tree, QStringLiteral("0000:03:00.0"), "0x038000", "0xfff3", "0xabcd", "0x0000",
                   "0x0000", "0x01");
    tree.write(QStringLiteral("/sys/bus/pci/devices/0000:04:00.0/vendor"), "0x10de\n");
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
    void adapterFilter_data();
    void adapterFilter();
    void adapterJsonText();
    void pciScanOfFixture();
    void graphicsListOfFixtureAndEmptyMachine();
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

void TestHardware::adapterFilter_data()
{
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QList<int>>("kept");
    const QString intel = QStringLiteral("Intel(R) UHD Graphics 630|PCI\\VEN_8086&DEV_3E92");
    const QString amd = QStringLiteral("AMD Radeon RX 580|PCI\\VEN_1002&DEV_67DF");
    const QString nvidia = QStringLiteral("NVIDIA GeForce GTX 1050 Ti|PCI\\VEN_10DE&DEV_1C82");
    const QString basic = QStringLiteral("Microsoft Basic Display Adapter|ROOT\\BasicDisplay");
    const QString oray = QStringLiteral("OrayIddDriver Device|ROOT\\DISPLAY\\0000");

    QTest::newRow("intel and basic adapter") << QStringList{intel, basic} << QList<int>{0};
    QTest::newRow("amd and intel in order") << QStringList{amd, intel} << QList<int>{0, 1};
    QTest::newRow("upper-case nvidia number after an accepted adapter")
        << QStringList{intel, nvidia} << QList<int>{0, 1};
    QTest::newRow("name test open while nothing accepted")
        << QStringList{QStringLiteral("NVIDIA GeForce GT 710|ROOT\\X"), intel} << QList<int>{0, 1};
    QTest::newRow("name test closed after an accepted adapter")
        << QStringList{intel, QStringLiteral("nvidia mirror|ROOT\\X")} << QList<int>{0};
    QTest::newRow("name test is case-free")
        << QStringList{basic, QStringLiteral("Radeon by AMD|X")} << QList<int>{1};
    QTest::newRow("number in an otherwise empty entry")
        << QStringList{QStringLiteral("|PCI\\VEN_1002")} << QList<int>{0};
    QTest::newRow("single oray kept")
        << QStringList{QStringLiteral("ORAY display|X")} << QList<int>{0};
    QTest::newRow("oray, oray, third") << QStringList{oray, oray, basic} << QList<int>{2};
    QTest::newRow("oray, oray") << QStringList{oray, oray} << QList<int>{1};
    QTest::newRow("fallback keeps the rest in order")
        << QStringList{QStringLiteral("Mirror|A"), oray, basic} << QList<int>{0, 2};
    QTest::newRow("empty") << QStringList{} << QList<int>{};
}

void TestHardware::adapterFilter()
{
    QFETCH(QStringList, rows);
    QFETCH(QList<int>, kept);
    const DisplayAdapterList input = adapters(rows);
    const DisplayAdapterList output = GraphicsList::filter(input);
    QCOMPARE(int(output.size()), kept.size());
    for (int i = 0; i < kept.size(); ++i) {
        QCOMPARE(QString::fromStdU16String(output[std::size_t(i)].desc),
                 QString::fromStdU16String(input[std::size_t(kept[i])].desc));
        QCOMPARE(QString::fromStdU16String(output[std::size_t(i)].hardid),
                 QString::fromStdU16String(input[std::size_t(kept[i])].hardid));
    }
}

void TestHardware::adapterJsonText()
{
    QCOMPARE(GraphicsList::toJson({}), QByteArray("[\n]\n"));
    const QByteArray expected = "[\n"
                                "    {\n"
                                "        \"desc\": \"Intel(R) \xe6\x98\xbe\xe5\x8d\xa1\",\n"
                                "        \"hardid\": \"PCI\\\\VEN_8086&DEV_3E92\"\n"
                                "    },\n"
                                "    {\n"
                                "        \"desc\": \"\",\n"
                                "        \"hardid\": \"\"\n"
                                "    }\n"
                                "]\n";
    QCOMPARE(GraphicsList::toJson(adapters(
                 {QStringLiteral("Intel(R) 显卡|PCI\\VEN_8086&DEV_3E92"), QStringLiteral("|")})),
             expected);
}

void TestHardware::pciScanOfFixture()
{
    FixtureTree tree;
    addDesktopPci(tree);
    const QVector<PciDevice> devices = readPciDevices(tree.root());
    QStringList order;
    for (const PciDevice &device : devices)
        order << device.slot;
    QCOMPARE(order, QStringList({"0000:00:02.0", "0000:00:1f.3", "0000:01:00.0", "0000:03:00.0"}));
    QCOMPARE(devices[2].hardwareId(),
             QStringLiteral("PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1"));

    const DisplayAdapterList list = pciDisplayAdapters(tree.root());
    QCOMPARE(int(list.size()), 3);
    QCOMPARE(QString::fromStdU16String(list[0].desc),
             QStringLiteral("Intel Corporation CoffeeLake-S GT2 [UHD Graphics 630]"));
    QCOMPARE(QString::fromStdU16String(list[0].hardid),
             QStringLiteral("PCI\\VEN_8086&DEV_3E92&SUBSYS_7B171462&REV_00"));
    QCOMPARE(QString::fromStdU16String(list[1].desc),
             QStringLiteral("NVIDIA Corporation GP107 [GeForce GTX 1050 Ti]"));
    QCOMPARE(QString::fromStdU16String(list[2].desc), QStringLiteral("Device fff3:abcd"));

    PciNames names;
    QCOMPARE(names.name(0x10de, 0xfff1), QStringLiteral("NVIDIA Corporation Device fff1"));
    QCOMPARE(names.vendorName(0xfff3), QString());
    QVERIFY(pciDisplayAdapters(tree.root() + QLatin1String("/nothing")).empty());
}

void TestHardware::graphicsListOfFixtureAndEmptyMachine()
{
    FixtureTree tree;
    addDesktopPci(tree);
    qputenv("TESSALY_SYSROOT", tree.root().toUtf8());
    const QJsonArray list = QJsonDocument::fromJson(GraphicsList::json()).array();
    qunsetenv("TESSALY_SYSROOT");
    QCOMPARE(list.size(), 2);
    QCOMPARE(list[0].toObject().value(QLatin1String("hardid")).toString().left(12),
             QStringLiteral("PCI\\VEN_8086"));
    QCOMPARE(list[1].toObject().value(QLatin1String("hardid")).toString().left(12),
             QStringLiteral("PCI\\VEN_10DE"));

    FixtureTree empty;
    qputenv("TESSALY_SYSROOT", empty.root().toUtf8());
    QCOMPARE(GraphicsList::json(), QByteArray("[\n]\n"));
    qunsetenv("TESSALY_SYSROOT");
}

QTEST_GUILESS_MAIN(TestHardware)
#include "tst_hardware.moc"
