#include "widgets/frameless.h"

#include <QEvent>
#include <QHoverEvent>
#include <QMouseEvent>
#include <QRect>
#include <QRubberBand>
#include <QWidget>

FrameLess::FrameLess(QWidget *target) : QObject(nullptr), m_target(target)
{
    Q_ASSERT(target);
    m_target->setMouseTracking(true);
    // A plain frameless top-level window: whatever type the target had (a
    // dialog, say) is dropped with the rest of its flags.
    m_target->setWindowFlags(Qt::FramelessWindowHint);
    m_target->setAttribute(Qt::WA_Hover);
    m_target->installEventFilter(this);

    // Never shown: it only carries the geometry a resize started from.
    m_rubberBand = std::make_unique<QRubberBand>(QRubberBand::Rectangle);
}

FrameLess::~FrameLess()
{
    // The target may outlive us, or be gone already.
    if (m_target)
        m_target->removeEventFilter(this);
}

FrameLess::Edge FrameLess::edgeAt(const QPoint &global, const QRect &frame, int border)
{
    const int x = frame.x();
    const int y = frame.y();
    const int w = frame.width();
    const int h = frame.height();
    const int m = border;

    struct Band {
        Edge edge;
        int left, right, top, bottom;
    };
    // The left band reaches outside the window, the right and bottom ones a
    // pixel past the last column and row; the order decides the overlaps.
    const Band bands[] = {
        {Left, x - m, x + m, y + m, y + h - m},
        {Right, x + w - m, x + w, y + m, y + h - m},
        {Bottom, x + m, x + w - m, y + h - m, y + h},
        {Top, x + m, x + w - m, y, y + m},
        {BottomLeft, x, x + m, y + h - m, y + h},
        {BottomRight, x + w - m, x + w, y + h - m, y + h},
        {TopRight, x + w - m, x + w, y, y + m},
        {TopLeft, x, x + m, y, y + m},
    };
    for (const Band &band : bands) {
        if (global.x() >= band.left && global.x() <= band.right && global.y() >= band.top &&
            global.y() <= band.bottom)
            return band.edge;
    }
    return None;
}

bool FrameLess::eventFilter(QObject *watched, QEvent *event)
{
    if (m_target && watched == m_target) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const auto *mouse = static_cast<QMouseEvent *>(event);
            if (mouse->button() != Qt::LeftButton)
                break;
            handlePress(mouse);
            return true;
        }
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent *>(event)->button() != Qt::LeftButton)
                break;
            m_pressed = false;
            m_moving = false;
            return true;
        case QEvent::MouseMove:
            handleMove(static_cast<QMouseEvent *>(event));
            return true;
        case QEvent::HoverMove:
            updateHover(m_target->mapToGlobal(static_cast<QHoverEvent *>(event)->pos()));
            return true;
        case QEvent::Leave:
            if (!m_pressed)
                removeCursor();
            return true;
        default:
            break;
        }
    }
    // Anything else travels on to the target's other filters and to the
    // target itself. Handing it to the target's own eventFilter() instead
    // would run a filter the target never installed on itself, and let it
    // swallow the target's own events.
    return QObject::eventFilter(watched, event);
}

void FrameLess::handlePress(const QMouseEvent *event)
{
    m_pressed = true;
    const QRect frame = m_target->frameGeometry();
    m_pressedEdge = edgeAt(event->globalPos(), frame, m_borderWidth);
    if (m_pressedEdge != None)
        m_rubberBand->setGeometry(frame);

    const int m = m_borderWidth;
    m_moving = m_target->rect().adjusted(m, m, -m, -m).contains(event->pos());
    if (m_moving)
        m_dragStart = event->pos();
}

void FrameLess::handleMove(const QMouseEvent *event)
{
    if (!m_pressed) {
        updateHover(event->globalPos());
        return;
    }
    if (m_moving)
        m_target->move(event->pos() - m_dragStart + m_target->frameGeometry().topLeft());
    if (m_pressedEdge != None)
        resizeTo(event->globalPos());
}

void FrameLess::resizeTo(const QPoint &global)
{
    const QRect start = m_rubberBand->frameGeometry();
    int left = start.left();
    int top = start.top();
    int right = start.right();
    int bottom = start.bottom();
    if (m_pressedEdge & (Left | TopLeft | BottomLeft))
        left = global.x();
    if (m_pressedEdge & (Top | TopLeft | TopRight))
        top = global.y();
    if (m_pressedEdge & (Right | TopRight | BottomRight))
        right = global.x();
    if (m_pressedEdge & (Bottom | BottomLeft | BottomRight))
        bottom = global.y();

    QRect rect(QPoint(left, top), QPoint(right, bottom));
    const QRect current = m_target->frameGeometry();
    // Width and height are held independently: a corner dragged past both
    // minimums must keep both its edges, or the size clamp below would push
    // the opposite edge outwards. A window is never allowed to fold to nothing.
    const QSize minimum = m_target->minimumSize().expandedTo(QSize(1, 1));
    if (rect.width() < minimum.width())
        rect.setLeft(current.x());
    if (rect.height() < minimum.height())
        rect.setTop(current.y());
    rect.setSize(rect.size().expandedTo(minimum));

    m_target->setGeometry(rect);
    m_rubberBand->setGeometry(rect);
}

void FrameLess::updateHover(const QPoint &global)
{
    if (m_target->isFullScreen() || m_target->isMaximized()) {
        if (m_cursorChanged)
            removeCursor();
        return;
    }
    if (m_pressed)
        return;

    m_hoverEdge = edgeAt(global, m_target->frameGeometry(), m_borderWidth);
    m_cursorChanged = true;
    switch (m_hoverEdge) {
    case Top:
    case Bottom:
        m_target->setCursor(Qt::SizeVerCursor);
        break;
    case Left:
    case Right:
        m_target->setCursor(Qt::SizeHorCursor);
        break;
    case TopLeft:
    case BottomRight:
        m_target->setCursor(Qt::SizeFDiagCursor);
        break;
    case TopRight:
    case BottomLeft:
        m_target->setCursor(Qt::SizeBDiagCursor);
        break;
    case None:
        removeCursor();
        break;
    }
}

void FrameLess::removeCursor()
{
    m_target->unsetCursor();
    m_cursorChanged = false;
}
