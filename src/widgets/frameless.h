#pragma once
// Gives a frameless top-level widget what a system frame would: resizing by its
// edges and corners with the matching cursors, and moving by its inner area.
// It works purely as an event filter on the target.

#include <QObject>
#include <QPoint>
#include <QPointer>

#include <memory>

class QEvent;
class QMouseEvent;
class QRect;
class QRubberBand;
class QWidget;

class FrameLess final : public QObject {
    Q_OBJECT

public:
    enum Edge {
        None = 0,
        Left = 1,
        Top = 2,
        Right = 4,
        Bottom = 8,
        TopLeft = 16,
        TopRight = 32,
        BottomLeft = 64,
        BottomRight = 128
    };
    Q_ENUM(Edge)

    static constexpr int DefaultBorderWidth = 5;

    // Takes over the target's window flags and installs itself as its event
    // filter. The target is not owned.
    explicit FrameLess(QWidget *target);
    ~FrameLess() override;

    // The sensitive band of `frame` (global coordinates) under `global`, `border`
    // pixels wide; the first matching band wins, so corners lose to the sides
    // where they overlap.
    static Edge edgeAt(const QPoint &global, const QRect &frame, int border);

    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void handlePress(const QMouseEvent *event);
    void handleMove(const QMouseEvent *event);
    void resizeTo(const QPoint &global);
    void updateHover(const QPoint &global);
    void removeCursor();

    QPointer<QWidget> m_target;
    std::unique_ptr<QRubberBand> m_rubberBand;
    bool m_cursorChanged = false;
    bool m_pressed = false;
    Edge m_pressedEdge = None;
    Edge m_hoverEdge = None;
    int m_borderWidth = DefaultBorderWidth;
    QPoint m_dragStart;
    bool m_moving = false;
};
