#include "downloads/responsedecision.h"

#include "base/pageprotocol.h"

#include <QRegularExpression>

namespace ResponseDecision {

namespace {

struct ContentRange {
    qint64 first = -1;
    qint64 last = -1;
    qint64 total = -1; // -1: "*", not known
};

// "bytes 100-199/1000", "bytes 100-199/*" or, for 416, "bytes */1000".
ContentRange parseContentRange(const QByteArray &header)
{
    static const QRegularExpression form(
        QStringLiteral("^bytes\\s+(?:(\\d{1,18})-(\\d{1,18})|\\*)/(\\d{1,18}|\\*)$"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = form.match(QString::fromLatin1(header.trimmed()));
    ContentRange range;
    if (!match.hasMatch())
        return range;
    if (!match.captured(1).isEmpty()) {
        range.first = match.captured(1).toLongLong();
        range.last = match.captured(2).toLongLong();
    }
    if (match.captured(3) != QLatin1String("*"))
        range.total = match.captured(3).toLongLong();
    return range;
}

// If-Range takes only a strong validator: a weak ETag says "equivalent", not
// "the same bytes".
QByteArray validatorOf(const Answer &answer)
{
    const QByteArray etag = answer.etag.trimmed();
    if (!etag.isEmpty() && !etag.startsWith("W/"))
        return etag;
    return answer.lastModified.trimmed();
}

Decision failed(Reason reason)
{
    Decision decision;
    decision.action = Action::Fail;
    decision.reason = reason;
    return decision;
}

bool isWeb(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// What the first bytes of an installer of this name must be. A login page of
// a captive portal saved as setup.exe is the case this catches.
QByteArray magicFor(const QString &fileName)
{
    const QString suffix = fileName.section(QLatin1Char('.'), -1).toLower();
    if (suffix == QLatin1String("exe") || suffix == QLatin1String("dll"))
        return QByteArrayLiteral("MZ");
    if (suffix == QLatin1String("msi") || suffix == QLatin1String("msp"))
        return QByteArrayLiteral("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1");
    if (suffix == QLatin1String("zip"))
        return QByteArrayLiteral("PK");
    return QByteArray();
}

Reason reasonOfError(QNetworkReply::NetworkError error)
{
    switch (error) {
    case QNetworkReply::ProxyAuthenticationRequiredError:
        return Reason::ProxyAuth;
    case QNetworkReply::RemoteHostClosedError:
        return Reason::ClosedEarly;
    default:
        return error >= QNetworkReply::ContentAccessDenied &&
                       error <= QNetworkReply::UnknownServerError
                   ? Reason::HttpStatus
                   : Reason::Network;
    }
}

Ending failedEnd(Reason reason, bool keepPart)
{
    return Ending{Outcome::Failed, reason, keepPart};
}

} // namespace

Decision decide(const Answer &answer, const Known &known)
{
    if (answer.status == 0)
        return Decision();
    if (answer.status >= 300 && answer.status < 400 && !answer.redirectTarget.isEmpty()) {
        // A server may send the job anywhere on the web, but not to local
        // files, and never from an encrypted address to a plain one.
        const QUrl &target = answer.redirectTarget;
        const bool downgrade = known.requestUrl.scheme() == QLatin1String("https") &&
                               target.scheme() == QLatin1String("http");
        if (!isWeb(target) || downgrade || known.redirectHops >= kMaxRedirects)
            return failed(Reason::BadRedirect);
        Decision decision;
        decision.action = Action::Redirect;
        decision.target = target;
        return decision;
    }
    if (answer.status == 416) {
        // Asked for the rest of a part file that already holds the whole file.
        const ContentRange range = parseContentRange(answer.contentRange);
        const bool whole = known.partLength > 0 && range.total == known.partLength &&
                           (known.expectedSize < 0 || known.expectedSize == known.partLength);
        if (!whole)
            return failed(Reason::WrongRange);
        Decision decision;
        decision.action = Action::Complete;
        decision.offset = known.partLength;
        decision.total = known.partLength;
        decision.validator = known.validator;
        return decision;
    }
    if (answer.status < 200 || answer.status >= 300)
        return failed(Reason::HttpStatus);
    const QByteArray encoding = answer.contentEncoding.trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return failed(Reason::Encoding);

    Decision decision;
    decision.validator = validatorOf(answer);
    if (answer.status == 206) {
        const ContentRange range = parseContentRange(answer.contentRange);
        if (known.partLength == 0 || range.first != known.partLength ||
            (range.total >= 0 && range.last != range.total - 1))
            return failed(Reason::WrongRange);
        // A server that ignores If-Range must not splice two versions.
        if (!known.validator.isEmpty() && decision.validator != known.validator)
            return failed(Reason::Changed);
        if (known.expectedSize >= 0 && range.total >= 0 && range.total != known.expectedSize)
            return failed(Reason::WrongSize);
        decision.action = Action::Resume;
        decision.offset = known.partLength;
        decision.total = range.total;
        return decision;
    }
    decision.total = answer.contentLength;
    if (decision.total == 0)
        return failed(Reason::Empty);
    if (known.expectedSize >= 0 && decision.total >= 0 && decision.total != known.expectedSize)
        return failed(Reason::WrongSize);
    decision.action = known.partLength > 0 ? Action::Restart : Action::Write;
    return decision;
}

Ending atEnd(const End &end)
{
    const Decision &decision = end.decision;
    if (end.cancelled)
        return Ending{Outcome::Cancelled, Reason::None, false};
    if (decision.action == Action::Redirect && end.error == QNetworkReply::NoError)
        return Ending{Outcome::FollowRedirect, Reason::None, true};
    if (decision.action == Action::Fail) {
        // An error page leaves the part file as it was, worth continuing
        // from; a part of another version or size is not.
        const bool keep = decision.reason == Reason::HttpStatus ||
                          decision.reason == Reason::Encoding ||
                          decision.reason == Reason::BadRedirect;
        return failedEnd(decision.reason, keep);
    }
    if (end.writeFailure != Reason::None)
        return failedEnd(end.writeFailure, false);
    if (end.stalled)
        return failedEnd(Reason::Stalled, true);
    if (end.error != QNetworkReply::NoError || decision.action == Action::Wait)
        return failedEnd(decision.action == Action::Wait && end.error == QNetworkReply::NoError
                             ? Reason::Network
                             : reasonOfError(end.error),
                         true);

    // The body ended without error; the network layer can take a connection
    // closed mid-body for its end, so every length the job was told counts.
    if (end.size == 0)
        return failedEnd(Reason::Empty, false);
    if (decision.total >= 0 && end.size != decision.total)
        return failedEnd(Reason::ClosedEarly, end.size < decision.total);
    if (end.expectedSize >= 0 && end.size != end.expectedSize)
        return end.size < end.expectedSize ? failedEnd(Reason::ClosedEarly, true)
                                           : failedEnd(Reason::WrongSize, false);
    const QByteArray magic = magicFor(end.fileName);
    if (!end.head.startsWith(magic))
        return failedEnd(Reason::SomethingElse, false);
    return Ending{Outcome::Done, Reason::None, false};
}

Answer answerOf(const QNetworkReply &reply)
{
    Answer answer;
    answer.status = reply.attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    const QUrl target = reply.attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl();
    if (!target.isEmpty())
        answer.redirectTarget = reply.url().resolved(target);
    answer.contentRange = reply.rawHeader("Content-Range");
    answer.contentEncoding = reply.rawHeader("Content-Encoding");
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    answer.contentLength = length.isValid() ? length.toLongLong() : -1;
    answer.etag = reply.rawHeader("ETag");
    answer.lastModified = reply.rawHeader("Last-Modified");
    return answer;
}

QList<QPair<QString, QString>> requestHeaders(const QString &url, const Known &known)
{
    QList<QPair<QString, QString>> headers;
    // AMD's download servers refuse requests that do not come from its own site.
    if (url.contains(QLatin1String("amd.com"), Qt::CaseInsensitive))
        headers.append({QStringLiteral("Referer"), QStringLiteral("https://www.amd.com")});
    // A compressed body could not be checked against its announced length.
    headers.append({QStringLiteral("Accept-Encoding"), QStringLiteral("identity")});
    if (known.partLength > 0) {
        headers.append(
            {QStringLiteral("Range"), QStringLiteral("bytes=%1-").arg(known.partLength)});
        headers.append({QStringLiteral("If-Range"), QString::fromUtf8(known.validator)});
    }
    return headers;
}

qint64 expectedSizeFrom(const QString &text)
{
    static const QRegularExpression digits(QStringLiteral("^\\d{1,18}$"));
    const QString trimmed = text.trimmed();
    const qint64 size = digits.match(trimmed).hasMatch() ? trimmed.toLongLong() : -1;
    return size > 0 ? size : -1;
}

const char *reasonWord(Reason reason)
{
    namespace Words = PageProtocol::FailReason;
    switch (reason) {
    case Reason::None:
        return "";
    case Reason::HttpStatus:
        return Words::kHttpStatus;
    case Reason::Encoding:
    case Reason::SomethingElse:
        return Words::kSomethingElse;
    case Reason::WrongRange:
    case Reason::Changed:
        return Words::kChanged;
    case Reason::Empty:
        return Words::kEmpty;
    case Reason::WrongSize:
        return Words::kWrongSize;
    case Reason::ClosedEarly:
        return Words::kClosedEarly;
    case Reason::BadRedirect:
        return Words::kBadRedirect;
    case Reason::Stalled:
        return Words::kStalled;
    case Reason::DiskFull:
        return Words::kDiskFull;
    case Reason::NotWritable:
        return Words::kNotWritable;
    case Reason::ProxyAuth:
        return Words::kProxyAuth;
    case Reason::Network:
        break;
    }
    return Words::kNetwork;
}

} // namespace ResponseDecision
