// Entry point: identity, codec, web runtime, main window, event loop.

#include "account/user.h"
#include "app/com.h"
#include "app/displayscale.h"
#include "base/appinfo.h"
#include "base/buildconfig.h"
#include "base/logfile.h"
#include "i18n/international.h"
#include "webui/mainwindowref.h"
#include "webui/miniblinkdialog.h"
#include "webui/wkeapi.h"
#include "webui/wkeloader.h"

#include <QApplication>
#include <QIcon>
#include <QStandardPaths>
#include <QTextCodec>

namespace {

// The window cannot exist without the web runtime, so start-up stops with the
// loader's own box, captioned with the library's file name, instead of showing
// an empty frame.
int failStart()
{
    Com::uninitialize();
    WkeLoader::showMissingBox(WkeLoader::libraryFileName());
    return 1;
}

// What the taskbar, the dock and the window switcher show; each size is drawn
// for itself rather than scaled from one.
QIcon programIcon()
{
    QIcon icon;
    for (const int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icon/tessaly-%1.png").arg(size), QSize(size, size));
    return icon;
}

} // namespace

int main(int argc, char *argv[])
{
    Com::initialize();
    QCoreApplication::setApplicationVersion(AppInfo::version());
    QCoreApplication::setOrganizationName(QString::fromLatin1(AppInfo::kOrganisation));
    QCoreApplication::setApplicationName(QString::fromLatin1(AppInfo::kApplicationName));

    DisplayScale::prepare();
    QApplication app(argc, argv);
    // Lets desktops tie the window to its installed entry (Wayland's app id, KDE's hint).
    QGuiApplication::setDesktopFileName(QStringLiteral(TESSALY_DESKTOP_ID));
    QApplication::setWindowIcon(programIcon());
    QTextCodec::setCodecForLocale(QTextCodec::codecForName("UTF-8"));
    // What goes wrong can be sent to support: the log is kept in the data folder.
    const LogFile log(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation));
    const QString appDir = QCoreApplication::applicationDirPath();
    International::instance()->installTranslationsAndFont(appDir);

    if (WkeLoader::loadFromFolder(appDir.toStdWString(), nullptr).empty())
        return failStart();

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
