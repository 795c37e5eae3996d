#pragma once
// The account and the service configuration: who is signed in (persisted in
// the user file until the sign-in expires), the customer-service and tutorial
// addresses, and the chosen download folder.

#include "account/userrecord.h"
#include "service/httphandler.h"

#include <QDateTime>
#include <QJsonValue>
#include <QObject>
#include <QPointer>

#include <QWidget>

class User final : public QObject, public HttpHandler {
    Q_OBJECT

public:
    // The process-wide instance; the first call loads the user file.
    static User *instance();

    // Signed in: a token and an expiry that lies after `now`.
    bool isLoggedIn(const QDateTime &now) const;
    bool isLoggedIn() const { return isLoggedIn(QDateTime::currentDateTimeUtc()); }

    // Stores a user object of the service, saves the user file and emits update.
    void parseUserInfo(const QJsonValue &userObject);
    // Ends the sign-in: the account fields are emptied, the avatar, service
    // address and save folder stay; then saves and emits update.
    void signOut();
    bool saveUserFile();
    // Reads the user file into the record, as at start.
    void loadUserFile();

    // Customer-service chat address with the product, sign-in state and name.
    QString serviceLink() const;

    const UserRecord &record() const { return m_record; }
    QString username() const { return m_record.username; }
    QString nickname() const { return m_record.nickname; }
    QString mobile() const { return m_record.mobile; }
    QPixmap avatar() const { return m_record.avatar; }
    QString token() const { return m_record.token; }
    QString serviceBase() const { return m_record.serviceBase; }
    QString learningPage() const { return m_learningPage; }
    qint32 userId() const { return m_record.userId; }
    qint32 expireTime() const { return m_record.expireTime; }
    QString saveFolder() const { return m_record.saveFolder; }
    void setSaveFolder(const QString &folder) { m_record.saveFolder = folder; }
    QJsonValue configData() const { return m_configData; }
    QJsonValue internationalConfig() const { return m_internationalConfig; }

    // The window the error box of a failed configuration query opens over.
    void setErrorBoxParent(QWidget *parent) { m_errorBoxParent = parent; }

public slots:
    // Takes the configuration reply and the user information reply (which the
    // main window receives and hands on); other kinds are ignored.
    void handleHttpResponse(RequestName::Name name, const QByteArray &data) override;
    int handleHttpError(RequestName::Name name, QNetworkReply::NetworkError error,
                        const QString &errorMsg, QWidget *parent = nullptr) override;

signals:
    // A user object was stored or the user signed out.
    void update(bool img = false);
    // A configuration reply was stored; carries its "international" entry.
    void configReceived(const QJsonValue &international);

private:
    User();
    // What the user record holds of the window system goes while the
    // application runs; the record is not saved after it.
    void release();

    // Takes the "data" of a successful configuration reply.
    void storeConfig(const QJsonValue &data);
    // A signed-in user's record, or the error box for a refused token.
    void takeUserInfoReply(const QByteArray &data);

    UserRecord m_record;
    QString m_learningPage;
    QJsonValue m_configData{QJsonValue::Null};
    QJsonValue m_internationalConfig{QJsonValue::Null};
    QPointer<QWidget> m_errorBoxParent;
    bool m_released = false;
};
