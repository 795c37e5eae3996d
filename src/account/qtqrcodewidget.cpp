#include "account/qtqrcodewidget.h"

#include <QPainter>

QtQrCodeWidget::QtQrCodeWidget(QWidget *parent) : QWidget(parent)
{
    m_code.setVersion(0);
    m_code.setMode(QtQrCode::Text8Bit);
    m_code.setMicro(false);
    m_code.setCaseSensitive(true);
    m_code.setLevel(QtQrCode::LevelL);
}

void QtQrCodeWidget::setData(const QByteArray &data)
{
    if (data == m_code.data())
        return;
    m_code.setData(data);
    repaint();
    emit dataChanged(m_code.data());
}

void QtQrCodeWidget::setMargin(float margin)
{
    if (margin == m_painter.margin())
        return;
    m_painter.setMargin(margin);
    repaint();
    emit marginChanged(static_cast<int>(margin));
}

void QtQrCodeWidget::setBackground(const QColor &color)
{
    const QBrush brush(color, Qt::SolidPattern);
    if (brush == m_painter.background())
        return;
    m_painter.setBackground(brush);
    repaint();
    emit backgroundChanged(brush);
}

void QtQrCodeWidget::setForeground(const QColor &color)
{
    const QBrush brush(color, Qt::SolidPattern);
    if (brush == m_painter.foreground())
        return;
    m_painter.setForeground(brush);
    repaint();
    emit foregroundChanged(brush);
}

void QtQrCodeWidget::paintEvent(QPaintEvent *event)
{
    QWidget::paintEvent(event);
    QPainter painter(this);
    m_painter.paint(m_code, painter, width(), height());
}
