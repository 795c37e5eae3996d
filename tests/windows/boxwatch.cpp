// Watches for a message box of another program and answers it, for the program
// tests under Wine:
//
//   boxwatch.exe IMAGE TIMEOUT_MS [cancel|iconic]
//
// Waits until a standard dialog (window class #32770: message boxes, the
// system's file and folder choosers) of a process whose executable is named
// IMAGE shows, prints one line
//   box {"caption": "...", "text": "..."}
// (UTF-8; the text is a message box's), presses its OK button (or Cancel) and
// ends with 0; ends with 1 when no dialog shows within TIMEOUT_MS.
// With "iconic" it waits instead for a top-level window of IMAGE to be
// minimised (without a window manager the X server still shows it), prints
// "iconic" and ends with 0.

#include "widetext.h"

#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

namespace {

using WinTest::utf8;

// The message box's text is the static control with this id.
constexpr int kMessageBoxTextId = 0xFFFF;

struct Search {
    std::wstring image;
    bool iconic = false;
    HWND found = nullptr;
};

std::string json(const std::wstring &text)
{
    std::string out = "\"";
    for (const char c : utf8(text)) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\n') {
            out += "\\n";
        } else if (c == '\r') {
            out += "\\r";
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::wstring windowText(HWND window)
{
    if (!window)
        return std::wstring();
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    text.resize(static_cast<std::size_t>(GetWindowTextW(window, text.data(), length + 1)));
    return text;
}

std::wstring imageName(DWORD processId)
{
    HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, processId);
    if (!process)
        return std::wstring();
    wchar_t path[MAX_PATH] = {};
    DWORD size = MAX_PATH;
    std::wstring name;
    if (QueryFullProcessImageNameW(process, 0, path, &size)) {
        name.assign(path, size);
        name = name.substr(name.find_last_of(L"\\/") + 1);
    }
    CloseHandle(process);
    return name;
}

BOOL CALLBACK visit(HWND window, LPARAM data)
{
    auto *search = reinterpret_cast<Search *>(data);
    wchar_t className[32] = {};
    GetClassNameW(window, className, 32);
    const bool wanted = search->iconic
                            ? IsIconic(window) != FALSE
                            : IsWindowVisible(window) && std::wcscmp(className, L"#32770") == 0;
    if (!wanted)
        return TRUE;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (_wcsicmp(imageName(processId).c_str(), search->image.c_str()) != 0)
        return TRUE;
    search->found = window;
    return FALSE;
}

} // namespace

int wmain(int argc, wchar_t **argv)
{
    const bool cancel = argc == 4 && std::wcscmp(argv[3], L"cancel") == 0;
    const bool iconic = argc == 4 && std::wcscmp(argv[3], L"iconic") == 0;
    if (argc != 3 && !cancel && !iconic) {
        std::fprintf(stderr, "usage: boxwatch.exe IMAGE TIMEOUT_MS [cancel|iconic]\n");
        return 2;
    }
    Search search;
    search.image = argv[1];
    search.iconic = iconic;
    const ULONGLONG deadline = GetTickCount64() + std::wcstoul(argv[2], nullptr, 10);
    while (!search.found) {
        EnumWindows(visit, reinterpret_cast<LPARAM>(&search));
        if (search.found)
            break;
        if (GetTickCount64() > deadline) {
            std::printf(iconic ? "not iconic\n" : "no box\n");
            return 1;
        }
        // Another process's window: there is nothing to wait on but the next look.
        Sleep(50);
    }
    if (iconic) {
        std::printf("iconic\n");
        return 0;
    }
    std::printf("box {\"caption\": %s, \"text\": %s}\n", json(windowText(search.found)).c_str(),
                json(windowText(GetDlgItem(search.found, kMessageBoxTextId))).c_str());
    std::fflush(stdout);
    const int button = cancel ? IDCANCEL : IDOK;
    PostMessageW(search.found, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(search.found, button)));
    return 0;
}
