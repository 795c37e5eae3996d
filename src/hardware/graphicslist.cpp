#include "hardware/graphicslist.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QString>

namespace GraphicsList {

namespace {

bool containsAny(const QString &text, std::initializer_list<const char *> words)
{
    for (const char *word : words) {
        // Hardware ids spell hex digits in upper case (VEN_10DE); the vendor
        // numbers are compared without regard to letter case.
        if (text.contains(QLatin1String(word), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

QString lowerDesc(const DisplayAdapter &adapter)
{
    return QString::fromStdU16String(adapter.desc).toLower();
}

} // namespace

DisplayAdapterList filter(const DisplayAdapterList &adapters)
{
    DisplayAdapterList accepted;
    for (const DisplayAdapter &adapter : adapters) {
        if (containsAny(QString::fromStdU16String(adapter.hardid), {"1002", "8086", "10de"}))
            accepted.push_back(adapter);
        if (accepted.empty() && containsAny(lowerDesc(adapter), {"intel", "nvidia", "amd"}))
            accepted.push_back(adapter);
    }
    if (!accepted.empty())
        return accepted;

    DisplayAdapterList remaining = adapters;
    for (std::size_t i = 0; i < remaining.size();) {
        if (remaining.size() > 1 && lowerDesc(remaining[i]).contains(QLatin1String("oray")))
            remaining.erase(remaining.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }
    return remaining;
}

QByteArray toJson(const DisplayAdapterList &adapters)
{
    QJsonArray array;
    for (const DisplayAdapter &adapter : adapters) {
        array.append(
            QJsonObject{{QStringLiteral("desc"), QString::fromStdU16String(adapter.desc)},
                        {QStringLiteral("hardid"), QString::fromStdU16String(adapter.hardid)}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QByteArray json()
{
    return toJson(filter(AdapterScan::listDisplayAdapters()));
}

QByteArray driversToJson(const DisplayAdapterList &adapters,
                         const std::vector<InstalledDriver> &drivers)
{
    // Both lists come from one enumeration order: the k-th adapter with a
    // hardware id has the k-th driver record with that id, even should the
    // system have changed between the two scans.
    std::vector<const InstalledDriver *> driverOf(adapters.size(), nullptr);
    std::vector<bool> claimed(drivers.size(), false);
    for (std::size_t i = 0; i < adapters.size(); ++i) {
        for (std::size_t j = 0; !driverOf[i] && j < drivers.size(); ++j) {
            if (!claimed[j] && drivers[j].hardid == adapters[i].hardid) {
                driverOf[i] = &drivers[j];
                claimed[j] = true;
            }
        }
    }

    // The filter keeps the adapters' order: walk both lists together.
    QJsonArray array;
    std::size_t next = 0;
    for (const DisplayAdapter &kept : filter(adapters)) {
        while (next < adapters.size() &&
               (adapters[next].hardid != kept.hardid || adapters[next].desc != kept.desc))
            ++next;
        const InstalledDriver none;
        const InstalledDriver &driver =
            next < adapters.size() && driverOf[next] ? *driverOf[next] : none;
        ++next;
        const auto text = [](const std::u16string &value) {
            return QString::fromStdU16String(value);
        };
        array.append(QJsonObject{{QStringLiteral("hardid"), text(kept.hardid)},
                                 {QStringLiteral("platform"), text(driver.platform)},
                                 {QStringLiteral("driver"), text(driver.driver)},
                                 {QStringLiteral("provider"), text(driver.provider)},
                                 {QStringLiteral("version"), text(driver.version)},
                                 {QStringLiteral("date"), text(driver.date)}});
    }
    return QJsonDocument(array).toJson(QJsonDocument::Indented);
}

QByteArray driversJson()
{
    return driversToJson(AdapterScan::listDisplayAdapters(), InstalledDrivers::list());
}

} // namespace GraphicsList
