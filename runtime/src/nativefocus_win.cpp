#include "nativefocus.h"

#include <windows.h>

void takeInputFocus(WId window)
{
    // A child window is not activated by a click of its own; the top-level
    // window keeps the keys unless the child asks for them.
    SetFocus(reinterpret_cast<HWND>(window));
}
