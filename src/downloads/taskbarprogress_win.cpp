#include "downloads/taskbarprogress.h"

#include <windows.h>

#include <shobjidl.h>

struct TaskbarProgress::Platform {
    HWND window = nullptr;
    // Empty when the shell object is unavailable; every operation is then a no-op.
    ITaskbarList3 *taskbar = nullptr;

    ~Platform()
    {
        if (taskbar)
            taskbar->Release();
    }
};

TaskbarProgress &TaskbarProgress::instance()
{
    static TaskbarProgress progress;
    return progress;
}

TaskbarProgress::TaskbarProgress() : m_platform(std::make_unique<Platform>())
{
    void *object = nullptr;
    if (FAILED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                &object)))
        return;
    auto *taskbar = static_cast<ITaskbarList3 *>(object);
    if (FAILED(taskbar->HrInit())) {
        taskbar->Release();
        return;
    }
    m_platform->taskbar = taskbar;
    taskbar->SetProgressState(m_platform->window, TBPF_NORMAL);
}

// Past the application's end COM is shut down and the shell object may not be
// called: one that was not released in time is left to the process's end.
TaskbarProgress::~TaskbarProgress()
{
    (void)m_platform.release();
}

void TaskbarProgress::release()
{
    m_platform.reset();
}

void TaskbarProgress::setWindow(std::uintptr_t window)
{
    if (m_platform)
        m_platform->window = reinterpret_cast<HWND>(window);
}

void TaskbarProgress::setState(State state)
{
    if (!m_platform || !m_platform->taskbar)
        return;
    m_platform->taskbar->SetProgressState(m_platform->window,
                                          state == State::Normal ? TBPF_NORMAL : TBPF_NOPROGRESS);
}

void TaskbarProgress::setValue(std::int64_t completed, std::int64_t total)
{
    if (!m_platform || !m_platform->taskbar)
        return;
    // An unknown total (-1) becomes the largest value, which shows as no progress yet.
    m_platform->taskbar->SetProgressValue(m_platform->window, static_cast<ULONGLONG>(completed),
                                          static_cast<ULONGLONG>(total));
}
