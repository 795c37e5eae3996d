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

} // namespace GraphicsList
