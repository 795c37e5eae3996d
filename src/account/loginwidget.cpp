#include "account/loginwidget.h"

#include "account/qtqrcodewidget.h"
#include "account/user.h"
#include "base/appinfo.h"
#include "base/scriptedmessagebox.h"
#include "service/networkhelper.h"
#include "service/responseenvelope.h"

#include <QJsonValue>
#include <QLabel>
#include <QMessageBox>
#include <QMovie>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

#include <climits>

namespace {
// Answers of the sign-in poll.
constexpr int kStatusFailed = 0;
constexpr int kStatusSignedIn = 1;
constexpr int kStatusExpired = 1001;
constexpr int kStatusWaiting = 1002;
} // namespace

LoginWidget::LoginWidget(QWidget *parent) : MovableDialog(parent)
{
    setModal(true);
    resize(442, 502);
    setStyleSheet(
        QStringLiteral("QDialog { border: 1px solid #aaaaaa; background-color: #ffffff;}"));

    m_closeButton = new QPushButton(this);
    m_closeButton->setObjectName(QStringLiteral("closeButton"));
    m_closeButton->setStyleSheet(QStringLiteral(
        "QPushButton {min-width: 34px;max-width: 34px;min-height: 34px;max-height: 34px;"
        "margin-right:16px;border-image: url(:/img/login_close.png);border: none;}"));

    auto *title = new QLabel(QStringLiteral("Tessaly"), this);
    title->setObjectName(QStringLiteral("titleLabel"));
    title->setStyleSheet(
        QStringLiteral("QLabel {font-size: 36px;color: #000000;background-color: transparent;}"));
    title->setAlignment(Qt::AlignCenter);

    auto *badge = new QLabel(tr("扫这里"), this);
    badge->setObjectName(QStringLiteral("badgeLabel"));
    badge->setGeometry(317, 125, 60, 28);
    badge->setAlignment(Qt::AlignCenter);
    badge->setStyleSheet(
        QStringLiteral("QLabel {color: #FEFEFE;font-size: 12px;background: #20D84B;"
                       "border-top-left-radius: 12px;border-top-right-radius: 12px;"
                       "border-bottom-right-radius: 12px;opacity: 1;}"));

    auto *dotLine = new QLabel(this);
    dotLine->setObjectName(QStringLiteral("dotLine"));
    dotLine->setGeometry(88, 373, 264, 2);
    dotLine->setStyleSheet(QStringLiteral("QLabel {border-image: url(:/img/dotline.png);}"));

    m_qrFrame = new QWidget(this);
    m_qrFrame->setObjectName(QStringLiteral("qrFrame"));
    m_qrFrame->setStyleSheet(QStringLiteral(
        "QWidget {min-width: 188px;max-width: 188px;min-height: 188px;max-height: 188px;"
        "border-image: url(:/img/qrcode_outline.png);}"));

    m_qrWidget = new QtQrCodeWidget(m_qrFrame);
    m_qrWidget->setObjectName(QStringLiteral("qrWidget"));
    m_qrWidget->setGeometry(25, 25, 138, 138);
    m_qrWidget->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    m_qrWidget->setMargin(3);
    m_qrWidget->setData(QByteArray());
    m_qrWidget->setStyleSheet(QStringLiteral(
        "QWidget {min-width: 138px;max-width: 138px;min-height: 138px;max-height: 138px;}"));

    m_refreshButton = new QPushButton(tr("二维码已失效\n点击刷新"));
    m_refreshButton->setObjectName(QStringLiteral("refreshButton"));
    m_refreshButton->setStyleSheet(
        QStringLiteral("QPushButton {background-color: rgba(240, 240, 240, 220);color: #347aeb;"
                       "font-size: 14px;font-weight: bold;}"));
    // The overlay covers the whole code when it is visible.
    auto *overlay = new QVBoxLayout(m_qrWidget);
    overlay->setContentsMargins(0, 0, 0, 0);
    overlay->addWidget(m_refreshButton);

    m_hintLabel = new QLabel(tr("请用微信扫描二维码\n关注公众号登录"), this);
    m_hintLabel->setObjectName(QStringLiteral("hintLabel"));
    m_hintLabel->setStyleSheet(QStringLiteral("QLabel {color: #7C7C7C;font-size: 16px;"
                                              "min-height: 40px;max-height: 40px;"
                                              "background-color: transparent;}"));
    m_hintLabel->setAlignment(Qt::AlignCenter);

    auto *layout = new QVBoxLayout(this);
    layout->addSpacing(12);
    layout->addWidget(m_closeButton, 2, Qt::AlignRight);
    layout->addSpacing(19);
    layout->addWidget(title);
    layout->addSpacing(32);
    layout->addWidget(m_qrFrame, 0, Qt::AlignCenter);
    layout->addSpacing(76);
    layout->addWidget(m_hintLabel);
    layout->addStretch(2);
    layout->setSpacing(0);
    layout->setContentsMargins(frameMargin(), frameMargin(), frameMargin(), frameMargin());

    m_scanAnimation = new QLabel(m_qrFrame);
    m_scanAnimation->setObjectName(QStringLiteral("scanAnimation"));
    m_scanAnimation->setGeometry(0, 0, 188, 188);
    auto *movie = new QMovie(QStringLiteral(":/img/scan.gif"), QByteArray(), this);
    m_scanAnimation->setMovie(movie);
    movie->start();

    NetworkHelper::instance()->sendPageStatistics(NetworkHelper::LoginPage);
}

LoginWidget::~LoginWidget() = default;

int LoginWidget::exec()
{
    if (!m_buttonsWired)
        connectButtons();
    m_qrWidget->setData(QByteArray());
    createLoginCode();
    return MovableDialog::exec();
}

void LoginWidget::connectButtons()
{
    connect(m_refreshButton, &QPushButton::clicked, this, &LoginWidget::createLoginCode);
    connect(m_closeButton, &QPushButton::clicked, this, [this] {
        stopTimers();
        reject();
    });
    m_buttonsWired = true;
}

void LoginWidget::createLoginCode()
{
    m_scanAnimation->show();
    m_refreshButton->hide();
    NetworkHelper::instance()->createLoginQrCode(this);
}

void LoginWidget::stopTimers()
{
    if (m_pollTimer)
        m_pollTimer->stop();
    if (m_expiryTimer)
        m_expiryTimer->stop();
}

void LoginWidget::handleHttpResponse(RequestName::Name name, const QByteArray &body)
{
    if (name == RequestName::LoginStatus)
        m_pollPending = false;
    const ResponseEnvelope envelope = ResponseEnvelope::parse(body);
    switch (name) {
    case RequestName::LoginQrCode:
        if (envelope.code == 1)
            showCode(envelope.data);
        else
            handleHttpError(name, static_cast<QNetworkReply::NetworkError>(envelope.code),
                            envelope.msg);
        break;
    case RequestName::LoginStatus:
        showStatus(envelope.code, envelope.msg, envelope.data);
        break;
    default:
        break;
    }
}

void LoginWidget::showCode(const QJsonValue &code)
{
    m_ticket = code[QLatin1String("ticket")].toString();
    m_expireSeconds = code[QLatin1String("expire_seconds")].toInt();
    m_qrWidget->setData(code[QLatin1String("url")].toString().toUtf8());
    if (!m_expiryTimer) {
        m_expiryTimer = new QTimer(this);
        m_expiryTimer->setObjectName(QStringLiteral("expiryTimer"));
        connect(m_expiryTimer, &QTimer::timeout, this, [this] { qrExpired(); });
    }
    if (!m_pollTimer) {
        m_pollTimer = new QTimer(this);
        m_pollTimer->setObjectName(QStringLiteral("pollTimer"));
        connect(m_pollTimer, &QTimer::timeout, this, &LoginWidget::poll);
    }
    // A lifetime of zero or less would make a repeating zero-interval timer
    // spin; such a code counts as expired at once.
    if (m_expireSeconds > 0) {
        m_expiryTimer->start(
            static_cast<int>(qMin<qint64>(qint64{m_expireSeconds} * 1000, INT_MAX)));
    } else {
        m_expiryTimer->stop();
        qrExpired();
    }
    m_pollTimer->start(m_pollInterval);
    m_scanAnimation->hide();
}

void LoginWidget::poll()
{
    // A slow service would otherwise collect a queue of polls, and in an
    // outage each of them would end in its own error box.
    if (m_pollPending)
        return;
    m_pollPending = true;
    NetworkHelper::instance()->queryLogin(m_ticket, this);
}

void LoginWidget::showStatus(int code, const QString &msg, const QJsonValue &user)
{
    if (code == kStatusWaiting)
        return;
    stopTimers();
    m_refreshButton->show();
    switch (code) {
    case kStatusFailed: {
        m_refreshButton->setText(tr("二维码出异常\n点击刷新"));
        QMessageBox box(QMessageBox::Warning, AppInfo::messageBoxTitle(), msg, QMessageBox::Ok,
                        this);
        // The service's message is text: markup in it must not become a link.
        box.setTextFormat(Qt::PlainText);
        ScriptedMessageBox::exec(box);
        break;
    }
    case kStatusSignedIn:
        m_refreshButton->setText(tr("登录成功\n点击刷新"));
        User::instance()->parseUserInfo(user);
        accept();
        break;
    case kStatusExpired:
        m_refreshButton->setText(tr("二维码已失效\n点击刷新"));
        break;
    default:
        m_refreshButton->setText(tr("二维码其他问题\n点击刷新"));
        break;
    }
}

void LoginWidget::qrExpired()
{
    m_refreshButton->setText(tr("二维码已失效\n点击刷新"));
    m_refreshButton->show();
}

int LoginWidget::handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                                 const QString &errorMsg, QWidget *)
{
    // A failed poll is answered too.
    if (name == RequestName::LoginStatus)
        m_pollPending = false;
    stopTimers();
    return HttpHandler::handleHttpError(name, error, errorMsg, this);
}
