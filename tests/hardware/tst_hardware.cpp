#include "fixturetree.h"
#include "machinefixtures.h"

#include "hardware/edid.h"
#include "hardware/graphicslist.h"
#include "hardware/identityarithmetic.h"
#include "hardware/installeddrivers.h"
#include "hardware/inventoryreport.h"
#include "hardware/machineidentity.h"
#include "hardware/netinterfaces.h"
#include "hardware/osrelease.h"
#include "hardware/pcidevices.h"
#include "hardware/procfiles.h"
#include "hardware/rootvolume.h"
#include "hardware/smbios.h"
#include "hardware/wmic.h"
#include "hardware/workerthread.h"

#include <QtTest>

#include <random>

using Bytes = std::vector<uint8_t>;
Q_DECLARE_METATYPE(Bytes)

namespace {

QString q(const std::u16string &text)
{
    return QString::fromStdU16String(text);
}

// "desc|hardid" rows to adapters.
DisplayAdapterList adapters(const QStringList &rows)
{
    DisplayAdapterList list;
    for (const QString &row : rows)
        list.push_back({row.section(QLatin1Char('|'), 0, 0).toStdU16String(),
                        row.section(QLatin1Char('|'), 1).toStdU16String()});
    return list;
}

QStringList rows(const DisplayAdapterList &list)
{
    QStringList text;
    for (const DisplayAdapter &adapter : list)
        text << q(adapter.desc) + QLatin1Char('|') + q(adapter.hardid);
    return text;
}

// "capacity|manufacturer|speed|serial" per module.
QStringList memoryRows(const std::vector<PhysicalMemoryRecord> &modules)
{
    QStringList text;
    for (const PhysicalMemoryRecord &m : modules)
        text << QStringLiteral("%1|%2|%3|%4")
                    .arg(m.capacity)
                    .arg(q(m.manufacturer))
                    .arg(m.speed)
                    .arg(q(m.serialNumber));
    return text;
}

QJsonObject reportObject(const InventoryReport::Findings &findings)
{
    return QJsonDocument::fromJson(
               InventoryReport::compose(QStringLiteral("h"), true, findings).toUtf8())
        .object();
}

// Points the program's readers at a tree for the life of the object.
class SysRootOverride final {
public:
    explicit SysRootOverride(const QString &root) { qputenv("TESSALY_SYSROOT", root.toUtf8()); }
    ~SysRootOverride() { qunsetenv("TESSALY_SYSROOT"); }
    SysRootOverride(const SysRootOverride &) = delete;
    SysRootOverride &operator=(const SysRootOverride &) = delete;
};

// Stands in for the main window: owns the workers and collects their reports.
class ReportSink final : public QObject {
    Q_OBJECT

public:
    QStringList reports;
    bool allOnOwnThread = true;

public slots:
    void pciinfoResults(const QString &pcinfo)
    {
        allOnOwnThread = allOnOwnThread && QThread::currentThread() == thread();
        reports << pcinfo;
    }
};

} // namespace

class TestHardware final : public QObject {
    Q_OBJECT

private slots:
    void adapterChecksum_data()
    {
        QTest::addColumn<Bytes>("address");
        QTest::addColumn<int>("checksum");
        QTest::newRow("empty") << Bytes{} << 0;
        QTest::newRow("odd length adds last byte unshifted") << Bytes{0x01, 0x02, 0x03} << 0x0204;
        QTest::newRow("ethernet") << Bytes{0x02, 0xfc, 0x00, 0x00, 0x00, 0x01} << 0xfd02;
        QTest::newRow("wraps at 16 bits") << Bytes(6, 0xff) << 0xfffd;
    }

    void adapterChecksum()
    {
        QFETCH(Bytes, address);
        QFETCH(int, checksum);
        QCOMPARE(int(MachineIdentity::adapterChecksum(address.data(), address.size())), checksum);
    }

    void identityArithmetic()
    {
        using namespace MachineIdentity;
        QCOMPARE(int(processorChecksum({0x20, 0x756e6547, 0x6c65746e, 0x49656e69})), 29558);
        QCOMPARE(int(volumeChecksum(0xABCD1234u)), 0xBE01);
        QCOMPARE(djb2(u""), 5381);
        QCOMPARE(djb2(u"Tessaly"), 970346698);
        QCOMPARE(djb2(u"WIN-PC"), -668704813);
        QCOMPARE(djb2(u"主机-0112"), -841228501); // UTF-16 units, not bytes
        QCOMPARE(q(formatIdentifier(-668704813, 0, 65535)), QStringLiteral("-668704813-0-65535"));
        QCOMPARE(q(fingerprint(u"PC", 7, 12, 3, 40)), QStringLiteral("PC712340"));
        QCOMPARE(q(fingerprint(std::u16string(u"PC\0junk", 7), 7, 12)), QStringLiteral("PC712"));
    }

    void identifierComposition_data()
    {
        QTest::addColumn<std::vector<Bytes>>("addresses");
        QTest::addColumn<QString>("identifier");
        const Bytes a{0x00, 0x1B, 0x21, 0x3A, 0x4F, 0x10};
        const Bytes b{0x02, 0x00, 0x4C, 0x4F, 0x4F, 0x50};
        const QString pair = QStringLiteral("-1787640499-25968-40861");
        QTest::newRow("two adapters") << std::vector<Bytes>{a, b} << pair;
        QTest::newRow("swapped: same identifier") << std::vector<Bytes>{b, a} << pair;
        QTest::newRow("only the first two count") << std::vector<Bytes>{a, b, Bytes{1}} << pair;
        QTest::newRow("one adapter pairs with zero")
            << std::vector<Bytes>{a} << QStringLiteral("-1768976646-0-25968");
        QTest::newRow("no adapters: name length twice")
            << std::vector<Bytes>{} << QStringLiteral("-866719524-11-11");
    }

    void identifierComposition()
    {
        QFETCH(std::vector<Bytes>, addresses);
        QFETCH(QString, identifier);
        MachineIdentity::Facts facts;
        facts.adapterAddresses = addresses;
        facts.volumeSerial = 0x5A3C19E2;
        facts.cpuid = {0x16, 0x756e6547, 0x6c65746e, 0x49656e69};
        facts.computerName = u"DESKTOP-7Q2";
        QCOMPARE(q(MachineIdentity::composeIdentifier(facts)), identifier);
    }

    void identifierIsKeptForTheProcess()
    {
        const std::u16string &first = MachineIdentity::identifier();
        QVERIFY(
            QRegularExpression(QStringLiteral("^-?\\d+-\\d+-\\d+$")).match(q(first)).hasMatch());
        QCOMPARE(&MachineIdentity::identifier(), &first);
    }

    void hardwareAddressesInIndexOrder()
    {
        FixtureTree tree;
        Fixtures::netInterface(tree, QStringLiteral("lo"), 1, "00:00:00:00:00:00", false, 772);
        Fixtures::netInterface(tree, QStringLiteral("wlan0"), 5, "aa:bb:cc:dd:ee:0f", true);
        Fixtures::netInterface(tree, QStringLiteral("eth0"), 2, "02:fc:00:00:00:01", true);
        Fixtures::netInterface(tree, QStringLiteral("ifb0"), 3, "ce:29:54:10:0b:04", false);
        Fixtures::netInterface(tree, QStringLiteral("tun0"), 4, "", true, 65534);
        Fixtures::netInterface(tree, QStringLiteral("wwan0"), 6, "00:00:00:00:00:00", true);
        Fixtures::netInterface(tree, QStringLiteral("bad0"), 7, "02:fc:zz", true);
        QCOMPARE(hardwareAddresses(tree.root()),
                 QVector<QByteArray>(
                     {QByteArray::fromHex("02fc00000001"), QByteArray::fromHex("aabbccddee0f")}));
        QCOMPARE(readNetInterfaces(tree.root()).value(1).pciVendor, quint16(0x8086));
        QVERIFY(hardwareAddresses(tree.root() + QLatin1String("/missing")).isEmpty());
    }

    void serialFromUuid_data()
    {
        QTest::addColumn<QString>("uuid");
        QTest::addColumn<bool>("ok");
        QTest::addColumn<uint>("serial");
        QTest::newRow("FAT serial as Windows shows it") << "ABCD-1234" << true << 0xABCD1234u;
        QTest::newRow("NTFS: low 32 bits") << "0123456789ABCDEF" << true << 0x89ABCDEFu;
        QTest::newRow("ext4 UUID") << "3d1219c7-c4c5-404a-aa1f-6d2a48adfda4" << true << 0x48adfda4u;
        QTest::newRow("not hex") << "label_x" << false << 0u;
        QTest::newRow("empty") << "" << false << 0u;
    }

    void serialFromUuid()
    {
        QFETCH(QString, uuid);
        QFETCH(bool, ok);
        QFETCH(uint, serial);
        uint32_t value = 7;
        QCOMPARE(RootVolume::serialFromUuid(uuid, &value), ok);
        QCOMPARE(value, ok ? serial : 7u);
    }

    void rootVolumeSerial()
    {
        const RootVolume::Mount mount = RootVolume::rootMount(
            "22 27 0:21 / /proc rw - proc proc rw\n27 1 8:2 / / rw shared:1 - ext4 /dev/sda2 rw\n"
            "29 1 253:0 / / rw shared:1 master:2 - xfs /dev/mapper/vg-root rw\ngarbage\n");
        QCOMPARE(mount.device + QLatin1Char(' ') + mount.source,
                 QStringLiteral("253:0 /dev/mapper/vg-root"));

        FixtureTree tree;
        tree.write(QStringLiteral("/proc/self/mountinfo"),
                   "27 1 253:0 / / rw - ext4 /dev/mapper/vg-root rw\n");
        tree.write(QStringLiteral("/sys/dev/block/253:0/uevent"), "MAJOR=253\nDEVNAME=dm-0\n");
        tree.link(QStringLiteral("/dev/disk/by-uuid/11111111-2222-3333-4444-555566667777"),
                  QStringLiteral("../../sda1"));
        tree.link(QStringLiteral("/dev/disk/by-uuid/3d1219c7-c4c5-404a-aa1f-6d2a48adfda4"),
                  QStringLiteral("../../dm-0"));
        QCOMPARE(RootVolume::serial(tree.root()), 0x48adfda4u); // through the kernel's name
        tree.write(QStringLiteral("/proc/self/mountinfo"), "27 1 8:1 / / rw - ext4 /dev/sda1 rw\n");
        QCOMPARE(RootVolume::serial(tree.root()), 0x66667777u); // through the mount source
    }

    void computerNameFromRoot()
    {
        FixtureTree tree;
        tree.write(QStringLiteral("/etc/hostname"), "sample-desktop\n");
        const SysRootOverride root(tree.root());
        QCOMPARE(q(MachineIdentity::computerName()), QStringLiteral("sample-desktop"));
        tree.write(QStringLiteral("/proc/sys/kernel/hostname"), "kernel-name\n");
        QCOMPARE(q(MachineIdentity::computerName()), QStringLiteral("kernel-name"));
    }

    void adapterFilter_data()
    {
        QTest::addColumn<QStringList>("input");
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
            << QStringList{QStringLiteral("NVIDIA GeForce GT 710|ROOT\\X"), intel}
            << QList<int>{0, 1};
        QTest::newRow("name test closed after an accepted adapter")
            << QStringList{intel, QStringLiteral("nvidia mirror|ROOT\\X")} << QList<int>{0};
        QTest::newRow("name test ignores case")
            << QStringList{basic, QStringLiteral("Radeon by AMD|X")} << QList<int>{1};
        QTest::newRow("single oray kept")
            << QStringList{QStringLiteral("ORAY display|X")} << QList<int>{0};
        QTest::newRow("oray, oray, third") << QStringList{oray, oray, basic} << QList<int>{2};
        QTest::newRow("oray, oray") << QStringList{oray, oray} << QList<int>{1};
        QTest::newRow("fallback keeps the rest in order")
            << QStringList{QStringLiteral("Mirror|A"), oray, basic} << QList<int>{0, 2};
        QTest::newRow("empty") << QStringList{} << QList<int>{};
    }

    void adapterFilter()
    {
        QFETCH(QStringList, input);
        QFETCH(QList<int>, kept);
        QStringList expected;
        for (const int index : kept)
            expected << input[index];
        QCOMPARE(rows(GraphicsList::filter(adapters(input))), expected);
    }

    void adapterJsonText()
    {
        QCOMPARE(GraphicsList::toJson({}), QByteArray("[\n]\n"));
        QCOMPARE(GraphicsList::toJson(adapters(
                     {QStringLiteral("Intel(R) 显卡|PCI\\VEN_8086"), QStringLiteral("|")})),
                 QByteArray("[\n"
                            "    {\n"
                            "        \"desc\": \"Intel(R) \xe6\x98\xbe\xe5\x8d\xa1\",\n"
                            "        \"hardid\": \"PCI\\\\VEN_8086\"\n"
                            "    },\n"
                            "    {\n"
                            "        \"desc\": \"\",\n"
                            "        \"hardid\": \"\"\n"
                            "    }\n"
                            "]\n"));
    }

    void pciScanOfFixture()
    {
        FixtureTree tree;
        Fixtures::desktopPci(tree);
        QCOMPARE(rows(pciDisplayAdapters(tree.root())),
                 QStringList({"Intel Corporation CoffeeLake-S GT2 [UHD Graphics "
                              "630]|PCI\\VEN_8086&DEV_3E92&SUBSYS_7B171462&REV_00",
                              "NVIDIA Corporation GP107 [GeForce GTX 1050 "
                              "Ti]|PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1",
                              "Device fff3:abcd|PCI\\VEN_FFF3&DEV_ABCD&SUBSYS_00000000&REV_01"}));
        QCOMPARE(PciNames::name(0x10de, 0xfff1), QStringLiteral("NVIDIA Corporation Device fff1"));

        // The page's answer: both vendors' adapters, the unknown one left out.
        {
            const SysRootOverride root(tree.root());
            QCOMPARE(QJsonDocument::fromJson(GraphicsList::json()).array().size(), 2);
        }
        FixtureTree empty;
        const SysRootOverride root(empty.root());
        QCOMPARE(GraphicsList::json(), QByteArray("[\n]\n"));
    }

    void driversInUseOfFixture()
    {
        FixtureTree tree;
        Fixtures::desktopPci(tree);
        // As sysfs links them; the folders they point to need not exist.
        tree.link(QStringLiteral("/sys/bus/pci/devices/0000:01:00.0/driver"),
                  QStringLiteral("../../drivers/nvidia"));
        tree.write(QStringLiteral("/sys/module/nvidia/version"), "580.95.05\n");
        tree.link(QStringLiteral("/sys/bus/pci/devices/0000:00:02.0/driver"),
                  QStringLiteral("/sys/bus/pci/drivers/i915"));
        tree.write(QStringLiteral("/sys/module/i915/parameters/modeset"), "-1\n");
        // Not a link: no driver can be told from it.
        tree.write(QStringLiteral("/sys/bus/pci/devices/0000:03:00.0/driver"), "amdgpu");
        const SysRootOverride root(tree.root());

        QStringList found;
        for (const InstalledDriver &d : InstalledDrivers::list()) {
            found << QString::fromStdU16String(d.hardid + u"|" + d.platform + u"|" + d.driver +
                                               u"|" + d.version + u"|" + d.provider + d.date);
        }
        QCOMPARE(
            found,
            QStringList({"PCI\\VEN_8086&DEV_3E92&SUBSYS_7B171462&REV_00|linux|i915||",
                         "PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1|linux|nvidia|580.95.05|",
                         "PCI\\VEN_FFF3&DEV_ABCD&SUBSYS_00000000&REV_01|linux|||"}));

        // The page's answer follows "graphicsList": the unknown vendor left out.
        const QJsonArray json = QJsonDocument::fromJson(GraphicsList::driversJson()).array();
        QCOMPARE(json.size(), 2);
        QCOMPARE(json[1].toObject(),
                 QJsonObject({{"hardid", "PCI\\VEN_10DE&DEV_1C82&SUBSYS_8C961462&REV_A1"},
                              {"platform", "linux"},
                              {"driver", "nvidia"},
                              {"provider", ""},
                              {"version", "580.95.05"},
                              {"date", ""}}));
    }

    void driversPairWithTheirAdapters()
    {
        const DisplayAdapterList adapters = {
            {u"NVIDIA GeForce RTX 4090", u"PCI\\VEN_10DE&DEV_2684"},
            {u"NVIDIA GeForce RTX 4090", u"PCI\\VEN_10DE&DEV_2684"},
            {u"Matrox G200eR2", u"PCI\\VEN_102B&DEV_0534"},
            {u"Intel UHD Graphics 770", u"PCI\\VEN_8086&DEV_A780"}};
        const auto driver = [](const char16_t *hardid, const char16_t *version) {
            InstalledDriver d;
            d.hardid = hardid;
            d.platform = u"windows";
            d.version = version;
            return d;
        };
        const auto versions = [](const QByteArray &json) {
            QStringList out;
            for (const QJsonValue &entry : QJsonDocument::fromJson(json).array())
                out << entry[QLatin1String("hardid")].toString() + QLatin1Char('=') +
                           entry[QLatin1String("version")].toString();
            return out;
        };
        // Same order: each its own, twins included; the Matrox is not on the page.
        QCOMPARE(versions(GraphicsList::driversToJson(adapters,
                                                      {driver(u"PCI\\VEN_10DE&DEV_2684", u"1"),
                                                       driver(u"PCI\\VEN_10DE&DEV_2684", u"2"),
                                                       driver(u"PCI\\VEN_102B&DEV_0534", u"3"),
                                                       driver(u"PCI\\VEN_8086&DEV_A780", u"4")})),
                 QStringList({"PCI\\VEN_10DE&DEV_2684=1", "PCI\\VEN_10DE&DEV_2684=2",
                              "PCI\\VEN_8086&DEV_A780=4"}));
        // The system changed between the scans: paired by id, the missing one empty.
        QCOMPARE(versions(GraphicsList::driversToJson(adapters,
                                                      {driver(u"PCI\\VEN_8086&DEV_A780", u"4"),
                                                       driver(u"PCI\\VEN_10DE&DEV_2684", u"1")})),
                 QStringList({"PCI\\VEN_10DE&DEV_2684=1",
                              "PCI\\VEN_10DE&DEV_2684=", "PCI\\VEN_8086&DEV_A780=4"}));
        QCOMPARE(GraphicsList::driversToJson({}, {}), QByteArray("[\n]\n"));
    }

    void windowsDriverDates_data()
    {
        QTest::addColumn<QString>("written");
        QTest::addColumn<QString>("iso");
        QTest::newRow("month and day of one digit") << "9-2-2024"
                                                    << "2024-09-02";
        QTest::newRow("two digits") << "12-31-2025"
                                    << "2025-12-31";
        QTest::newRow("the INF default") << "6-21-2006"
                                         << "2006-06-21";
        QTest::newRow("empty") << ""
                               << "";
        QTest::newRow("month 13") << "13-1-2024"
                                  << "";
        QTest::newRow("two-digit year") << "9-20-24"
                                        << "";
        QTest::newRow("trailing dash") << "9-20-2024-"
                                       << "";
        QTest::newRow("ISO already") << "2024-09-20"
                                     << "";
        QTest::newRow("letters") << "Sep-20-2024"
                                 << "";
    }

    void windowsDriverDates()
    {
        QFETCH(QString, written);
        QFETCH(QString, iso);
        QCOMPARE(QString::fromStdU16String(InstalledDrivers::isoDate(written.toStdU16String())),
                 iso);
    }

    void pciNamesFromTheTreesOwnList()
    {
        FixtureTree tree;
        tree.write(
            QStringLiteral("/usr/share/misc/pci.ids"),
            "# Version: 2026.08.22\n10de  NVIDIA Corporation\n\t2c58  GB203M [GeForce RTX 5090 "
            "Max-Q / Mobile]\n");
        QCOMPARE(PciNames::name(0x10de, 0x2c58, tree.root()),
                 QStringLiteral("NVIDIA Corporation GB203M [GeForce RTX 5090 Max-Q / Mobile]"));
        QCOMPARE(PciNames::vendorName(0x10de, tree.root()), QStringLiteral("NVIDIA Corporation"));
        FixtureTree bare;
        QCOMPARE(PciNames::name(0x10de, 0xfff1, bare.root()),
                 QStringLiteral("NVIDIA Corporation Device fff1"));
    }

    void smbiosTables_data()
    {
        using namespace Fixtures;
        QTest::addColumn<QByteArray>("table");
        QTest::addColumn<QString>("board"); // "manufacturer|product"; null: none
        QTest::addColumn<QStringList>("memory");

        const QByteArray board = baseBoard({"ASUSTeK COMPUTER INC.", "PRIME B450M-A", "X", "1"});
        const QString boardText = QStringLiteral("ASUSTeK COMPUTER INC.|PRIME B450M-A");
        const QByteArray dimm = memoryDevice(8192, 2666, {"DIMM_A1", "BANK 0", "Kingston", "K1"});
        QTest::newRow("board, modules, empty slot skipped")
            << board + dimm + memoryDevice(0, 0, {"DIMM_A2", "BANK 1"}) +
                   memoryDevice(0x7fff, 3200, {"B1", "BANK 2", "Samsung", "S1"}, 32768) +
                   endOfTable()
            << boardText << QStringList{"8|Kingston|2666|K1", "32|Samsung|3200|S1"};
        QTest::newRow("size in KB") << memoryDevice(0x8000 | 0x4000, 0, {"A", "B", "C", "D"})
                                    << QString() << QStringList{"0|C|0|D"};
        QTest::newRow("short structure without speed and strings")
            << memoryDevice(4096, 0, {"A", "B"}, 0, 0x15) << QString() << QStringList{"4||0|"};
        QTest::newRow("string index past the set")
            << memoryDevice(2048, 1600, {"A", "B"}) << QString() << QStringList{"2||1600|"};
        QTest::newRow("board without strings") << baseBoard({}) << "|" << QStringList{};
        QTest::newRow("last board wins") << baseBoard({"First", "1"}) + baseBoard({"Second", "2"})
                                         << "Second|2" << QStringList{};
        QTest::newRow("nothing after end of table")
            << endOfTable() + board + dimm << QString() << QStringList{};
        QTest::newRow("formatted area cut short")
            << board + dimm.left(0x20) << boardText << QStringList{};
        QTest::newRow("string set never closed")
            << board + dimm.left(dimm.size() - 2) << boardText << QStringList{};
        QByteArray tooShort = dimm;
        tooShort[1] = 2;
        QTest::newRow("length shorter than the header")
            << tooShort + board << QString() << QStringList{};
        QByteArray tooLong = board;
        tooLong[1] = char(0xff);
        QTest::newRow("length past the end") << tooLong << QString() << QStringList{};
        QTest::newRow("three bytes") << QByteArray("\x02\x0f\x00", 3) << QString() << QStringList{};
    }

    void smbiosTables()
    {
        QFETCH(QByteArray, table);
        QFETCH(QString, board);
        QFETCH(QStringList, memory);
        const Fixtures::GuardedBytes guarded(table);
        const Smbios::Inventory inventory = Smbios::parse(guarded.bytes());
        QCOMPARE(inventory.hasBaseBoard, !board.isNull());
        if (inventory.hasBaseBoard)
            QCOMPARE(q(inventory.baseBoard.manufacturer) + QLatin1Char('|') +
                         q(inventory.baseBoard.product),
                     board);
        QCOMPARE(memoryRows(inventory.memory), memory);
    }

    void smbiosNeverReadsPastTheBuffer()
    {
        using namespace Fixtures;
        const QByteArray table = baseBoard({"Maker", "Board", "1.0", "SN"}) +
                                 memoryDevice(0x7fff, 0xffff, {"A", "B", "M", "SN"}, 65536, 0x5c) +
                                 endOfTable();
        // Every prefix, also with one byte changed, parses without touching the
        // guard page behind it.
        std::mt19937 random(17);
        for (int length = 0; length <= table.size(); ++length) {
            QByteArray prefix = table.left(length);
            Smbios::parse(GuardedBytes(prefix).bytes());
            if (length > 0) {
                prefix[int(random() % uint(length))] = char(random() % 256);
                Smbios::parse(GuardedBytes(prefix).bytes());
            }
        }
        QCOMPARE(memoryRows(Smbios::parse(GuardedBytes(table).bytes()).memory),
                 QStringList{"64|M|0|SN"});
    }

    void edidBlocks_data()
    {
        QTest::addColumn<QByteArray>("blob");
        QTest::addColumn<QString>("parsed"); // "id|name"; null: not valid
        const QByteArray dell = Fixtures::edid("DEL", 0xa0f0, "DELL U2415");
        QTest::newRow("name descriptor") << dell << "DEL|DELL U2415";
        QTest::newRow("thirteen letters, no line feed")
            << Fixtures::edid("SAM", 0x0f00, "SyncMaster 24") << "SAM|SyncMaster 24";
        QTest::newRow("no name descriptor") << Fixtures::edid("GSM", 1, "") << "GSM|";
        QTest::newRow("extension block") << dell + QByteArray(128, '\x02') << "DEL|DELL U2415";
        QByteArray badSum = dell;
        badSum[100] = char(badSum[100] + 1);
        QTest::newRow("bad checksum") << badSum << QString();
        QTest::newRow("short") << dell.left(127) << QString();
        QByteArray badHeader = dell;
        badHeader[0] = 1;
        badHeader[127] = char(badHeader[127] - 1);
        QTest::newRow("wrong header, right sum") << badHeader << QString();
    }

    void edidBlocks()
    {
        QFETCH(QByteArray, blob);
        QFETCH(QString, parsed);
        const Fixtures::GuardedBytes guarded(blob);
        const Edid::Monitor monitor = Edid::parse(guarded.bytes());
        QCOMPARE(monitor.valid, !parsed.isNull());
        if (monitor.valid)
            QCOMPARE(monitor.manufacturerId + QLatin1Char('|') + monitor.name, parsed);
    }

    void textParsers()
    {
        const QMap<QString, QString> release =
            OsRelease::parse(QByteArray("# c\nNAME=Fedora\nPRETTY_NAME=\"Fedora 39 (\\\"WS\\\")\"\n"
                                        "VERSION='39 (WS)'\n=bad\n"));
        QCOMPARE(release.value(QStringLiteral("PRETTY_NAME")),
                 QStringLiteral("Fedora 39 (\"WS\")"));
        QCOMPARE(release.value(QStringLiteral("VERSION")), QStringLiteral("39 (WS)"));
        QCOMPARE(release.size(), 3);

        QString sockets;
        for (int i = 0; i < 4; ++i)
            sockets += QStringLiteral("processor\t: %1\nvendor_id\t: AuthenticAMD\ncpu family\t: "
                                      "23\nmodel\t\t: 49\nmodel name\t: AMD EPYC 7302\nstepping\t: "
                                      "0\nphysical id\t: %2\ncore id\t\t: 0\n\n")
                           .arg(i)
                           .arg(i % 2);
        const auto packages = ProcFiles::parseCpuInfo(sockets);
        QCOMPARE(packages.size(), 2);
        QCOMPARE(packages[1].processors, QVector<int>({1, 3}));
        QCOMPARE(packages[0].threads * 10 + packages[0].cores, 21); // cores from core ids
        QCOMPARE(ProcFiles::processorDescription(packages[0], QStringLiteral("x86_64")),
                 QStringLiteral("AMD64 Family 23 Model 49 Stepping 0"));
        // No blank lines between processors, no package ids, a summary block.
        const auto arm = ProcFiles::parseCpuInfo(
            QStringLiteral("processor\t: 0\nBogoMIPS\t: 48.00\nprocessor\t: 1\nBogoMIPS\t: "
                           "48.00\n\nHardware\t: BCM2835\nModel\t\t: Raspberry Pi 4\n"));
        QCOMPARE(arm.size(), 1);
        QCOMPARE(arm[0].threads, 2);

        const auto cards = ProcFiles::parseSoundCards(
            QStringLiteral(" 0 [PCH            ]: HDA-Intel - HDA Intel PCH\n"
                           "                      HDA Intel PCH at 0xa1230000 irq 130\n"
                           " 1 [U0x46d0x825    ]: USB-Audio - USB Device 0x46d:0x825\n"
                           "10 [Loopback       ]: Loopback - Loopback\n"
                           "                      Loopback 1\n"));
        QStringList names;
        for (const ProcFiles::SoundCard &card : cards)
            names << card.name + QLatin1Char('|') + card.description;
        QCOMPARE(names, QStringList({"HDA Intel PCH|HDA Intel PCH at 0xa1230000 irq 130",
                                     "USB Device 0x46d:0x825|USB Device 0x46d:0x825",
                                     "Loopback|Loopback 1"}));
        QVERIFY(ProcFiles::parseSoundCards(QStringLiteral("--- no soundcards ---\n")).isEmpty());
    }

    void providerOnDesktopFixture()
    {
        FixtureTree tree;
        Fixtures::desktop(tree);
        const SysRootOverride root(tree.root());
        WMIC wmic;
        QStringList found;
        const OperatingSystemRecord os = wmic.operatingSystem();
        found << q(os.version) + QLatin1Char('|') + q(os.serialNumber);
        for (const ProcessorRecord &cpu : wmic.processors())
            found << QStringLiteral("%1|%2|%3|%4")
                         .arg(q(cpu.manufacturer))
                         .arg(cpu.numberOfCores)
                         .arg(cpu.threadCount)
                         .arg(cpu.maxClockSpeed);
        found << memoryRows(wmic.physicalMemory());
        for (const DiskDriveRecord &disk : wmic.diskDrives())
            found << QStringLiteral("%1|%2|%3")
                         .arg(q(disk.caption))
                         .arg(disk.size)
                         .arg(q(disk.serialNumber));
        for (const DesktopMonitorRecord &monitor : wmic.desktopMonitors())
            found << q(monitor.name) + QLatin1Char('|') + q(monitor.description) +
                         QLatin1Char('|') + q(monitor.monitorManufacturer);
        for (const NetworkAdapterRecord &adapter : wmic.networkAdapters())
            found << q(adapter.description) + QLatin1Char('|') + q(adapter.manufacturer) +
                         QLatin1Char('|') + q(adapter.macAddress);
        QCOMPARE(found, QStringList({"6.1.0-13-amd64|3d1219c7c4c5404aaa1f6d2a48adfda4",
                                     "GenuineIntel|2|4|4.1", "8|Kingston|2666|A1B2C3D4",
                                     "8|Kingston|2666|E5F6A7B8",
                                     "Samsung SSD 970 EVO Plus 500GB|465|S4EVNF0M123456",
                                     "ST1000DM010-2EP1|931|", "DELL U2415|HDMI-A-1|DEL",
                                     "Virtual network interface docker0||02:42:AC:11:00:01",
                                     "Intel Corporation Ethernet Connection (7) I219-V|Intel "
                                     "Corporation|04:D4:C4:5A:0B:9E"}));
        QCOMPARE(int(wmic.videoControllers().size()), 3);
        QCOMPARE(int(wmic.soundDevices().size()), 2);
    }

    void providerFindsNothingOnEmptyTree()
    {
        FixtureTree tree;
        // Without readable tables the kernel's summary still names the board.
        tree.write(QStringLiteral("/sys/class/dmi/id/board_vendor"), "Gigabyte Technology\n");
        tree.write(QStringLiteral("/sys/class/dmi/id/board_name"), "B450 AORUS M\n");
        const SysRootOverride root(tree.root());
        WMIC wmic;
        QCOMPARE(q(wmic.operatingSystem().caption), QString());
        QCOMPARE(q(wmic.baseBoard().product), QStringLiteral("B450 AORUS M"));
        QVERIFY(wmic.processors().empty() && wmic.videoControllers().empty() &&
                wmic.physicalMemory().empty() && wmic.diskDrives().empty() &&
                wmic.desktopMonitors().empty() && wmic.soundDevices().empty() &&
                wmic.networkAdapters().empty());
    }

    void providerUnreachableRoot()
    {
        FixtureTree tree;
        const SysRootOverride root(tree.root() + QLatin1String("/missing"));
        try {
            WMIC wmic;
            QFAIL("connected to a missing root");
        } catch (const WMICException &failure) {
            QCOMPARE(QByteArray(failure.what()),
                     QByteArray("Could not connect. Error code = 0x80070003\n"));
        }
        // The report is still made, with the host and the bit width.
        const QJsonObject report =
            QJsonDocument::fromJson(InventoryReport::build().toUtf8()).object();
        QCOMPARE(report.value(QLatin1String("cpu")).toString(), QStringLiteral("unknown"));
        QVERIFY(report.value(QLatin1String("bit")).toInt() >= 32);
    }

    void reportNothingFound()
    {
        QCOMPARE(InventoryReport::compose(QStringLiteral("PC-1"), false, {}),
                 QStringLiteral("{\n"
                                "    \"audioCard\": \"unknown\",\n"
                                "    \"baseboard\": \" \",\n"
                                "    \"bit\": 32,\n"
                                "    \"cpu\": \"unknown\",\n"
                                "    \"diskDrive\": \"unknown\",\n"
                                "    \"host\": \"PC-1\",\n"
                                "    \"monitor\": \"unknown\",\n"
                                "    \"networkAdapter\": \"unknown\",\n"
                                "    \"physicalMemory\": \"unknown\",\n"
                                "    \"system\": \"\",\n"
                                "    \"videoController\": \"unknown\"\n"
                                "}\n"));
    }

    void reportNetworkAdapter_data()
    {
        QTest::addColumn<QStringList>("found"); // "name|description"
        QTest::addColumn<QVariant>("expected"); // invalid: member left out
        QTest::newRow("virtual host-only, then physical")
            << QStringList{"VirtualBox Host-Only|VirtualBox Host-Only Ethernet Adapter",
                           "Intel(R) I219-V|Intel(R) Ethernet Connection I219-V"}
            << QVariant(QStringLiteral("Intel(R) I219-V"));
        QTest::newRow("all VMware")
            << QStringList{"a|VMware Virtual Ethernet", "b|VMware NAT"} << QVariant();
        QTest::newRow("lower-case virtual is not virtual")
            << QStringList{"tap|a virtual tap"} << QVariant(QStringLiteral("tap"));
        QTest::newRow("none") << QStringList{} << QVariant(QStringLiteral("unknown"));
    }

    void reportNetworkAdapter()
    {
        QFETCH(QStringList, found);
        QFETCH(QVariant, expected);
        InventoryReport::Findings findings;
        for (const QString &row : found) {
            NetworkAdapterRecord adapter;
            adapter.name = row.section(QLatin1Char('|'), 0, 0).toStdU16String();
            adapter.description = row.section(QLatin1Char('|'), 1).toStdU16String();
            findings.networkAdapters.push_back(adapter);
        }
        const QJsonObject report = reportObject(findings);
        QCOMPARE(report.size(), expected.isValid() ? 11 : 10);
        QCOMPARE(report.value(QLatin1String("networkAdapter")).toVariant(), expected);
    }

    void reportMemoryText()
    {
        PhysicalMemoryRecord module;
        module.manufacturer = u"Kingston";
        module.speed = 2666;
        module.capacity = 8;
        InventoryReport::Findings findings;
        findings.physicalMemory = {module, module};
        findings.physicalMemory[1].capacity = 16;
        QCOMPARE(reportObject(findings).value(QLatin1String("physicalMemory")).toString(),
                 QStringLiteral("8GB(Kingston 2666MHz)单通道内存"));
        module.manufacturer = u"%4 %1 Corp";
        QCOMPARE(InventoryReport::memoryText(module),
                 QStringLiteral("8GB(%4 %1 Corp 2666MHz)单通道内存"));
    }

    void reportOfDesktopFixture()
    {
        FixtureTree tree;
        Fixtures::desktop(tree);
        const SysRootOverride root(tree.root());
        const QString bit =
            MachineIdentity::is64Bit() ? QStringLiteral("64") : QStringLiteral("32");
        QCOMPARE(InventoryReport::build(),
                 QStringLiteral("{\n"
                                "    \"audioCard\": \"HDA Intel PCH\",\n"
                                "    \"baseboard\": \"ASUSTeK COMPUTER INC. PRIME B365M-A\",\n"
                                "    \"bit\": ") +
                     bit +
                     QStringLiteral(
                         ",\n"
                         "    \"cpu\": \"Intel(R) Core(TM) i5-9400 CPU @ 2.90GHz\",\n"
                         "    \"diskDrive\": \"Samsung SSD 970 EVO Plus 500GB\",\n"
                         "    \"host\": \"sample-desktop\",\n"
                         "    \"monitor\": \"DELL U2415\",\n"
                         "    \"networkAdapter\": \"Intel Corporation Ethernet Connection (7) "
                         "I219-V\",\n"
                         "    \"physicalMemory\": \"8GB(Kingston 2666MHz)单通道内存\",\n"
                         "    \"system\": \"Debian GNU/Linux 12 (bookworm)\",\n"
                         "    \"videoController\": \"Intel Corporation CoffeeLake-S GT2 [UHD "
                         "Graphics 630]\"\n"
                         "}\n"));
    }

    void workersDeliverAndGoAway()
    {
        FixtureTree tree;
        Fixtures::desktop(tree);
        const SysRootOverride root(tree.root());
        ReportSink window;
        QPointer<WorkerThread> first =
            WorkerThread::startScan(&window, &ReportSink::pciinfoResults);
        QPointer<WorkerThread> second =
            WorkerThread::startScan(&window, &ReportSink::pciinfoResults);
        QCOMPARE(first->parent(), &window);

        QTRY_COMPARE(window.reports.size(), 2);
        QVERIFY(window.allOnOwnThread);
        for (const QString &report : qAsConst(window.reports))
            QCOMPARE(QJsonDocument::fromJson(report.toUtf8())
                         .object()
                         .value(QLatin1String("host"))
                         .toString(),
                     QStringLiteral("sample-desktop"));
        QTRY_VERIFY(!first && !second);
        QVERIFY(window.findChildren<QThread *>().isEmpty());
    }

    void workerWaitedForWhenOwnerCloses()
    {
        auto *window = new ReportSink;
        QPointer<WorkerThread> worker =
            WorkerThread::startScan(window, &ReportSink::pciinfoResults);
        delete window; // most likely while the report is still being built
        QVERIFY(!worker);
        QCoreApplication::processEvents(); // a queued result finds no receiver
    }
};

QTEST_GUILESS_MAIN(TestHardware)
#include "tst_hardware.moc"
