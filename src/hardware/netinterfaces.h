#pragma once
// The network interfaces listed under <root>/sys/class/net.

#include <QByteArray>
#include <QString>
#include <QVector>

struct NetInterface {
    QString name;
    int index = 0;
    int type = 0;          // ARPHRD_* number from "type"
    QByteArray address;    // hardware address bytes; empty when there is none
    bool isVirtual = true; // no device behind it (loopback, bridges, tunnels, ...)
    quint16 pciVendor = 0; // backing PCI device, 0 when there is none
    quint16 pciDevice = 0;

    bool isLoopback() const;
};

// Every interface, in interface-index order (name order among equal indexes).
QVector<NetInterface> readNetInterfaces(const QString &root);

// The addresses of interfaces with real hardware behind them, in index order:
// loopback, virtual interfaces and interfaces without an address left out.
QVector<QByteArray> hardwareAddresses(const QString &root);

// "02:fc:00:00:00:01" to its bytes; empty when the text is not such an address.
QByteArray parseHardwareAddress(const QString &text);

// "8086:15BC" (a uevent PCI_ID) to its two numbers.
bool parsePciId(const QString &text, quint16 *vendor, quint16 *device);
