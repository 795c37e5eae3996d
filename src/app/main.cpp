// Entry point: identity, codec, web runtime, main window, event loop.

#include "account/user.h"
#include "app/com.h"
#include "base/appinfo.h"
#include "i18n/international.h"
#include "webui/mainwindowref.h"
#include "webui/miniblinkdialog.h"
#include "webui/wkeapi.h"
#include "webui/wkeloader.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextCodec>

namespace {

// The window cannot exist without the web runtime, so start-up stops with a
// message instead of showing an empty frame.
int failStart(const QString &text)
{
    QMessageBox::critical(nullptr, AppInfo::messageBoxTitle(), text);
    return 1;
}

} // namespace

int main(int argc, char *argv[])
{
    Com::initialize();
    QCoreApplication::setApplicationVersion(QString::fromLatin1(AppInfo::kVersion));
    QCoreApplication::setOrganizationName(QString::fromLatin1(AppInfo::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(AppInfo::kApplicationName));

    QApplication app(argc, argv);
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    const QString appDir = QCoreApplication::applicationDirPath();
    International::instance()->installTranslationsAndFont(appDir);

    const QString runtimeFile =
        appDir + QLatin1Char('/') + QString::fromLatin1(WkeLoader::libraryFileName());
    if (!QFileInfo::exists(runtimeFile)) {
        Com::uninitialize();
        return failStart(QObject::tr("找不到网页运行库：%1").arg(runtimeFile));
    }
    runtimeLibraryPath() = WkeLoader::nativeLibraryPath(runtimeFile.toStdWString());
    if (!WkeLoader::load(nullptr)) {
        Com::uninitialize();
        return failStart(QObject::tr("无法加载网页运行库：%1").arg(runtimeFile));
    }

    // Reads the user file, so the window starts with the persisted sign-in.
    User::instance();

    int exitCode = 0;
    {
        MiniblinkDialog window;
        window.show();
        setMainWindow(&window);
        exitCode = QApplication::exec();
        Com::uninitialize();
    }
    return exitCode;
}
