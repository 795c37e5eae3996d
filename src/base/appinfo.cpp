#include "base/appinfo.h"

#include "base/version.h"

#include <QObject>

namespace AppInfo {

QString version()
{
    return QStringLiteral(TESSALY_VERSION);
}

const QString &messageBoxTitle()
{
    // Translated on first use rather than during static initialisation, so the
    // translations installed at start-up apply to it.
    static const QString title = QObject::tr("提示");
    return title;
}

} // namespace AppInfo
