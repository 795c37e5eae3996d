#pragma once
// One logging category per subsystem, so a support line says where it came
// from and QT_LOGGING_RULES can turn one up or down. "tessaly.chatter" carries
// the per-event lines of dragging and polling; it is off unless turned on
// (QT_LOGGING_RULES="tessaly.chatter.debug=true").

#include <QLoggingCategory>
#include <QString>

class QNetworkReply;
class QUrl;

Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcHardware)
Q_DECLARE_LOGGING_CATEGORY(lcService)
Q_DECLARE_LOGGING_CATEGORY(lcAccount)
Q_DECLARE_LOGGING_CATEGORY(lcDownloads)
Q_DECLARE_LOGGING_CATEGORY(lcWebUi)
Q_DECLARE_LOGGING_CATEGORY(lcChatter)

namespace LogText {

// An address as it may appear in a log: no query, fragment or user
// information, which can carry tokens, tickets and passwords.
QString address(const QUrl &url);
// A reply's HTTP status; 0 when no answer came.
int httpStatus(const QNetworkReply &reply);
// Qt's error text of a reply with the reply's address (and the address of the
// request that led to it) cut down the same way.
QString errorText(const QNetworkReply &reply);

} // namespace LogText
