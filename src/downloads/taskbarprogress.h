#pragma once
// The process-wide progress display of the main window's taskbar button (on
// Linux desktops: its launcher or dock entry). Every job shares it.

#include <cstdint>
#include <memory>

class TaskbarProgress final {
public:
    enum class State { NoProgress = 0, Normal = 2 };

    // Created on first use.
    static TaskbarProgress &instance();
    // Lets go of what it holds of the shell, while the application (and COM
    // on Windows) still runs; every later call does nothing.
    void release();

    // The native handle of the window whose button shows the progress.
    void setWindow(std::uintptr_t window);
    void setState(State state);
    // A negative total means the size is not known yet.
    void setValue(std::int64_t completed, std::int64_t total);

    TaskbarProgress(const TaskbarProgress &) = delete;
    TaskbarProgress &operator=(const TaskbarProgress &) = delete;

private:
    TaskbarProgress();
    ~TaskbarProgress();

    struct Platform;
    std::unique_ptr<Platform> m_platform;
};
