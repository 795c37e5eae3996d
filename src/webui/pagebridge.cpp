#include "webui/pagebridge.h"

#include "account/user.h"
#include "base/appinfo.h"
#include "base/pageprotocol.h"
#include "downloads/downloaderobjmanager.h"
#include "downloads/savefolder.h"
#include "downloads/shellactions.h"
#include "hardware/graphicslist.h"
#include "hardware/workerthread.h"
#include "i18n/international.h"
#include "service/networkhelper.h"
#include "webui/mainwindowref.h"
#include "webui/miniblinkdialog.h"
#include "webui/pagedownloads.h"
#include "webui/windowstartup.h"
#include "webui/wkeapi.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <string>

namespace {

jsValue undefinedValue()
{
    return wkeCall(&WkeApi::jsUndefined);
}

jsValue boolValue(bool b)
{
    return b ? wkeCall(&WkeApi::jsTrue) : wkeCall(&WkeApi::jsFalse);
}

int argCount(jsExecState es)
{
    return wkeCall(&WkeApi::jsArgCount, es);
}

// The call's first argument as text, when there is one and it is a string.
std::optional<std::string> firstStringArgument(jsExecState es)
{
    if (argCount(es) < 1 || wkeCall(&WkeApi::jsArgType, es, 0) != JSTYPE_STRING)
        return std::nullopt;
    const char *text = wkeCall(&WkeApi::jsToTempString, es, wkeCall(&WkeApi::jsArg, es, 0));
    return std::string(text ? text : "");
}

// Any argument as text, the way the runtime converts it.
QString textArgument(jsExecState es, int index)
{
    return QString::fromUtf8(
        wkeCall(&WkeApi::jsToTempString, es, wkeCall(&WkeApi::jsArg, es, index)));
}

jsValue stringValue(jsExecState es, const QString &text)
{
    return wkeCall(&WkeApi::jsString, es, text.toUtf8().constData());
}

int intArgument(jsExecState es, int index)
{
    return wkeCall(&WkeApi::jsToInt, es, wkeCall(&WkeApi::jsArg, es, index));
}

MiniblinkDialog *windowOf(void *param)
{
    return static_cast<MiniblinkDialog *>(param);
}

jsValue WKE_CALL eMsg(jsExecState es, void *)
{
    const std::optional<std::string> message = firstStringArgument(es);
    if (!message)
        return undefinedValue();
    MiniblinkDialog *window = mainWindow();
    if (*message == PageProtocol::Message::kService) {
        ShellActions::openServicePage();
        return boolValue(true);
    }
    if (*message == PageProtocol::Message::kTutorial) {
        ShellActions::openTutorial();
        return boolValue(true);
    }
    if (*message == PageProtocol::Message::kScan) {
        if (window)
            WorkerThread::startScan(window, &MiniblinkDialog::pciinfoResults);
        return boolValue(true);
    }
    if (*message == PageProtocol::Message::kSaveFolder)
        return boolValue(ShellActions::openSaveFolder());
    if (*message == PageProtocol::Message::kLoginPage)
        return boolValue(window && window->showLoginPage());
    if (*message == PageProtocol::Message::kLoaded) {
        if (window)
            window->startup()->pageLoaded();
        return boolValue(true);
    }
    return boolValue(true);
}

jsValue WKE_CALL graphicsList(jsExecState es, void *)
{
    const QByteArray json = GraphicsList::json();
    return wkeCall(&WkeApi::jsString, es, json.constData());
}

jsValue WKE_CALL downDir(jsExecState es, void *)
{
    if (argCount(es) == 0)
        return stringValue(es, saveFolder());
    if (wkeCall(&WkeApi::jsArgType, es, 0) != JSTYPE_STRING)
        return undefinedValue();
    storeSaveFolder(textArgument(es, 0));
    return boolValue(true);
}

jsValue WKE_CALL selectDir(jsExecState es, void *param)
{
    return stringValue(es, ShellActions::chooseSaveFolder(windowOf(param)));
}

jsValue WKE_CALL isLogin(jsExecState, void *)
{
    return boolValue(User::instance()->isLoggedIn());
}

jsValue WKE_CALL down(jsExecState es, void *)
{
    QStringList arguments;
    const int count = argCount(es);
    for (int i = 0; i < count; ++i)
        arguments.append(textArgument(es, i));
    MiniblinkDialog *window = mainWindow();
    if (!window)
        return undefinedValue();
    return wkeCall(&WkeApi::jsInt, PageDownloads::managerOf(window)->down(arguments));
}

jsValue WKE_CALL countryID(jsExecState, void *)
{
    return wkeCall(&WkeApi::jsInt, static_cast<int>(International::instance()->country()));
}

jsValue WKE_CALL click(jsExecState es, void *param)
{
    const std::optional<std::string> name = firstStringArgument(es);
    if (!name)
        return undefinedValue();
    windowOf(param)->clickEvent(*name);
    return boolValue(true);
}

template <MiniblinkDialog::MouseAction action>
jsValue WKE_CALL titleBarMouse(jsExecState es, void *param)
{
    const std::optional<std::string> name = firstStringArgument(es);
    if (!name)
        return undefinedValue();
    windowOf(param)->pageMouseEvent(action, *name, intArgument(es, 1), intArgument(es, 2));
    return boolValue(true);
}

jsValue WKE_CALL mouseHover(jsExecState, void *)
{
    return boolValue(true);
}

jsValue WKE_CALL mouseEnter(jsExecState es, void *param)
{
    const std::optional<std::string> name = firstStringArgument(es);
    if (!name)
        return undefinedValue();
    if (*name == PageProtocol::Element::kUserIcon) {
        windowOf(param)->showUserinfoWidget(intArgument(es, 1), intArgument(es, 2),
                                            intArgument(es, 3), intArgument(es, 4));
    }
    return boolValue(true);
}

jsValue WKE_CALL mouseLeave(jsExecState, void *)
{
    return boolValue(true);
}

jsValue WKE_CALL appType(jsExecState es, void *)
{
    return wkeCall(&WkeApi::jsString, es, AppInfo::kProductCode);
}

// Like "graphicsList", it reads none of its arguments and scans afresh.
jsValue WKE_CALL installedDrivers(jsExecState es, void *)
{
    const QByteArray json = GraphicsList::driversJson();
    return wkeCall(&WkeApi::jsString, es, json.constData());
}

// A vendor's web page in the browser: true when opened, false when refused.
jsValue WKE_CALL openVendorPage(jsExecState es, void *)
{
    const std::optional<std::string> address = firstStringArgument(es);
    if (!address)
        return undefinedValue();
    return boolValue(ShellActions::openVendorPage(QString::fromStdString(*address)));
}

jsValue WKE_CALL hasService(jsExecState, void *)
{
    return boolValue(NetworkHelper::instance()->hasService());
}

} // namespace

void bindPageBridge(MiniblinkDialog *window)
{
    void *const self = static_cast<void *>(window);
    const auto bind = [](const char *name, wkeJsNativeFunction fn, void *param, unsigned count) {
        wkeCall(&WkeApi::wkeJsBindFunction, name, fn, param, count);
    };
    using namespace PageProtocol::Bound;
    bind(kEMsg, &eMsg, nullptr, 5);
    bind(kGraphicsList, &graphicsList, nullptr, 5);
    bind(kDownDir, &downDir, nullptr, 5);
    bind(kSelectDir, &selectDir, self, 5);
    bind(kIsLogin, &isLogin, nullptr, 0);
    bind(kDown, &down, nullptr, 3);
    bind(kCountryId, &countryID, nullptr, 0);
    bind(kClick, &click, self, 1);
    bind(kMouseDown, &titleBarMouse<MiniblinkDialog::MouseAction::Press>, self, 3);
    bind(kMouseMove, &titleBarMouse<MiniblinkDialog::MouseAction::Move>, self, 3);
    bind(kMouseRelease, &titleBarMouse<MiniblinkDialog::MouseAction::Release>, self, 3);
    bind(kMouseHover, &mouseHover, self, 3);
    bind(kMouseEnter, &mouseEnter, self, 3);
    bind(kMouseLeave, &mouseLeave, self, 3);
    bind(kAppType, &appType, self, 0);
    bind(kInstalledDrivers, &installedDrivers, nullptr, 0);
    bind(kOpenVendorPage, &openVendorPage, nullptr, 1);
    bind(kHasService, &hasService, nullptr, 0);
}
