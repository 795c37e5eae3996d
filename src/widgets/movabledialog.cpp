#include "widgets/movabledialog.h"

#include <QMouseEvent>

MovableDialog::MovableDialog(QWidget *parent) : QDialog(parent)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
}

MovableDialog::~MovableDialog() = default;

void MovableDialog::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QDialog::mousePressEvent(event);
        return;
    }
    m_pressed = true;
    m_lastPoint = event->globalPos();
}

void MovableDialog::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed) {
        QDialog::mouseMoveEvent(event);
        return;
    }
    // pos() is the frame's corner for a window, so the step stays exact even
    // if a frame is ever added back.
    move(pos() + (event->globalPos() - m_lastPoint));
    m_lastPoint = event->globalPos();
}

void MovableDialog::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QDialog::mouseReleaseEvent(event);
        return;
    }
    m_pressed = false;
}
