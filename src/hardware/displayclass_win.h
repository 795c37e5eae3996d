#pragma once
// The present devices of Windows' display class as SetupAPI lists them, and
// their registry properties as text: what the adapter scan and the installed
// driver list both read.

#include <windows.h>

#include <setupapi.h>

#include <functional>
#include <string>

namespace DisplayClass {

// Calls each for every present display device, in the system's order.
// Does nothing when the class cannot be listed.
void forEachDevice(const std::function<void(HDEVINFO, SP_DEVINFO_DATA *)> &each);

// A device registry property as text: the first entry of a list, a number in
// decimal digits. Never fails: a property that cannot be read is the empty text.
std::u16string propertyText(HDEVINFO set, SP_DEVINFO_DATA *device, DWORD property);

// The text of units up to the first NUL, at most count units.
std::u16string textUpToNul(const wchar_t *units, std::size_t count);

} // namespace DisplayClass
