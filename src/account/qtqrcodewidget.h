#pragma once
// Shows a text as a QR code, centred, with a margin and two colours.

#include "account/qtqrcode.h"
#include "account/qtqrcodepainter.h"

#include <QBrush>
#include <QByteArray>
#include <QColor>
#include <QWidget>

class QtQrCodeWidget : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QByteArray data READ data WRITE setData NOTIFY dataChanged)
    Q_PROPERTY(float margin READ margin WRITE setMargin NOTIFY marginChanged)
    Q_PROPERTY(QColor background READ background WRITE setBackground NOTIFY backgroundChanged)
    Q_PROPERTY(QColor foreground READ foreground WRITE setForeground NOTIFY foregroundChanged)

public:
    explicit QtQrCodeWidget(QWidget *parent = nullptr);

    // After a successful encoding this is the module matrix, not the text.
    QByteArray data() const { return m_code.data(); }
    float margin() const { return m_painter.margin(); }
    QColor background() const { return m_painter.background().color(); }
    QColor foreground() const { return m_painter.foreground().color(); }
    const QtQrCode &code() const { return m_code; }

public slots:
    virtual void setMargin(float margin);
    virtual void setBackground(const QColor &color);
    virtual void setForeground(const QColor &color);
    // Encodes and shows `data`, unless the buffer already holds exactly these bytes.
    void setData(const QByteArray &data);

signals:
    void dataChanged(const QByteArray &data);
    void marginChanged(int margin);
    void backgroundChanged(const QBrush &background);
    void foregroundChanged(const QBrush &foreground);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QtQrCode m_code;
    QtQrCodePainter m_painter;
};
