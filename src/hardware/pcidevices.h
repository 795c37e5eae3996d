#pragma once
// PCI functions listed under <root>/sys/bus/pci/devices, and their names from
// the PCI id database (pci.ids through libpci).

#include "hardware/adapterscan.h"

#include <QString>
#include <QVector>

struct PciDevice {
    QString slot; // "0000:01:00.0"
    quint32 classCode = 0;
    quint16 vendor = 0;
    quint16 device = 0;
    quint16 subsystemVendor = 0;
    quint16 subsystemDevice = 0;
    quint8 revision = 0;

    bool isDisplay() const { return (classCode >> 16) == 0x03; }
    // "PCI\VEN_10DE&DEV_1C82&SUBSYS_11BF1462&REV_A1", as Windows writes it.
    QString hardwareId() const;
};

// Every PCI function with readable ids, in bus order.
QVector<PciDevice> readPciDevices(const QString &root);

// Vendor and device names as lspci prints them ("NVIDIA Corporation GP107
// [GeForce GTX 1050 Ti]"), with the numbers standing in for what the database
// lacks. The database is the machine tree's own <root>/usr/share/misc/pci.ids
// when it has one, else the system's; each is read once per process, on its
// first lookup. Any thread may ask.
namespace PciNames {
QString name(quint16 vendor, quint16 device, const QString &root = QString());
QString vendorName(quint16 vendor, const QString &root = QString());
} // namespace PciNames

// The display-class functions (0x03xxxx) in bus order, named.
DisplayAdapterList pciDisplayAdapters(const QString &root);
