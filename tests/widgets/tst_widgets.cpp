#include "widgets/frameless.h"
#include "widgets/movabledialog.h"

#include <QApplication>
#include <QDialog>
#include <QHoverEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

const QRect StartFrame(100, 100, 400, 300);

// Delivers a mouse event at a global point as the window system would: through
// the application, local position taken from where the widget is right now.
void sendMouse(QWidget *widget, QEvent::Type type, const QPoint &global,
               Qt::MouseButton button = Qt::NoButton, Qt::MouseButtons buttons = Qt::NoButton)
{
    QMouseEvent event(type, widget->mapFromGlobal(global), widget->window()->mapFromGlobal(global),
                      global, button, buttons, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

void drag(QWidget *widget, Qt::MouseButton button, const QPoint &from, const QList<QPoint> &path)
{
    sendMouse(widget, QEvent::MouseButtonPress, from, button, button);
    for (const QPoint &point : path)
        sendMouse(widget, QEvent::MouseMove, point, Qt::NoButton, button);
    sendMouse(widget, QEvent::MouseButtonRelease, path.last(), button);
}

void hover(QWidget *widget, const QPoint &global)
{
    const QPoint local = widget->mapFromGlobal(global);
    QHoverEvent event(QEvent::HoverMove, local, local);
    QApplication::sendEvent(widget, &event);
}

// A target with a filter of its own that would swallow everything it is given.
class RecordingDialog : public QDialog {
public:
    bool eventFilter(QObject *, QEvent *) override
    {
        ++filterCalls;
        return true;
    }
    QList<QEvent::Type> seen;
    int filterCalls = 0;

protected:
    bool event(QEvent *event) override
    {
        seen << event->type();
        return QDialog::event(event);
    }
};

} // namespace

class TestWidgets final : public QObject {
    Q_OBJECT

    std::unique_ptr<RecordingDialog> m_window;
    std::unique_ptr<FrameLess> m_frameLess;

    // A window without a cursor of its own shows the arrow.
    int cursor() const { return m_window->cursor().shape(); }

private slots:
    void init()
    {
        m_window = std::make_unique<RecordingDialog>();
        m_frameLess = std::make_unique<FrameLess>(m_window.get());
        QCOMPARE(m_window->windowFlags(), Qt::Window | Qt::FramelessWindowHint);
        m_window->setMinimumSize(300, 200);
        m_window->setGeometry(StartFrame);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
        QCOMPARE(m_window->frameGeometry(), StartFrame);
    }

    void cleanup()
    {
        m_frameLess.reset();
        m_window.reset();
    }

    void edgeAt_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<FrameLess::Edge>("edge");
        QTest::newRow("left") << QPoint(103, 250) << FrameLess::Left;
        QTest::newRow("bottom") << QPoint(250, 397) << FrameLess::Bottom;
        QTest::newRow("bottom right") << QPoint(498, 398) << FrameLess::BottomRight;
        QTest::newRow("top left") << QPoint(102, 102) << FrameLess::TopLeft;
        QTest::newRow("interior") << QPoint(106, 250) << FrameLess::None;
        QTest::newRow("left band outside") << QPoint(95, 250) << FrameLess::Left;
        QTest::newRow("past left band") << QPoint(94, 250) << FrameLess::None;
        QTest::newRow("right one past") << QPoint(500, 250) << FrameLess::Right;
        QTest::newRow("bottom one past") << QPoint(250, 400) << FrameLess::Bottom;
        QTest::newRow("left beats top left") << QPoint(105, 105) << FrameLess::Left;
        QTest::newRow("top beats top left") << QPoint(105, 100) << FrameLess::Top;
        QTest::newRow("outer bottom left") << QPoint(100, 400) << FrameLess::BottomLeft;
    }

    void edgeAt()
    {
        QFETCH(QPoint, point);
        QFETCH(FrameLess::Edge, edge);
        QCOMPARE(FrameLess::edgeAt(point, StartFrame, 5), edge);
    }

    void hoverCursor_data()
    {
        QTest::addColumn<QPoint>("point");
        QTest::addColumn<int>("shape");
        QTest::newRow("left") << QPoint(103, 250) << int(Qt::SizeHorCursor);
        QTest::newRow("bottom") << QPoint(250, 397) << int(Qt::SizeVerCursor);
        QTest::newRow("bottom right") << QPoint(498, 398) << int(Qt::SizeFDiagCursor);
        QTest::newRow("top left") << QPoint(102, 102) << int(Qt::SizeFDiagCursor);
        QTest::newRow("top right") << QPoint(498, 102) << int(Qt::SizeBDiagCursor);
    }

    void hoverCursor()
    {
        QFETCH(QPoint, point);
        QFETCH(int, shape);
        hover(m_window.get(), point);
        QCOMPARE(cursor(), shape);
        sendMouse(m_window.get(), QEvent::MouseMove, QPoint(300, 250));
        QCOMPARE(cursor(), int(Qt::ArrowCursor));
        sendMouse(m_window.get(), QEvent::MouseMove, point);
        QCOMPARE(cursor(), shape);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(m_window.get(), &leave);
        QCOMPARE(cursor(), int(Qt::ArrowCursor));
    }

    void noCursorWhenMaximised_data()
    {
        QTest::addColumn<Qt::WindowState>("state");
        QTest::newRow("maximised") << Qt::WindowMaximized;
        QTest::newRow("full screen") << Qt::WindowFullScreen;
    }

    void noCursorWhenMaximised()
    {
        QFETCH(Qt::WindowState, state);
        hover(m_window.get(), QPoint(103, 250));
        QCOMPARE(cursor(), int(Qt::SizeHorCursor));
        m_window->setWindowState(state);
        QTRY_VERIFY(m_window->windowState() & state);
        const QRect frame = m_window->frameGeometry();
        hover(m_window.get(), frame.topLeft() + QPoint(3, frame.height() / 2));
        QCOMPARE(cursor(), int(Qt::ArrowCursor));
        sendMouse(m_window.get(), QEvent::MouseMove, frame.bottomRight() - QPoint(1, 1));
        QCOMPARE(cursor(), int(Qt::ArrowCursor));
    }

    void resize_data()
    {
        QTest::addColumn<QPoint>("press");
        QTest::addColumn<QList<QPoint>>("path");
        QTest::addColumn<QRect>("expected");
        const QPoint end(499, 399);
        QTest::newRow("left") << QPoint(103, 250) << QList<QPoint>{{80, 250}, {63, 251}}
                              << QRect(QPoint(63, 100), end);
        QTest::newRow("top left") << QPoint(102, 102) << QList<QPoint>{{80, 70}}
                                  << QRect(QPoint(80, 70), end);
        QTest::newRow("top right") << QPoint(498, 102) << QList<QPoint>{{520, 90}}
                                   << QRect(QPoint(100, 90), QPoint(520, 399));
        QTest::newRow("bottom right")
            << QPoint(498, 398) << QList<QPoint>{{520, 410}, {600, 500}, {550, 420}}
            << QRect(QPoint(100, 100), QPoint(550, 420));
        QTest::newRow("left held at minimum")
            << QPoint(103, 250) << QList<QPoint>{{176, 250}, {250, 250}}
            << QRect(QPoint(176, 100), end);
        QTest::newRow("right clamped to minimum")
            << QPoint(497, 250) << QList<QPoint>{{350, 250}} << QRect(100, 100, 300, 300);
        // Both edges hold: clamping the height alone would push the bottom out.
        QTest::newRow("top left past both minimums")
            << QPoint(102, 102) << QList<QPoint>{{450, 350}} << StartFrame;
    }

    void resize()
    {
        QFETCH(QPoint, press);
        QFETCH(QList<QPoint>, path);
        QFETCH(QRect, expected);
        drag(m_window.get(), Qt::LeftButton, press, path);
        QCOMPARE(m_window->frameGeometry(), expected);
        sendMouse(m_window.get(), QEvent::MouseMove, QPoint(30, 30));
        QCOMPARE(m_window->frameGeometry(), expected);
    }

    void resizeNeverFoldsWindow()
    {
        QDialog window; // no minimum size
        FrameLess frameLess(&window);
        window.setGeometry(StartFrame);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        drag(&window, Qt::LeftButton, QPoint(497, 250), {{50, 250}});
        QCOMPARE(window.frameGeometry(), QRect(100, 100, 1, 300));
        QVERIFY(!window.testAttribute(Qt::WA_OutsideWSRange));
    }

    void pressInsideMoves_data()
    {
        QTest::addColumn<QPoint>("firstPress");
        QTest::newRow("inner area") << QPoint(300, 250);
        QTest::newRow("edge, then inner area") << QPoint(103, 250);
    }

    void pressInsideMoves()
    {
        QFETCH(QPoint, firstPress);
        sendMouse(m_window.get(), QEvent::MouseButtonPress, firstPress, Qt::LeftButton,
                  Qt::LeftButton);
        drag(m_window.get(), Qt::LeftButton, QPoint(300, 250), {{310, 255}, {340, 270}});
        QCOMPARE(m_window->frameGeometry(), StartFrame.translated(40, 20));
        QVERIFY(!m_window->seen.contains(QEvent::MouseButtonPress));
    }

    void rightButtonDoesNothing()
    {
        for (const QPoint press : {QPoint(103, 250), QPoint(498, 398), QPoint(300, 250)})
            drag(m_window.get(), Qt::RightButton, press, {{200, 200}, {450, 350}});
        QCOMPARE(m_window->frameGeometry(), StartFrame);
        // Presses it does not act on stay the target's.
        QCOMPARE(m_window->seen.count(QEvent::MouseButtonPress), 3);
    }

    void otherEventsReachTarget()
    {
        QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier);
        QApplication::sendEvent(m_window.get(), &key);
        QVERIFY(m_window->seen.contains(QEvent::KeyPress));
        QCOMPARE(m_window->filterCalls, 0);

        m_frameLess.reset();
        sendMouse(m_window.get(), QEvent::MouseButtonPress, QPoint(103, 250), Qt::LeftButton,
                  Qt::LeftButton);
        QVERIFY(m_window->seen.contains(QEvent::MouseButtonPress));
    }

    void dialogDrag_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("child");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QPoint>("shift");
        const int left = Qt::LeftButton;
        QTest::newRow("one step") << left << QString() << 1 << QPoint(30, 10);
        QTest::newRow("seven steps") << left << QString() << 7 << QPoint(30, 10);
        QTest::newRow("right button") << int(Qt::RightButton) << QString() << 4 << QPoint();
        QTest::newRow("no press") << int(Qt::NoButton) << QString() << 4 << QPoint();
        QTest::newRow("on a label") << left << "label" << 3 << QPoint(30, 10);
        QTest::newRow("on a button") << left << "button" << 3 << QPoint();
    }

    void dialogDrag()
    {
        QFETCH(int, button);
        QFETCH(QString, child);
        QFETCH(int, steps);
        QFETCH(QPoint, shift);
        MovableDialog dialog;
        QCOMPARE(dialog.frameMargin(), 1);
        QCOMPARE(dialog.windowType(), Qt::Dialog);
        QVERIFY(dialog.windowFlags() & Qt::FramelessWindowHint);
        dialog.setMouseTracking(true); // or moves without buttons never reach it
        QWidget *receiver = &dialog;
        if (child == "label")
            receiver = new QLabel(QStringLiteral("text"), &dialog);
        else if (child == "button")
            receiver = new QPushButton(QStringLiteral("button"), &dialog);
        dialog.setGeometry(200, 150, 300, 200);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));

        const QPoint start = dialog.pos();
        const QPoint from = receiver->mapToGlobal(QPoint(5, 5));
        const auto mouseButton = Qt::MouseButton(button);
        if (mouseButton != Qt::NoButton)
            sendMouse(receiver, QEvent::MouseButtonPress, from, mouseButton, mouseButton);
        for (int i = 1; i <= steps; ++i) {
            const QPoint at = from + QPoint(30 * i / steps, 10 * i / steps);
            sendMouse(receiver, QEvent::MouseMove, at, Qt::NoButton, mouseButton);
        }
        if (mouseButton != Qt::NoButton)
            sendMouse(receiver, QEvent::MouseButtonRelease, from + QPoint(30, 10), mouseButton);
        QCOMPARE(dialog.pos() - start, shift);
        sendMouse(receiver, QEvent::MouseMove, from + QPoint(80, 60));
        QCOMPARE(dialog.pos() - start, shift);
    }
};

QTEST_MAIN(TestWidgets)
#include "tst_widgets.moc"
