#pragma once
// The sign-in dialog: asks the service for a QR code, shows it, and polls the
// service until the code has been scanned and confirmed on the phone; then
// stores the user and closes as accepted.

#include "service/httphandler.h"
#include "widgets/movabledialog.h"

#include <QString>

class QLabel;
class QPushButton;
class QTimer;
class QtQrCodeWidget;

class LoginWidget : public MovableDialog, public HttpHandler {
    Q_OBJECT

public:
    explicit LoginWidget(QWidget *parent = nullptr);
    ~LoginWidget() override;

    // Run by the expiry timer: the code's lifetime has passed.
    void qrExpired();

    // For testing: the period of the sign-in poll (2000 ms unless changed).
    void setPollInterval(int msecs) { m_pollInterval = msecs; }

public slots:
    // One sign-in attempt: accepted after a successful sign-in, rejected when closed.
    int exec() override;
    void createLoginCode();
    void handleHttpResponse(RequestName::Name name, const QByteArray &data) override;
    int handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                        const QString &errorMsg, QWidget *parent = nullptr) override;

private:
    // Run by the poll timer: asks for the sign-in state unless the previous
    // question is still unanswered.
    void poll();
    void connectButtons();
    void stopTimers();
    void showCode(const QJsonValue &code);
    void showStatus(int code, const QString &msg, const QJsonValue &user);

    QtQrCodeWidget *m_qrWidget = nullptr;
    QLabel *m_hintLabel = nullptr;
    QPushButton *m_refreshButton = nullptr;
    QTimer *m_expiryTimer = nullptr;
    QTimer *m_pollTimer = nullptr;
    int m_expireSeconds = 0;
    QPushButton *m_closeButton = nullptr;
    QString m_ticket;
    bool m_buttonsWired = false;
    QWidget *m_qrFrame = nullptr;
    QLabel *m_scanAnimation = nullptr;
    int m_pollInterval = 2000;
    bool m_pollPending = false;
};
