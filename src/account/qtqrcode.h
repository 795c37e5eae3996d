#pragma once
// A text and its QR module matrix, as an implicitly shared value. Setting the
// text runs the encoder; after a successful encoding the buffer holds the
// matrix (width x width bytes, bit 0 set for a dark module) instead of the text.

#include <QByteArray>
#include <QSharedDataPointer>

class QtQrCodeData;

class QtQrCode {
public:
    // How the buffer is handed to the encoder.
    enum Mode { RawBytes = 0, Text8Bit = 1, TextKanji = 2 };
    // Error-correction levels, numbered as the library numbers them.
    enum Level { LevelL = 0, LevelM = 1, LevelQ = 2, LevelH = 3 };

    QtQrCode();
    explicit QtQrCode(const QByteArray &data);
    QtQrCode(const QtQrCode &other);
    QtQrCode &operator=(const QtQrCode &other);
    ~QtQrCode();

    QByteArray data() const;
    // Stores the text and encodes it.
    void setData(const QByteArray &data);
    // Modules per side of the last successful encoding; 0 before any.
    int width() const;
    // True when the buffer holds a module matrix rather than text, that is,
    // after the last text set was encoded successfully.
    bool hasMatrix() const;

    int version() const;
    // 0 picks the smallest version that fits; values outside 0..4 store 0.
    void setVersion(int version);
    int mode() const;
    void setMode(int mode);
    bool micro() const;
    void setMicro(bool micro);
    bool caseSensitive() const;
    void setCaseSensitive(bool caseSensitive);
    int level() const;
    void setLevel(int level);

    // Runs the encoder on the buffer; a refused text leaves everything as it was.
    void encode();

private:
    QSharedDataPointer<QtQrCodeData> d;
};
