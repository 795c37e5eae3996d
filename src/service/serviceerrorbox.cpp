#include "service/serviceerrorbox.h"

#include "base/appinfo.h"
#include "base/buildconfig.h"
#include "base/scriptedmessagebox.h"

#include <QDesktopServices>
#include <QMessageBox>
#include <QObject>
#include <QUrl>

namespace {
ServiceErrorBox::LinkSource &linkSource()
{
    static ServiceErrorBox::LinkSource source;
    return source;
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
    case RequestName::Catalogue:
        return QObject::tr("获取驱动目录错误。");
    }
    return QObject::tr("未知请求出错。");
}

QString customerServiceLink()
{
    if (linkSource())
        return linkSource()();
    return QString::fromUtf8(TESSALY_CHAT_URL);
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
    // The service's message is text: markup in it must not become a link.
    box.setTextFormat(Qt::PlainText);
    const int pressed = ScriptedMessageBox::exec(box);
    if (pressed == QMessageBox::Ok)
        QDesktopServices::openUrl(QUrl(customerServiceLink(), QUrl::TolerantMode));
    return pressed;
}

void ServiceErrorBox::setLinkSource(LinkSource source)
{
    linkSource() = std::move(source);
}
