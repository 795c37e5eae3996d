// The taskbar progress indicator against the shell's own TaskbarList object.
// Wine's TaskbarList accepts the calls and keeps nothing that could be asked
// back, so this checks that the indicator's calls reach a real ITaskbarList3
// and that an unknown total and a window handle go through unharmed.

#include "downloads/taskbarprogress.h"

#include <windows.h>

#include <objbase.h>
#include <shobjidl.h>

#include <doctest.h>

#include <cstdint>

TEST_CASE("taskbar indicator drives the shell's ITaskbarList3")
{
    // Start-up initialises COM before anything asks for the indicator.
    REQUIRE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));

    // The object the indicator asks for exists here, so its calls below reach it.
    void *object = nullptr;
    REQUIRE(SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER,
                                       IID_ITaskbarList3, &object)));
    static_cast<ITaskbarList3 *>(object)->Release();

    HWND window = CreateWindowExW(0, L"STATIC", L"Tessaly", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
    REQUIRE(window != nullptr);

    TaskbarProgress &progress = TaskbarProgress::instance();
    CHECK(&TaskbarProgress::instance() == &progress);
    progress.setWindow(reinterpret_cast<std::uintptr_t>(window));
    progress.setState(TaskbarProgress::State::Normal);
    progress.setValue(512, 1024);
    progress.setValue(2048, -1); // no length header
    progress.setValue(1024, 1024);
    progress.setState(TaskbarProgress::State::NoProgress);

    DestroyWindow(window);
    CoUninitialize();
}
