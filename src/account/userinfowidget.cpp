#include "account/userinfowidget.h"

#include "account/user.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
const QString kAccountStyle =
    QStringLiteral("QLabel {color: #FFFFFF;text-align: left;font-size: 12px;}");
}

UserInfoWidget::UserInfoWidget(QWidget *parent) : QDialog(parent)
{
    setWindowFlags(windowFlags() | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground, true);

    m_avatarLabel = new QLabel(this);
    m_avatarLabel->setObjectName(QStringLiteral("avatarLabel"));
    m_avatarLabel->setStyleSheet(
        QStringLiteral("QLabel {min-width: 40px;max-width: 40px;width: 40px;height: 40px;"
                       "min-height: 40px;max-height: 40px;}"));

    m_accountLabel = new QLabel(tr("微信:"), this);
    m_accountLabel->setObjectName(QStringLiteral("accountLabel"));
    m_accountLabel->setStyleSheet(kAccountStyle);
    m_idLabel = new QLabel(this);
    m_idLabel->setObjectName(QStringLiteral("idLabel"));
    m_idLabel->setStyleSheet(kAccountStyle);

    auto *middle = new QWidget(this);
    middle->setStyleSheet(QStringLiteral("QWidget {width: 125px;}"));
    auto *middleLayout = new QVBoxLayout(middle);
    middleLayout->setContentsMargins(0, 0, 0, 0);
    middleLayout->addWidget(m_accountLabel);
    middleLayout->addWidget(m_idLabel);

    m_signOutButton = new QPushButton(tr("退出"), this);
    m_signOutButton->setObjectName(QStringLiteral("signOutButton"));
    m_signOutButton->setStyleSheet(
        QStringLiteral("QPushButton {min-width: 35px;max-width: 35px;width:35px;"
                       "background-color: transparent;color: #FFFFFF;font-size: 12px;}"));
    auto *right = new QWidget(this);
    auto *rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(m_signOutButton, 0, Qt::AlignRight);
    rightLayout->addStretch(5);

    auto *row = new QHBoxLayout(this);
    row->addWidget(m_avatarLabel, 0, Qt::AlignTop);
    row->addSpacing(12);
    row->addWidget(middle);
    row->addWidget(right);
    row->setContentsMargins(12, 17, 14, 12);

    resize(322, 98);
    setStyleSheet(QStringLiteral("QDialog { border-radius: 10px;border-width: 0;"
                                 "border-image: url(:/img/background.png); }"));

    connect(m_signOutButton, &QPushButton::clicked, this, &UserInfoWidget::signOut);
}

UserInfoWidget::~UserInfoWidget() = default;

void UserInfoWidget::setHeaderImage(const QString &path)
{
    m_avatarLabel->setPixmap(QPixmap(path));
}

void UserInfoWidget::setHeaderImage(const QPixmap &pixmap)
{
    m_avatarLabel->setPixmap(
        pixmap.scaled(m_avatarLabel->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void UserInfoWidget::setNickname(const QString &nickname, bool isPhone)
{
    const QString text = (isPhone ? tr("手机号: ") : tr("微信: ")) + nickname;
    // Measure with the style sheet's font even before the popup is first shown.
    m_accountLabel->ensurePolished();
    const int width = QFontMetrics(m_accountLabel->font()).boundingRect(text).width();
    m_accountLabel->setText(text);
    m_accountLabel->setFixedWidth(width + 21);
}

void UserInfoWidget::SetUserIDLbl(int id)
{
    m_idLabel->setText(QStringLiteral("(ID: %1)").arg(id));
}

void UserInfoWidget::paintEvent(QPaintEvent *)
{
    // The corners outside the rounded card stay transparent.
    const QPixmap image(QStringLiteral(":/img/background.png"));
    const QRect canvas(QPoint(0, 0), image.size());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath rounded;
    rounded.addRoundedRect(canvas, 10, 10, Qt::AbsoluteSize);
    painter.setClipPath(rounded);
    painter.drawPixmap(canvas, image);
}

void UserInfoWidget::signOut()
{
    User::instance()->signOut();
    hide();
}
