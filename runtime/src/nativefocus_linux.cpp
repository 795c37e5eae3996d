#include "nativefocus.h"

#include <QGuiApplication>

#include <xcb/xcb.h>

namespace {

// A connection of our own: Qt's is not reachable through public interfaces.
class X11Connection final {
public:
    X11Connection() : m_connection(xcb_connect(nullptr, nullptr)) {}
    ~X11Connection() { xcb_disconnect(m_connection); }
    X11Connection(const X11Connection &) = delete;
    X11Connection &operator=(const X11Connection &) = delete;

    xcb_connection_t *get() const
    {
        return xcb_connection_has_error(m_connection) ? nullptr : m_connection;
    }

private:
    xcb_connection_t *m_connection;
};

} // namespace

void takeInputFocus(WId window)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    static const X11Connection connection;
    if (xcb_connection_t *c = connection.get()) {
        xcb_set_input_focus(c, XCB_INPUT_FOCUS_PARENT, xcb_window_t(window), XCB_CURRENT_TIME);
        xcb_flush(c);
    }
}
