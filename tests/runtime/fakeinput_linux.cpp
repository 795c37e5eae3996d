#include "fakeinput.h"

// After the Qt headers: Xlib defines names Qt uses.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

namespace {

// One connection of the test's own, apart from Qt's.
Display *display()
{
    static Display *const d = XOpenDisplay(nullptr);
    return d;
}

} // namespace

namespace FakeInput {

bool focus(WId window)
{
    if (!display())
        return false;
    XSetInputFocus(display(), ::Window(window), RevertToParent, CurrentTime);
    XFlush(display());
    return true;
}

bool click(const QPoint &globalPos)
{
    if (!display())
        return false;
    XTestFakeMotionEvent(display(), -1, globalPos.x(), globalPos.y(), CurrentTime);
    XTestFakeButtonEvent(display(), 1, True, CurrentTime);
    XTestFakeButtonEvent(display(), 1, False, CurrentTime);
    XFlush(display());
    return true;
}

bool typeLetter(char letter)
{
    if (!display())
        return false;
    const KeyCode code = XKeysymToKeycode(display(), KeySym(letter));
    if (!code)
        return false;
    XTestFakeKeyEvent(display(), code, True, CurrentTime);
    XTestFakeKeyEvent(display(), code, False, CurrentTime);
    XFlush(display());
    return true;
}

} // namespace FakeInput
