#include "fakeinput.h"

#include <windows.h>

namespace {

bool send(INPUT *inputs, UINT count)
{
    return SendInput(count, inputs, sizeof(INPUT)) == count;
}

} // namespace

namespace FakeInput {

bool focus(WId window)
{
    return SetForegroundWindow(reinterpret_cast<HWND>(window)) != FALSE;
}

bool click(const QPoint &globalPos)
{
    if (!SetCursorPos(globalPos.x(), globalPos.y()))
        return false;
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_MOUSE;
    inputs[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    inputs[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return send(inputs, 2);
}

bool typeLetter(char letter)
{
    const SHORT key = VkKeyScanA(letter);
    if (key == -1)
        return false;
    INPUT inputs[2] = {};
    inputs[0].type = inputs[1].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = inputs[1].ki.wVk = WORD(LOBYTE(key));
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    return send(inputs, 2);
}

} // namespace FakeInput
