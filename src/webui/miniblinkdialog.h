#pragma once
// The program's one window: a frameless dialog whose face is the web view.

#include "service/httphandler.h"

#include <wke.h>

#include <QDialog>
#include <QJsonValue>
#include <QLocale>
#include <QPoint>
#include <QRect>

#include <string>

class FrameLess;
class QWidget;

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
    // The page has reported that it is ready ("loadedjs").
    void pageLoaded();
    // The service configuration has been announced.
    void configReceived();

public slots:
    void clickEvent(std::string objectName);
    void showUserinfoWidget(int xPos, int yPos, int width, int height);
    void pciinfoResults(QString pcinfo);
    void userLogined(bool islogined, QString nickname);
    bool notifySetting(bool showContactUs, bool showManual, bool showCommonProblem);
    bool setfrontendCountry(QLocale::Country country);

    // Service answers meant for the window: the user information query.
    void handleHttpResponse(RequestName::Name name, const QByteArray &data) override;
    // Failures show the service error box over this window, whatever parent is passed.
    int handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                        const QString &errorMsg, QWidget *parent) override;
    int handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                        const QString &errorMsg);

signals:
    // The signed-in user's record from a successful user information query.
    void userInfoReceived(const QJsonValue &user);

protected:
    void resizeEvent(QResizeEvent *event) override;

private:
    wkeWebView m_webView = nullptr;
    bool m_dragging = false;
    QPoint m_windowPosAtPress;
    QPoint m_pressPoint;
    QWidget *m_webContainer = nullptr;
    FrameLess *m_frameless = nullptr;
    bool m_pageLoaded = false;
    bool m_configReceived = false;
    QRect m_userIconRect;
};
