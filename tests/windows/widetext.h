#pragma once
// UTF-8 to and from Windows' UTF-16, for the Windows test programs.

#include <string>

namespace WinTest {

std::string utf8(const std::wstring &text);
std::string utf8(const std::u16string &text);
std::wstring wide(const std::string &utf8);

} // namespace WinTest
