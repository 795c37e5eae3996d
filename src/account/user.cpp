#include "account/user.h"

#include "account/userfile.h"
#include "base/buildconfig.h"
#include "base/logcategories.h"
#include "service/responseenvelope.h"
#include "service/serviceerrorbox.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QUrl>
#include <QWidget>

#include <exception>
#include <limits>

namespace {

const QString kDefaultAvatar = QStringLiteral(":/img/defaultHead.png");

QString percentEncoded(const QString &text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// An address as the service sent it, when it is one the error box and the
// "service" and "tutorial" messages may open: an absolute http(s) address
// with a host; else empty.
QString chatAddress(const QString &text)
{
    const QUrl url(text, QUrl::StrictMode);
    const bool web =
        url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
    return url.isValid() && web && !url.host().isEmpty() ? text : QString();
}

// The user file keeps a 32-bit count of seconds: a later expiry is clamped
// rather than read as 0 (signed out at once), and a count of milliseconds,
// as some services send, is taken as seconds.
qint32 expiryOf(const QJsonValue &value)
{
    constexpr double kMillisecondsFrom = 1e11; // in seconds, the year 5138
    double seconds = value.toDouble();
    if (seconds >= kMillisecondsFrom)
        seconds /= 1000;
    return static_cast<qint32>(qBound(0.0, seconds, double(std::numeric_limits<qint32>::max())));
}

} // namespace

User *User::instance()
{
    static User user;
    return &user;
}

User::User()
{
    loadUserFile();
    // The error box offers the chat with the account's state in the link.
    ServiceErrorBox::setLinkSource([] { return User::instance()->serviceLink(); });
    if (const QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &User::release);
}

void User::release()
{
    m_released = true;
    m_record.avatar = QPixmap();
}

void User::loadUserFile()
{
    m_record = UserRecord();
    const UserFile::LoadResult result = UserFile::load(UserFile::path(), m_record);
    if (result != UserFile::LoadResult::Complete && m_record.avatar.isNull())
        m_record.avatar.load(kDefaultAvatar);
}

bool User::isLoggedIn(const QDateTime &now) const
{
    return !m_record.token.isEmpty() && m_record.expireTime != 0 &&
           now < QDateTime::fromSecsSinceEpoch(m_record.expireTime, Qt::UTC);
}

void User::parseUserInfo(const QJsonValue &userObject)
{
    m_record.username = userObject[QLatin1String("username")].toString();
    m_record.nickname = userObject[QLatin1String("nickname")].toString();
    m_record.mobile = userObject[QLatin1String("mobile")].toString();
    m_record.token = userObject[QLatin1String("token")].toString();
    m_record.expireTime = expiryOf(userObject[QLatin1String("expiretime")]);
    m_record.userId = userObject[QLatin1String("user_id")].toInt();
    saveUserFile();
    emit update(false);
}

void User::signOut()
{
    m_record.username.clear();
    m_record.nickname.clear();
    m_record.mobile.clear();
    m_record.token.clear();
    m_record.expireTime = 0;
    m_record.userId = 0;
    saveUserFile();
    emit update(false);
}

bool User::saveUserFile()
{
    if (m_released) {
        qCWarning(lcAccount) << "user file not saved: the application has quit";
        return false;
    }
    return UserFile::save(UserFile::path(), m_record);
}

void User::storeConfig(const QJsonValue &data)
{
    m_configData = data;
    m_record.serviceBase = chatAddress(data[QLatin1String("kefu")].toString());
    m_learningPage = chatAddress(data[QLatin1String("learningPage")].toString());
    if (m_learningPage.isEmpty())
        m_learningPage = QStringLiteral(TESSALY_TUTORIAL_URL);
    m_internationalConfig = data[QLatin1String("international")];
    emit configReceived(m_internationalConfig);
}

void User::handleHttpResponse(RequestName::Name name, const QByteArray &data)
{
    if (name == RequestName::UserInfo) {
        takeUserInfoReply(data);
        return;
    }
    if (name != RequestName::Config)
        return;
    ResponseEnvelope envelope;
    try {
        envelope = ResponseEnvelope::parse(data);
        if (envelope.succeeded())
            storeConfig(envelope.data);
        else
            handleHttpError(name, static_cast<QNetworkReply::NetworkError>(envelope.code),
                            envelope.msg);
    } catch (const std::exception &e) {
        handleHttpError(name, static_cast<QNetworkReply::NetworkError>(envelope.code),
                        QString::fromLocal8Bit(e.what()));
    }
}

void User::takeUserInfoReply(const QByteArray &data)
{
    const ResponseEnvelope envelope = ResponseEnvelope::parse(data);
    if (envelope.succeeded()) {
        parseUserInfo(envelope.data);
        return;
    }
    // The service no longer takes the token: the user is signed out, or the
    // box would come back at every start.
    if (envelope.code != 0)
        signOut();
    handleHttpError(RequestName::UserInfo, static_cast<QNetworkReply::NetworkError>(envelope.code),
                    envelope.msg);
}

int User::handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                          const QString &errorMsg, QWidget *)
{
    return HttpHandler::handleHttpError(name, error, errorMsg, m_errorBoxParent.data());
}

QString User::serviceLink() const
{
    const bool signedIn = isLoggedIn();
    const QString c1 = percentEncoded(QStringLiteral("Tessaly"));
    const QString c2 =
        percentEncoded(signedIn ? QStringLiteral("已登录") : QStringLiteral("未登录"));
    const QString c3 = percentEncoded(signedIn ? m_record.nickname : QStringLiteral("游客"));

    // Without a usable address from the service the link would open nothing;
    // the built-in chat page stands in.
    QString base = m_configData.isNull()
                       ? chatAddress(m_record.serviceBase)
                       : chatAddress(m_configData[QLatin1String("kefu")].toString());
    if (base.isEmpty())
        base = QStringLiteral(TESSALY_CHAT_URL);
    return base + QStringLiteral("?c1=") + c1 + QStringLiteral("&c2=") + c2 +
           QStringLiteral("&c3=") + c3;
}
