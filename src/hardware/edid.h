#pragma once
// Parser of a monitor's EDID base block: the manufacturer's PNP id, the
// product code and the name from the monitor name descriptor.

#include <QByteArray>
#include <QString>

namespace Edid {

struct Monitor {
    bool valid = false;     // header and checksum of the base block are right
    QString manufacturerId; // three letters, e.g. "DEL"
    quint16 productCode = 0;
    QString name; // empty when the block has no name descriptor
};

// Anything shorter than the 128-byte base block, with another header or a
// wrong checksum, is not valid.
Monitor parse(const QByteArray &blob);

// The three letters packed into the big-endian manufacturer word.
QString manufacturerId(quint8 high, quint8 low);

} // namespace Edid
