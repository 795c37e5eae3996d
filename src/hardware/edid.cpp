#include "hardware/edid.h"

#include <algorithm>

namespace Edid {

namespace {

constexpr int kBlockSize = 128;
constexpr int kFirstDescriptor = 54;
constexpr int kDescriptorSize = 18;
constexpr quint8 kNameTag = 0xfc;

// Name descriptor text: up to 13 bytes, ended by a line feed, padded with spaces.
QString descriptorText(const uchar *descriptor)
{
    QByteArray text;
    for (int i = 5; i < kDescriptorSize && descriptor[i] != '\n' && descriptor[i] != 0; ++i)
        text.append(static_cast<char>(descriptor[i]));
    return QString::fromLatin1(text).trimmed();
}

} // namespace

QString manufacturerId(quint8 high, quint8 low)
{
    const quint16 word = quint16(high << 8 | low);
    QString id;
    for (const int shift : {10, 5, 0}) {
        const int letter = (word >> shift) & 0x1f;
        if (letter < 1 || letter > 26)
            return QString();
        id.append(QLatin1Char(char('A' + letter - 1)));
    }
    return id;
}

Monitor parse(const QByteArray &blob)
{
    Monitor monitor;
    if (blob.size() < kBlockSize)
        return monitor;
    const auto *block = reinterpret_cast<const uchar *>(blob.constData());
    static const uchar header[8] = {0x00, 0xff, 0xff, 0xff, 0xff, 0xff, 0xff, 0x00};
    if (!std::equal(header, header + 8, block))
        return monitor;
    quint8 sum = 0;
    for (int i = 0; i < kBlockSize; ++i)
        sum = quint8(sum + block[i]);
    if (sum != 0)
        return monitor;

    monitor.valid = true;
    monitor.manufacturerId = manufacturerId(block[8], block[9]);
    monitor.productCode = quint16(block[10] | block[11] << 8);
    for (int offset = kFirstDescriptor; offset + kDescriptorSize <= kBlockSize;
         offset += kDescriptorSize) {
        const uchar *descriptor = block + offset;
        // Display descriptors start with a zero pixel clock.
        if (descriptor[0] == 0 && descriptor[1] == 0 && descriptor[3] == kNameTag) {
            monitor.name = descriptorText(descriptor);
            break;
        }
    }
    return monitor;
}

} // namespace Edid
