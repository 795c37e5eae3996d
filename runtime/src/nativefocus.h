#pragma once
// Keyboard focus for a view embedded in another window. The window manager
// gives focus to the top-level window only; X then reports keys to that
// window and Qt hands them to it, not to the view, so the view takes the
// focus itself when it is clicked, as a native child control does.

#include <QWindow>

void takeX11InputFocus(WId window);
