#include "account/qtqrcode.h"

#include <QSharedData>
#include <QString>

#include <qrencode.h>

#include <memory>

class QtQrCodeData : public QSharedData {
public:
    int width = 0;
    int version = 0;
    QByteArray buffer;
    int mode = QtQrCode::Text8Bit;
    int micro = 0;
    int caseSensitive = 1;
    int level = QtQrCode::LevelL;
    bool hasMatrix = false;
};

QtQrCode::QtQrCode() : d(new QtQrCodeData) {}

QtQrCode::QtQrCode(const QByteArray &data) : d(new QtQrCodeData)
{
    setData(data);
}

QtQrCode::QtQrCode(const QtQrCode &other) = default;
QtQrCode &QtQrCode::operator=(const QtQrCode &other) = default;
QtQrCode::~QtQrCode() = default;

QByteArray QtQrCode::data() const
{
    return d->buffer;
}

void QtQrCode::setData(const QByteArray &data)
{
    d->buffer = data;
    d->hasMatrix = false;
    encode();
}

int QtQrCode::width() const
{
    return d->width;
}

bool QtQrCode::hasMatrix() const
{
    return d->hasMatrix;
}

int QtQrCode::version() const
{
    return d->version;
}

void QtQrCode::setVersion(int version)
{
    d->version = (version < 0 || version > 4) ? 0 : version;
}

int QtQrCode::mode() const
{
    return d->mode;
}

void QtQrCode::setMode(int mode)
{
    d->mode = mode;
}

bool QtQrCode::micro() const
{
    return d->micro == 1;
}

void QtQrCode::setMicro(bool micro)
{
    d->micro = micro ? 1 : 0;
}

bool QtQrCode::caseSensitive() const
{
    return d->caseSensitive != 0;
}

void QtQrCode::setCaseSensitive(bool caseSensitive)
{
    d->caseSensitive = caseSensitive ? 1 : 0;
}

int QtQrCode::level() const
{
    return d->level;
}

void QtQrCode::setLevel(int level)
{
    d->level = level;
}

void QtQrCode::encode()
{
    if (d->buffer.isEmpty())
        return;
    // The library rejects levels it does not know, but the value must not
    // reach its enumeration type unchecked.
    if (d->level < QR_ECLEVEL_L || d->level > QR_ECLEVEL_H)
        return;
    const auto level = static_cast<QRecLevel>(d->level);
    const bool micro = d->micro == 1;

    QRcode *raw = nullptr;
    switch (d->mode) {
    case RawBytes: {
        const auto *bytes = reinterpret_cast<const unsigned char *>(d->buffer.constData());
        raw = micro ? QRcode_encodeDataMQR(d->buffer.size(), bytes, d->version, level)
                    : QRcode_encodeData(d->buffer.size(), bytes, d->version, level);
        break;
    }
    case Text8Bit: {
        const QByteArray text = QString::fromUtf8(d->buffer).toUtf8();
        raw = micro ? QRcode_encodeStringMQR(text.constData(), d->version, level, QR_MODE_8,
                                             d->caseSensitive)
                    : QRcode_encodeString(text.constData(), d->version, level, QR_MODE_8,
                                          d->caseSensitive);
        break;
    }
    case TextKanji:
        raw = micro ? QRcode_encodeStringMQR(d->buffer.constData(), d->version, level,
                                             QR_MODE_KANJI, d->caseSensitive)
                    : QRcode_encodeString(d->buffer.constData(), d->version, level, QR_MODE_KANJI,
                                          d->caseSensitive);
        break;
    default:
        return;
    }
    if (!raw)
        return;
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> code(raw, &QRcode_free);
    d->width = code->width;
    d->buffer = QByteArray(reinterpret_cast<const char *>(code->data), code->width * code->width);
    d->hasMatrix = true;
}
