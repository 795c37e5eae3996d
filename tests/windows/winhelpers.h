#pragma once
// Small Win32 helpers shared by the Windows test cases.

#include "widetext.h"

#include <windows.h>

#include <string>
#include <vector>

namespace WinTest {

// Makes the test program print the machine identifier and exit.
constexpr const char *kPrintIdentifierArgument = "--print-identifier";

// The folder of the test program, with a trailing backslash.
std::wstring programFolder();

struct ChildResult {
    bool started = false;
    DWORD exitCode = 0;
    std::string output; // everything the child wrote to standard output
};

// Runs the test program again with the given argument and waits for it.
ChildResult runSelf(const std::string &argument);

// A message box as the user would see it.
struct ShownBox {
    std::wstring caption;
    std::wstring text;
};

// Answers every message box shown on this thread with OK while it lives, and
// keeps what each one said. One at a time.
class MessageBoxCatcher final {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher &) = delete;
    MessageBoxCatcher &operator=(const MessageBoxCatcher &) = delete;

    bool installed() const { return m_hook != nullptr; }
    const std::vector<ShownBox> &boxes() const { return m_boxes; }

private:
    static LRESULT CALLBACK afterWindowProcedure(int code, WPARAM wParam, LPARAM lParam);

    HHOOK m_hook = nullptr;
    std::vector<ShownBox> m_boxes;
};

} // namespace WinTest
