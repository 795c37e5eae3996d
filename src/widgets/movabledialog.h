#pragma once
// Base of the program's own frameless dialogs: with no title bar to grab, the
// dialog follows a left-button drag on its own surface. Children that take
// mouse input themselves (buttons, line edits) do not start a drag.

#include <QDialog>
#include <QPoint>

class QMouseEvent;

class MovableDialog : public QDialog {
    Q_OBJECT

public:
    explicit MovableDialog(QWidget *parent = nullptr);
    ~MovableDialog() override;

    // Contents margin, on all four sides, of a derived dialog's main layout.
    int frameMargin() const { return m_frameMargin; }

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    bool m_pressed = false;
    QPoint m_lastPoint;
    int m_frameMargin = 1;
};
