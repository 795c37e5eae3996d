// A scripted stand-in for the web runtime library, for testing the Windows
// program under Wine. It exports the wke/js functions the loader resolves and,
// instead of rendering pages, plays the script named by TESSALY_WKE_SCRIPT
// (bridgescript.h gives the format) once the window is up: it calls bound
// functions, answers the page functions the program calls, and finally clicks
// "closeBtn". Every call in either direction goes to the log named by
// TESSALY_WKE_LOG (default: the script's path followed by ".log"), one line
// each, and the latest lines are painted into the view.
//
// Log lines:
//   init | bind NAME COUNT | view | load "URL" | answer NAME VALUE | wait NAME |
//   waitfile "PATH" | end | error WHY | timeout WHAT
//   call NAME(ARG, ...) -> ANSWER      a bound function the script called
//   page NAME(ARG, ...) -> ANSWER      a page function the program called
//   fetch "URL" -> {JSON}              what the page hook made of a request
//   window -> {JSON}                   the top-level window's size and frame
// Values are written as JSON, or as the word undefined.

#define WKE_BUILDING_RUNTIME
#include <wke.h>

#include "bridgescript.h"
#include "widetext.h"

#include <windows.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <string>
#include <vector>

using BridgeScript::Value;

namespace {

HMODULE g_module = nullptr;

std::wstring environment(const wchar_t *name)
{
    const DWORD length = GetEnvironmentVariableW(name, nullptr, 0);
    if (length == 0)
        return std::wstring();
    std::wstring value(length, L'\0');
    value.resize(GetEnvironmentVariableW(name, value.data(), length));
    return value;
}

// Script values the program made or received. A handle is an index; values
// live until the process ends, which is plenty for one scripted run.
struct StoredValue {
    Value value;
    std::string function; // the name, for a page function looked up with jsGetGlobal
};

std::vector<StoredValue> &values()
{
    static std::vector<StoredValue> store = {
        {Value(), {}}, {Value::fromBoolean(true), {}}, {Value::fromBoolean(false), {}}};
    return store;
}

jsValue store(Value value, std::string function = std::string())
{
    values().push_back({std::move(value), std::move(function)});
    return static_cast<jsValue>(values().size() - 1);
}

const StoredValue &stored(jsValue handle)
{
    if (handle < 0 || static_cast<std::size_t>(handle) >= values().size())
        return values()[0];
    return values()[static_cast<std::size_t>(handle)];
}

std::string logForm(jsValue handle)
{
    const StoredValue &v = stored(handle);
    if (!v.function.empty())
        return "function " + v.function;
    return BridgeScript::logForm(v.value);
}

struct Bound {
    wkeJsNativeFunction function = nullptr;
    void *param = nullptr;
    unsigned argCount = 0;
};

class Log {
public:
    void write(const std::string &line)
    {
        if (!m_opened) {
            m_opened = true;
            std::wstring path = environment(L"TESSALY_WKE_LOG");
            if (path.empty() && !environment(L"TESSALY_WKE_SCRIPT").empty())
                path = environment(L"TESSALY_WKE_SCRIPT") + L".log";
            if (!path.empty())
                m_file = _wfopen(path.c_str(), L"wb");
        }
        if (m_file) {
            std::fprintf(m_file, "%s\n", line.c_str());
            std::fflush(m_file);
        }
        m_recent.push_back(WinTest::wide(line.size() > 200 ? line.substr(0, 200) + "..." : line));
        while (m_recent.size() > 40)
            m_recent.pop_front();
    }

    const std::deque<std::wstring> &recent() const { return m_recent; }

private:
    bool m_opened = false;
    std::FILE *m_file = nullptr;
    std::deque<std::wstring> m_recent;
};

} // namespace

struct wkeWebViewImpl {
    HWND window = nullptr;
    wkeLoadUrlBeginCallback urlBegin = nullptr;
    void *urlBeginParam = nullptr;
};

struct wkeNetJobImpl {
    std::string data;
    bool dataSet = false;
    std::string mime;
    bool mimeSet = false;
    bool hookRequest = false;
};

// The execution state of one call: the arguments it carries.
struct jsExecStateImpl {
    std::vector<jsValue> args;
};

namespace {

class Player {
public:
    static Player &instance()
    {
        static Player player;
        return player;
    }

    Log &log() { return m_log; }
    std::map<std::string, Bound> &bound() { return m_bound; }

    // The start page is asked for through the page hook at the first tick, as a
    // real view would ask for it once the event loop runs.
    void start(wkeWebViewImpl *view, const std::string &startPage)
    {
        if (m_view)
            return;
        m_view = view;
        m_startPage = startPage;
        SetTimer(m_view->window, kTimerId, 15, nullptr);
        const std::wstring scriptPath = environment(L"TESSALY_WKE_SCRIPT");
        if (scriptPath.empty()) {
            // Without a script the view only shows the window, for a look by hand.
            m_log.write("error TESSALY_WKE_SCRIPT is not set: nothing to play");
            m_playing = false;
            return;
        }
        std::string text;
        if (std::FILE *file = _wfopen(scriptPath.c_str(), L"rb")) {
            char chunk[4096];
            std::size_t got = 0;
            while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
                text.append(chunk, got);
            std::fclose(file);
        } else {
            m_log.write("error cannot read the script " +
                        BridgeScript::jsonString(WinTest::utf8(scriptPath)));
        }
        m_script = BridgeScript::parse(text);
        if (!m_script.error.empty())
            m_log.write("error " + m_script.error);
    }

    // Runs the next step when the window is up and no step is in progress
    // (a step may run a modal loop, in which this timer keeps firing).
    void tick()
    {
        if (m_busy || m_finished || !m_view)
            return;
        HWND root = GetAncestor(m_view->window, GA_ROOT);
        if (!root || !IsWindowVisible(root))
            return;
        m_busy = true;
        if (!m_startPage.empty()) {
            fetch(m_startPage);
            m_startPage.clear();
        } else if (!m_playing) {
            m_finished = true;
            KillTimer(m_view->window, kTimerId);
        } else if (m_next < m_script.steps.size()) {
            if (runStep(m_script.steps[m_next]))
                ++m_next;
        }
        if (m_playing && !m_finished && m_next >= m_script.steps.size()) {
            m_finished = true;
            KillTimer(m_view->window, kTimerId);
            m_log.write("end");
            Value closeButton = Value::fromString("closeBtn");
            call("click", {closeButton});
        }
        m_busy = false;
        InvalidateRect(m_view->window, nullptr, TRUE);
    }

    jsValue callPage(const std::string &name, const jsValue *args, int count)
    {
        std::string line = "page " + name + "(";
        for (int i = 0; i < count; ++i)
            line += (i ? ", " : "") + logForm(args[i]);
        ++m_pageCalls[name];
        const auto answer = m_answers.find(name);
        const Value value = answer == m_answers.end() ? Value() : answer->second;
        m_log.write(line + ") -> " + BridgeScript::logForm(value));
        if (m_view)
            InvalidateRect(m_view->window, nullptr, TRUE);
        return store(value);
    }

    void fetch(const std::string &url)
    {
        wkeNetJobImpl job;
        bool handled = false;
        if (m_view && m_view->urlBegin)
            handled = m_view->urlBegin(m_view, m_view->urlBeginParam, url.c_str(), &job);
        std::string line = "fetch " + BridgeScript::jsonString(url) + " -> {\"handled\": ";
        line += handled ? "true" : "false";
        line += ", \"bytes\": " + (job.dataSet ? std::to_string(job.data.size()) : "null");
        line += ", \"mime\": " + (job.mimeSet ? BridgeScript::jsonString(job.mime) : "null");
        line += ", \"hookRequest\": ";
        line += job.hookRequest ? "true" : "false";
        line += ", \"head\": " + BridgeScript::jsonString(job.data.substr(0, 60)) + "}";
        m_log.write(line);
    }

private:
    static constexpr UINT_PTR kTimerId = 0x7e55;

    // True when the step is done; a wait that is not yet over returns false.
    bool runStep(const BridgeScript::Step &step)
    {
        using Kind = BridgeScript::Step::Kind;
        switch (step.kind) {
        case Kind::Call:
            call(step.name, step.args);
            return true;
        case Kind::Answer:
            m_answers[step.name] = step.args.front();
            m_log.write("answer " + step.name + " " + BridgeScript::logForm(step.args.front()));
            return true;
        case Kind::Wait:
            return waitFor(step, [this, &step] {
                if (m_pageCalls[step.name] <= m_usedCalls[step.name])
                    return false;
                ++m_usedCalls[step.name];
                return true;
            });
        case Kind::WaitFile:
            return waitFor(step, [&step] {
                return GetFileAttributesW(WinTest::wide(step.name).c_str()) !=
                       INVALID_FILE_ATTRIBUTES;
            });
        case Kind::Fetch:
            fetch(step.name);
            return true;
        case Kind::Window:
            describeWindow();
            return true;
        }
        return true;
    }

    template <typename Condition> bool waitFor(const BridgeScript::Step &step, Condition condition)
    {
        if (m_waitLine != step.line) {
            m_waitLine = step.line;
            m_waitStarted = GetTickCount64();
            m_log.write(step.kind == BridgeScript::Step::Kind::Wait
                            ? "wait " + step.name
                            : "waitfile " + BridgeScript::jsonString(step.name));
        }
        if (condition())
            return true;
        if (GetTickCount64() - m_waitStarted < static_cast<ULONGLONG>(step.timeoutMs))
            return false;
        m_log.write("timeout line " + std::to_string(step.line) + ": " + step.name);
        m_next = m_script.steps.size(); // skip the rest; the close click still comes
        return false;
    }

    void call(const std::string &name, const std::vector<Value> &args)
    {
        std::string line = "call " + name + "(";
        jsExecStateImpl state;
        for (std::size_t i = 0; i < args.size(); ++i) {
            line += (i ? ", " : "") + BridgeScript::logForm(args[i]);
            state.args.push_back(store(args[i]));
        }
        line += ")";
        const auto it = m_bound.find(name);
        if (it == m_bound.end()) {
            m_log.write(line + " -> not bound");
            return;
        }
        const jsValue answer = it->second.function(&state, it->second.param);
        m_log.write(line + " -> " + logForm(answer));
    }

    void describeWindow()
    {
        HWND root = GetAncestor(m_view->window, GA_ROOT);
        RECT outer{};
        GetWindowRect(root, &outer);
        RECT view{};
        GetWindowRect(m_view->window, &view);
        const LONG style = GetWindowLongW(root, GWL_STYLE);
        const LONG exStyle = GetWindowLongW(root, GWL_EXSTYLE);
        char text[512];
        std::snprintf(text, sizeof text,
                      "window -> {\"x\": %ld, \"y\": %ld, \"width\": %ld, \"height\": %ld, "
                      "\"caption\": %s, "
                      "\"sizingBorder\": %s, \"border\": %s, \"popup\": %s, "
                      "\"view\": [%ld, %ld, %ld, %ld], \"style\": \"0x%08lx\", "
                      "\"exStyle\": \"0x%08lx\"}",
                      outer.left, outer.top, outer.right - outer.left, outer.bottom - outer.top,
                      (style & WS_CAPTION) == WS_CAPTION ? "true" : "false",
                      (style & WS_THICKFRAME) ? "true" : "false",
                      (style & (WS_BORDER | WS_DLGFRAME)) ? "true" : "false",
                      (style & WS_POPUP) ? "true" : "false", view.left - outer.left,
                      view.top - outer.top, view.right - view.left, view.bottom - view.top,
                      static_cast<unsigned long>(style), static_cast<unsigned long>(exStyle));
        m_log.write(text);
    }

    Log m_log;
    std::map<std::string, Bound> m_bound;
    std::map<std::string, Value> m_answers;
    std::map<std::string, int> m_pageCalls;
    std::map<std::string, int> m_usedCalls;
    wkeWebViewImpl *m_view = nullptr;
    std::string m_startPage;
    BridgeScript::Script m_script;
    std::size_t m_next = 0;
    bool m_playing = true;
    bool m_busy = false;
    bool m_finished = false;
    int m_waitLine = 0;
    ULONGLONG m_waitStarted = 0;
};

LRESULT CALLBACK viewProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_TIMER:
        Player::instance().tick();
        return 0;
    case WM_ERASEBKGND:
        return 1;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        RECT area{};
        GetClientRect(window, &area);
        HBRUSH background = CreateSolidBrush(RGB(0xf4, 0xf6, 0xfa));
        FillRect(dc, &area, background);
        DeleteObject(background);
        // The program's own font family, so Chinese text shows where the machine has it.
        static HFONT font = CreateFontW(-13, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE,
                                        DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                                        DEFAULT_QUALITY, DEFAULT_PITCH, L"Microsoft YaHei");
        SelectObject(dc, font ? font : GetStockObject(DEFAULT_GUI_FONT));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, RGB(0x1f, 0x4e, 0x8c));
        RECT line{12, 10, area.right - 12, 28};
        DrawTextW(dc, L"Scripted web runtime: the bridge calls of this run", -1, &line,
                  DT_SINGLELINE | DT_NOPREFIX);
        SetTextColor(dc, RGB(0x20, 0x20, 0x20));
        line.top += 24;
        for (const std::wstring &text : Player::instance().log().recent()) {
            line.bottom = line.top + 14;
            DrawTextW(dc, text.c_str(), -1, &line, DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
            line.top += 14;
        }
        EndPaint(window, &paint);
        return 0;
    }
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

const wchar_t *viewClass()
{
    static const wchar_t *name = [] {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = viewProcedure;
        windowClass.hInstance = g_module;
        windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512)); // IDC_ARROW
        windowClass.lpszClassName = L"TessalyScriptedWebView";
        RegisterClassW(&windowClass);
        return L"TessalyScriptedWebView";
    }();
    return name;
}

std::string percentDecoded(const char *url)
{
    std::string out;
    for (const char *p = url; *p; ++p) {
        if (p[0] == '%' && std::isxdigit(static_cast<unsigned char>(p[1])) &&
            std::isxdigit(static_cast<unsigned char>(p[2]))) {
            const char hex[3] = {p[1], p[2], '\0'};
            out += static_cast<char>(std::strtol(hex, nullptr, 16));
            p += 2;
        } else {
            out += *p;
        }
    }
    return out;
}

std::string stringForm(jsValue handle)
{
    const StoredValue &v = stored(handle);
    if (!v.function.empty())
        return "function " + v.function + "() { [page code] }";
    switch (v.value.kind) {
    case Value::Kind::String:
        return v.value.text;
    case Value::Kind::Number:
        return std::to_string(v.value.number);
    case Value::Kind::Boolean:
        return v.value.boolean ? "true" : "false";
    case Value::Kind::Undefined:
        break;
    }
    return "undefined";
}

} // namespace

extern "C" {

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID)
{
    if (reason == DLL_PROCESS_ATTACH)
        g_module = instance;
    return TRUE;
}

WKE_API void WKE_CALL wkeInitializeEx(const wkeSettings *)
{
    Player::instance().log().write("init");
}

WKE_API wkeWebView WKE_CALL wkeCreateWebWindow(wkeWindowType type, wkeNativeWindow parent, int x,
                                               int y, int width, int height)
{
    // One view per process is all the program makes; it lives as long as the process.
    static wkeWebViewImpl view;
    const DWORD style = type == WKE_WINDOW_TYPE_CONTROL && parent
                            ? WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS
                            : WS_POPUP | WS_VISIBLE;
    view.window = CreateWindowExW(0, viewClass(), L"", style, x, y, width, height,
                                  reinterpret_cast<HWND>(parent), nullptr, g_module, nullptr);
    Player::instance().log().write(view.window ? "view" : "error the view window was not made");
    return &view;
}

WKE_API void WKE_CALL wkeShowWindow(wkeWebView webView, bool show)
{
    if (webView && webView->window)
        ShowWindow(webView->window, show ? SW_SHOW : SW_HIDE);
}

WKE_API wkeNativeWindow WKE_CALL wkeGetWindowHandle(wkeWebView webView)
{
    return webView ? reinterpret_cast<wkeNativeWindow>(webView->window) : 0;
}

WKE_API void WKE_CALL wkeLoadURLW(wkeWebView webView, const wchar_t *url)
{
    const std::string address = WinTest::utf8(url ? url : L"");
    Player::instance().log().write("load " + BridgeScript::jsonString(address));
    Player::instance().start(webView, address);
}

WKE_API void WKE_CALL wkeOnLoadUrlBegin(wkeWebView webView, wkeLoadUrlBeginCallback callback,
                                        void *param)
{
    if (!webView)
        return;
    webView->urlBegin = callback;
    webView->urlBeginParam = param;
}

WKE_API void WKE_CALL wkeNetSetData(wkeNetJob job, const void *buf, int len)
{
    if (!job)
        return;
    job->dataSet = true;
    job->data.assign(static_cast<const char *>(buf), buf && len > 0 ? static_cast<size_t>(len) : 0);
}

WKE_API void WKE_CALL wkeNetSetMIMEType(wkeNetJob job, const char *type)
{
    if (!job)
        return;
    job->mimeSet = true;
    job->mime = type ? type : "";
}

WKE_API void WKE_CALL wkeNetHookRequest(wkeNetJob job)
{
    if (job)
        job->hookRequest = true;
}

WKE_API const char *WKE_CALL wkeUtilDecodeURLEscape(const char *url)
{
    static std::string decoded;
    if (!url)
        return nullptr;
    decoded = percentDecoded(url);
    return decoded.c_str();
}

WKE_API void WKE_CALL wkeJsBindFunction(const char *name, wkeJsNativeFunction fn, void *param,
                                        unsigned int argCount)
{
    if (!name || !fn)
        return;
    Player::instance().bound()[name] = Bound{fn, param, argCount};
    Player::instance().log().write(std::string("bind ") + name + " " + std::to_string(argCount));
}

WKE_API int WKE_CALL jsArgCount(jsExecState es)
{
    return es ? static_cast<int>(es->args.size()) : 0;
}

WKE_API jsType WKE_CALL jsArgType(jsExecState es, int argIdx)
{
    if (!es || argIdx < 0 || static_cast<std::size_t>(argIdx) >= es->args.size())
        return JSTYPE_UNDEFINED;
    const StoredValue &v = stored(es->args[static_cast<std::size_t>(argIdx)]);
    if (!v.function.empty())
        return JSTYPE_FUNCTION;
    switch (v.value.kind) {
    case Value::Kind::Number:
        return JSTYPE_NUMBER;
    case Value::Kind::String:
        return JSTYPE_STRING;
    case Value::Kind::Boolean:
        return JSTYPE_BOOLEAN;
    case Value::Kind::Undefined:
        break;
    }
    return JSTYPE_UNDEFINED;
}

WKE_API jsValue WKE_CALL jsArg(jsExecState es, int argIdx)
{
    if (!es || argIdx < 0 || static_cast<std::size_t>(argIdx) >= es->args.size())
        return jsUndefined();
    return es->args[static_cast<std::size_t>(argIdx)];
}

WKE_API const char *WKE_CALL jsToTempString(jsExecState, jsValue v)
{
    static std::string temporary;
    temporary = stringForm(v);
    return temporary.c_str();
}

WKE_API int WKE_CALL jsToInt(jsExecState, jsValue v)
{
    const Value &value = stored(v).value;
    switch (value.kind) {
    case Value::Kind::Number:
        return value.number;
    case Value::Kind::Boolean:
        return value.boolean ? 1 : 0;
    case Value::Kind::String: {
        char *end = nullptr;
        const double n = std::strtod(value.text.c_str(), &end);
        return end && *end == '\0' && !value.text.empty() ? static_cast<int>(n) : 0;
    }
    case Value::Kind::Undefined:
        break;
    }
    return 0;
}

WKE_API bool WKE_CALL jsToBoolean(jsExecState, jsValue v)
{
    const StoredValue &stored_ = stored(v);
    if (!stored_.function.empty())
        return true;
    switch (stored_.value.kind) {
    case Value::Kind::Number:
        return stored_.value.number != 0;
    case Value::Kind::Boolean:
        return stored_.value.boolean;
    case Value::Kind::String:
        return !stored_.value.text.empty();
    case Value::Kind::Undefined:
        break;
    }
    return false;
}

WKE_API jsValue WKE_CALL jsUndefined(void)
{
    return 0;
}

WKE_API jsValue WKE_CALL jsTrue(void)
{
    return 1;
}

WKE_API jsValue WKE_CALL jsFalse(void)
{
    return 2;
}

WKE_API jsValue WKE_CALL jsInt(int n)
{
    return store(Value::fromNumber(n));
}

WKE_API jsValue WKE_CALL jsBoolean(bool b)
{
    return b ? jsTrue() : jsFalse();
}

WKE_API jsValue WKE_CALL jsString(jsExecState, const char *utf8)
{
    return store(Value::fromString(utf8 ? utf8 : ""));
}

WKE_API jsExecState WKE_CALL wkeGlobalExec(wkeWebView)
{
    static jsExecStateImpl global;
    return &global;
}

WKE_API jsValue WKE_CALL jsGetGlobal(jsExecState, const char *name)
{
    return store(Value(), name ? name : "");
}

WKE_API jsValue WKE_CALL jsCallGlobal(jsExecState, jsValue func, jsValue *args, int argCount)
{
    const std::string name = stored(func).function;
    if (name.empty())
        return jsUndefined();
    return Player::instance().callPage(name, args, argCount);
}

} // extern "C"
