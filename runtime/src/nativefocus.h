#pragma once
// Keyboard focus for a view embedded in another window. The system gives the
// focus to the top-level window only and reports keys to it; the view takes
// the focus itself when it is clicked, as a native child control does.

#include <QWindow>

void takeInputFocus(WId window);
