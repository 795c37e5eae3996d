#include "account/qtqrcodepainter.h"

#include "account/qtqrcode.h"

#include <QPainter>

QtQrCodePainter::QtQrCodePainter()
    : m_background(Qt::white, Qt::SolidPattern), m_foreground(Qt::black, Qt::SolidPattern)
{
}

void QtQrCodePainter::paint(const QtQrCode &code, QPainter &painter, int width, int height)
{
    const auto w = static_cast<float>(width);
    const auto h = static_cast<float>(height);
    m_x0 = 0;
    m_y0 = 0;
    float side = 0;
    if (w / h > 1) {
        m_x0 = w * 0.5f - h * 0.5f;
        side = h;
    } else {
        m_y0 = h * 0.5f - w * 0.5f;
        side = w;
    }

    const QByteArray matrix = code.data();
    if (matrix.isEmpty() || !code.hasMatrix())
        return;
    const int n = qMax(1, code.width());
    if (matrix.size() < n * n)
        return;

    const auto module =
        static_cast<float>((static_cast<double>(side) - 2.0 * static_cast<double>(m_margin)) / n);
    const QRectF square(m_x0, m_y0, side, side);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_foreground);
    painter.setClipRect(square);
    painter.fillRect(square, m_background);

    const float left = m_margin + m_x0;
    const float top = m_margin + m_y0;
    const char *cell = matrix.constData();
    for (int r = 0; r < n; ++r) {
        for (int c = 0; c < n; ++c, ++cell) {
            if (*cell & 1) {
                painter.drawRect(QRectF(static_cast<float>(c) * module + left,
                                        static_cast<float>(r) * module + top, module, module));
            }
        }
    }
}
