#pragma once
// The program's one window: a frameless dialog whose face is the web view.

#include "service/httphandler.h"

#include <wke.h>

#include <QDialog>
#include <QLocale>
#include <QPoint>
#include <QRect>

#include <string>

class FrameLess;
class LoginWidget;
class QTimerEvent;
class QWidget;
class UserInfoWidget;
class WindowStartup;

class MiniblinkDialog : public QDialog, public HttpHandler {
    Q_OBJECT
public:
    // Pointer actions the page reports for its elements.
    enum class MouseAction { Press, Move, Release };

    explicit MiniblinkDialog(QWidget *parent = nullptr);
    ~MiniblinkDialog() override;

    wkeWebView webView() const { return m_webView; }
    // The one-pixel frame on each side, in total per axis.
    static constexpr int kFrameWidth = 2;

    // The page's title bar acts as the window's caption.
    void pageMouseEvent(MouseAction action, const std::string &elementName, int x, int y);
    // The first requests and the page-ready handshake.
    WindowStartup *startup() const { return m_startup; }

public slots:
    void clickEvent(std::string objectName);
    // Runs the sign-in dialog; true when the user signed in.
    bool showLoginPage();
    void showUserinfoWidget(int xPos, int yPos, int width, int height);
    void pciinfoResults(QString pcinfo);
    void userLogined(bool islogined, QString nickname);
    bool notifySetting(bool showContactUs, bool showManual, bool showCommonProblem);
    bool setfrontendCountry(QLocale::Country country);

    // The user information query answers here; the account takes the answer.
    void handleHttpResponse(RequestName::Name name, const QByteArray &data) override;
    // Failures show the service error box over this window, whatever parent is passed.
    int handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                        const QString &errorMsg, QWidget *parent) override;
    int handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                        const QString &errorMsg);

protected:
    void resizeEvent(QResizeEvent *event) override;
    // Hides the user information popup once the pointer has left both the
    // account icon and the popup.
    void timerEvent(QTimerEvent *event) override;

private:
    wkeWebView m_webView = nullptr;
    bool m_dragging = false;
    QPoint m_windowPosAtPress;
    QPoint m_pressPoint;
    QWidget *m_webContainer = nullptr;
    FrameLess *m_frameless = nullptr;
    LoginWidget *m_loginWidget = nullptr;
    UserInfoWidget *m_userInfoWidget = nullptr;
    int m_popupTimerId = 0;
    // The account icon, in page coordinates, as the page last reported it.
    QRect m_userIconRect;
    WindowStartup *m_startup = nullptr;
};
