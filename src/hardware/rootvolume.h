#pragma once
// The serial number of the volume that holds the root file system: the Linux
// side of the volume serial in the machine identifier.

#include <QByteArray>
#include <QString>

#include <cstdint>

namespace RootVolume {

struct Mount {
    QString device; // "major:minor"
    QString source; // e.g. "/dev/sda2"
};

// The mount at "/" in mountinfo text; the last one wins, as it hides the
// earlier ones. Empty fields when there is none.
Mount rootMount(const QByteArray &mountinfo);

// The last eight hex digits of a volume UUID or serial ("ABCD-1234" for FAT,
// 16 digits for NTFS, a UUID for ext4 and others). For FAT and NTFS this is
// the number Windows reports as the volume serial.
bool serialFromUuid(const QString &uuid, uint32_t *serial);

// The UUID under <root>/dev/disk/by-uuid that names the root volume's device;
// failing that, the file system id statfs reports for <root> (derived from the
// file system's own UUID on ext4 and btrfs, so it survives reboots). 0 when
// neither is available.
uint32_t serial(const QString &root);

} // namespace RootVolume
