#include "base/appinfo.h"

#include <QObject>

namespace AppInfo {

const QString &messageBoxTitle()
{
    // Translated on first use rather than during static initialisation, so the
    // translations installed at start-up apply to it.
    static const QString title = QObject::tr("提示");
    return title;
}

} // namespace AppInfo
