#include "winhelpers.h"

namespace WinTest {

namespace {

// The message box's text is the static control with this id.
constexpr int kMessageBoxTextId = 0xFFFF;

MessageBoxCatcher *g_catcher = nullptr;

std::wstring windowText(HWND window)
{
    const int length = GetWindowTextLengthW(window);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(window, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text;
}

} // namespace

std::wstring programFolder()
{
    std::wstring path(MAX_PATH, L'\0');
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), MAX_PATH);
    path.resize(length);
    return path.substr(0, path.find_last_of(L'\\') + 1);
}

ChildResult runSelf(const std::string &argument)
{
    ChildResult result;
    SECURITY_ATTRIBUTES inheritable{};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    HANDLE readEnd = nullptr;
    HANDLE writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inheritable, 0))
        return result;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);

    std::wstring program(MAX_PATH, L'\0');
    program.resize(GetModuleFileNameW(nullptr, program.data(), MAX_PATH));
    std::wstring commandLine =
        L"\"" + program + L"\" " + std::wstring(argument.begin(), argument.end());

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process{};
    result.started = CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0,
                                    nullptr, nullptr, &startup, &process) != FALSE;
    CloseHandle(writeEnd);
    if (result.started) {
        char chunk[256];
        DWORD got = 0;
        while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
            result.output.append(chunk, got);
        WaitForSingleObject(process.hProcess, INFINITE);
        GetExitCodeProcess(process.hProcess, &result.exitCode);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CloseHandle(readEnd);
    return result;
}

MessageBoxCatcher::MessageBoxCatcher()
{
    if (g_catcher)
        return;
    m_hook = SetWindowsHookExW(WH_CALLWNDPROCRET, &MessageBoxCatcher::afterWindowProcedure, nullptr,
                               GetCurrentThreadId());
    if (m_hook)
        g_catcher = this;
}

MessageBoxCatcher::~MessageBoxCatcher()
{
    if (!m_hook)
        return;
    UnhookWindowsHookEx(m_hook);
    g_catcher = nullptr;
}

LRESULT CALLBACK MessageBoxCatcher::afterWindowProcedure(int code, WPARAM wParam, LPARAM lParam)
{
    const auto *message = reinterpret_cast<const CWPRETSTRUCT *>(lParam);
    // By the end of WM_INITDIALOG the box has its caption and text.
    if (code == HC_ACTION && g_catcher && message->message == WM_INITDIALOG) {
        HWND textControl = GetDlgItem(message->hwnd, kMessageBoxTextId);
        if (textControl) {
            g_catcher->m_boxes.push_back({windowText(message->hwnd), windowText(textControl)});
            PostMessageW(message->hwnd, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(g_catcher ? g_catcher->m_hook : nullptr, code, wParam, lParam);
}

} // namespace WinTest
