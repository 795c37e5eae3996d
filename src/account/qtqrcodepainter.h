#pragma once
// Draws a QR module matrix as the largest square centred in an area, with a
// quiet zone of `margin` pixels inside the square. Positions and sizes keep
// their fractions: modules are not snapped to whole pixels.

#include <QBrush>

class QPainter;
class QtQrCode;

class QtQrCodePainter {
public:
    QtQrCodePainter();

    float margin() const { return m_margin; }
    void setMargin(float margin) { m_margin = margin; }
    QBrush background() const { return m_background; }
    void setBackground(const QBrush &brush) { m_background = brush; }
    QBrush foreground() const { return m_foreground; }
    void setForeground(const QBrush &brush) { m_foreground = brush; }

    // Paints `code` into the area (0, 0, width, height). Draws nothing at all
    // while the code holds no module matrix (empty, or a text the encoder refused).
    void paint(const QtQrCode &code, QPainter &painter, int width, int height);

private:
    float m_margin = 0;
    float m_x0 = 0;
    float m_y0 = 0;
    QBrush m_background;
    QBrush m_foreground;
};
