#include "service/serviceerrorbox.h"

#include "app/appinfo.h"

#include <QDesktopServices>
#include <QObject>
#include <QPushButton>
#include <QTimer>
#include <QUrl>

#include <optional>

namespace {
ServiceErrorBox::LinkSource &linkSource()
{
    static ServiceErrorBox::LinkSource source;
    return source;
}

std::optional<QMessageBox::StandardButton> &nextAnswer()
{
    static std::optional<QMessageBox::StandardButton> answer;
    return answer;
}

ServiceErrorBox::Shown &shown()
{
    static ServiceErrorBox::Shown box;
    return box;
}

QString kindText(RequestName::Name name)
{
    switch (name) {
    case RequestName::Config:
        return QObject::tr("获取配置错误。");
    case RequestName::LoginQrCode:
        return QObject::tr("获取登录二维码。");
    case RequestName::LoginStatus:
        return QObject::tr("获取登录状态。");
    case RequestName::UserInfo:
        return QObject::tr("获取用户信息错误。");
    }
    return QObject::tr("未知请求出错。");
}

QString customerServiceLink()
{
    if (linkSource())
        return linkSource()();
    return QString::fromUtf8(TESSALY_CHAT_URL);
}

// Answers the box from the event loop it runs, so a test sees the real box
// shown and answered without a person.
void answerWhenShown(QMessageBox &box, QMessageBox::StandardButton answer)
{
    QTimer::singleShot(0, &box, [&box, answer] {
        shown() = {box.windowTitle(),     box.text(),    box.icon(),
                   box.standardButtons(), box.isModal(), box.parentWidget()};
        if (QAbstractButton *button = box.button(answer))
            button->click();
        else
            box.close(); // as the window's close button does
    });
}
} // namespace

QString ServiceErrorBox::text(RequestName::Name name, int error, const QString &errorMsg)
{
    return QObject::tr("请求:") + kindText(name) + QObject::tr("错误码:") + QString::number(error) +
           QObject::tr(", 释义: ") + errorMsg + QObject::tr(", 是否联系客服处理？: ");
}

int ServiceErrorBox::ask(QWidget *parent, const QString &text)
{
    QMessageBox box(QMessageBox::Critical, AppInfo::messageBoxTitle(), text,
                    QMessageBox::Ok | QMessageBox::Cancel, parent);
    if (nextAnswer()) {
        answerWhenShown(box, *nextAnswer());
        nextAnswer().reset();
    }
    const int pressed = box.exec();
    if (pressed == QMessageBox::Ok)
        QDesktopServices::openUrl(QUrl(customerServiceLink(), QUrl::TolerantMode));
    return pressed;
}

void ServiceErrorBox::setLinkSource(LinkSource source)
{
    linkSource() = std::move(source);
}

void ServiceErrorBox::setNextAnswer(QMessageBox::StandardButton button)
{
    nextAnswer() = button;
}

ServiceErrorBox::Shown ServiceErrorBox::lastShown()
{
    return shown();
}
