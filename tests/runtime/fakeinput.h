#pragma once
// Real input through the window system, as a user's mouse and keyboard give it.

#include <QPoint>
#include <QWindow>

namespace FakeInput {

// Gives the system's keyboard focus to a window, as a window manager does
// for the top-level window the user clicks.
bool focus(WId window);
bool click(const QPoint &globalPos);
// Presses and releases the key of a lower-case letter.
bool typeLetter(char letter);

} // namespace FakeInput
