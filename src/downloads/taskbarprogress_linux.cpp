#include "downloads/taskbarprogress.h"

#include "base/buildconfig.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariantMap>

#include <algorithm>

namespace {
// Docks match the entry to the program by the name of its desktop file, which
// is installed under this id.
const char kApplicationUri[] = "application://" TESSALY_DESKTOP_ID ".desktop";
const char kEntryPath[] = "/com/canonical/unity/launcherentry/tessaly";
const char kEntryInterface[] = "com.canonical.Unity.LauncherEntry";
// Finer steps than this are invisible on a dock icon and would only flood the bus.
constexpr int kSteps = 1000;
} // namespace

struct TaskbarProgress::Platform {
    bool visible = false;
    int step = 0;
    bool announced = false;

    void update(bool newVisible, int newStep)
    {
        if (announced && newVisible == visible && newStep == step)
            return;
        visible = newVisible;
        step = newStep;
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            return;
        announced = true;
        QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kEntryPath),
                                                         QString::fromLatin1(kEntryInterface),
                                                         QStringLiteral("Update"));
        QVariantMap properties;
        properties.insert(QStringLiteral("progress"), double(step) / kSteps);
        properties.insert(QStringLiteral("progress-visible"), visible);
        signal << QString::fromLatin1(kApplicationUri) << properties;
        bus.send(signal);
    }
};

TaskbarProgress &TaskbarProgress::instance()
{
    static TaskbarProgress progress;
    return progress;
}

TaskbarProgress::TaskbarProgress() : m_platform(std::make_unique<Platform>()) {}

TaskbarProgress::~TaskbarProgress() = default;

void TaskbarProgress::release()
{
    m_platform.reset();
}

// The dock finds the entry through the desktop file, not through a window.
void TaskbarProgress::setWindow(std::uintptr_t) {}

void TaskbarProgress::setState(State state)
{
    if (!m_platform)
        return;
    // A download that starts while none is shown begins from an empty bar.
    const bool visible = state == State::Normal;
    m_platform->update(visible, visible && m_platform->visible ? m_platform->step : 0);
}

void TaskbarProgress::setValue(std::int64_t completed, std::int64_t total)
{
    if (!m_platform)
        return;
    int step = 0;
    if (total > 0 && completed > 0)
        step = int(std::min(completed, total) * kSteps / total);
    m_platform->update(m_platform->visible, step);
}
