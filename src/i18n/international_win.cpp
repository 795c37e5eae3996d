#include "i18n/international.h"

QString International::translationPath(const QString &appDir, const QString &folder,
                                       const QString &fileName)
{
    return QStringLiteral("%1\\%2\\%3").arg(appDir, folder, fileName);
}
