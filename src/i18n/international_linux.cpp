#include "i18n/international.h"

#include <QFileInfo>
#include <QLibraryInfo>

QString International::translationPath(const QString &appDir, const QString &folder,
                                       const QString &fileName)
{
    const QString beside = QStringLiteral("%1/%2/%3").arg(appDir, folder, fileName);
    // Installed from a package, the program finds Qt's own texts (the folder
    // chooser's buttons, for one) where the distribution keeps them.
    if (folder == QLatin1String("translations") && !QFileInfo::exists(beside))
        return QLibraryInfo::location(QLibraryInfo::TranslationsPath) + QLatin1Char('/') + fileName;
    return beside;
}
