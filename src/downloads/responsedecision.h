#pragma once
// What an answer to a download's request means, decided from its headers and
// what the job knew when it asked; and, once the answer has ended, whether the
// part file holds the whole installer. Plain functions: no network, no files.

#include <QByteArray>
#include <QList>
#include <QNetworkReply>
#include <QPair>
#include <QString>
#include <QUrl>

namespace ResponseDecision {

enum class Action {
    Wait,     // no status yet
    Write,    // the whole file from its first byte into an empty part file
    Resume,   // the rest of the file after the part file's bytes
    Restart,  // the whole file again: what the part file held goes
    Complete, // the part file already holds the whole file
    Redirect, // follow the answer's target
    Fail,
};

// Why a download failed; the page shows the word beside the failure.
enum class Reason {
    None,
    HttpStatus,    // an error status
    Encoding,      // compressed although asked plain
    WrongRange,    // a range other than the one asked for
    Changed,       // the file changed since the part file was saved
    Empty,         // no body at all
    WrongSize,     // another size than the catalogue's
    ClosedEarly,   // the server ended before the whole body
    SomethingElse, // the first bytes are not what the name says
    BadRedirect,   // to a non-web address, from https to http, or too many hops
    Stalled,
    DiskFull,
    NotWritable,
    ProxyAuth,
    Network,
};

// Redirects followed before a chain is given up.
constexpr int kMaxRedirects = 10;

struct Answer {
    int status = 0;
    QUrl redirectTarget; // resolved against the request; empty for none
    QByteArray contentRange;
    QByteArray contentEncoding;
    qint64 contentLength = -1;
    QByteArray etag;
    QByteArray lastModified;
};

struct Known {
    QUrl requestUrl;
    qint64 partLength = 0;    // bytes asked not to be sent again (Range)
    QByteArray validator;     // the part file's ETag or Last-Modified, sent as If-Range
    qint64 expectedSize = -1; // the catalogue's size in bytes; -1 unknown
    int redirectHops = 0;
};

struct Decision {
    Action action = Action::Wait;
    Reason reason = Reason::None;
    qint64 offset = 0;    // bytes of the file before this answer's body
    qint64 total = -1;    // the whole file's size as announced; -1 unknown
    QByteArray validator; // what identifies this version of the file
    QUrl target;          // where a redirect leads

    bool writesBody() const
    {
        return action == Action::Write || action == Action::Resume || action == Action::Restart;
    }
};

Decision decide(const Answer &answer, const Known &known);

// What the reply's status line and headers say.
Answer answerOf(const QNetworkReply &reply);
// The headers of the request: the Referer AMD's servers want, the plain body,
// and, for a part file, the rest of the same version only.
QList<QPair<QString, QString>> requestHeaders(const QString &url, const Known &known);
// The page's size argument in bytes; -1 when it is not a positive number.
qint64 expectedSizeFrom(const QString &text);

// The answer has ended (or was ended).
struct End {
    End() = default;
    End(const Decision &answerDecision, bool byPage, bool noData,
        QNetworkReply::NetworkError networkError, const QString &name, qint64 expected)
        : decision(answerDecision), cancelled(byPage), stalled(noData), error(networkError),
          fileName(name), expectedSize(expected)
    {
    }

    Decision decision;
    bool cancelled = false; // by the page
    bool stalled = false;
    QNetworkReply::NetworkError error = QNetworkReply::NoError;
    QString fileName; // the name the file is to take
    qint64 expectedSize = -1;
    // What the part file says.
    Reason writeFailure = Reason::None; // DiskFull or NotWritable
    qint64 size = 0;
    QByteArray head; // its first bytes
};

enum class Outcome { Done, Cancelled, Failed, FollowRedirect };

struct Ending {
    Outcome outcome = Outcome::Failed;
    Reason reason = Reason::None;
    bool keepPart = false; // worth continuing from next time
};

Ending atEnd(const End &end);

// The page's word for a reason (PageProtocol::FailReason).
const char *reasonWord(Reason reason);

} // namespace ResponseDecision
