// What a download makes of each answer and of each ending, without a server:
// every case the job handles is a row.

#include "downloads/responsedecision.h"

#include <QtTest>

using namespace ResponseDecision;

Q_DECLARE_METATYPE(ResponseDecision::Answer)
Q_DECLARE_METATYPE(ResponseDecision::Known)
Q_DECLARE_METATYPE(ResponseDecision::End)
Q_DECLARE_METATYPE(ResponseDecision::Action)
Q_DECLARE_METATYPE(ResponseDecision::Reason)
Q_DECLARE_METATYPE(ResponseDecision::Outcome)

namespace {

Answer answer(int status, qint64 length = -1, QByteArray etag = QByteArray("\"v1\""),
              QByteArray contentRange = QByteArray())
{
    Answer a;
    a.status = status;
    a.contentLength = length;
    a.etag = etag;
    a.contentRange = contentRange;
    return a;
}

Known known(qint64 partLength = 0, qint64 expectedSize = -1,
            const QString &url = QStringLiteral("https://vendor.example/setup.exe"))
{
    Known k;
    k.requestUrl = QUrl(url);
    k.partLength = partLength;
    k.validator = partLength > 0 ? QByteArray("\"v1\"") : QByteArray();
    k.expectedSize = expectedSize;
    return k;
}

Answer redirect(const QString &target)
{
    Answer a = answer(302);
    a.redirectTarget = QUrl(target);
    return a;
}

End ended(Action action, qint64 size, const QByteArray &head = "MZ\x90",
          const QString &name = QStringLiteral("setup.exe"), qint64 total = -1)
{
    End e;
    e.decision.action = action;
    e.decision.total = total;
    e.size = size;
    e.head = head;
    e.fileName = name;
    return e;
}

} // namespace

class TestResponseDecision final : public QObject {
    Q_OBJECT

private slots:
    void decide_data()
    {
        QTest::addColumn<Answer>("answer");
        QTest::addColumn<Known>("known");
        QTest::addColumn<Action>("action");
        QTest::addColumn<Reason>("reason");
        QTest::addColumn<qint64>("offset");
        QTest::addColumn<qint64>("total");

        Answer gzip = answer(200, 100);
        gzip.contentEncoding = "gzip";
        Answer weak = answer(200, 100, "W/\"v1\"");
        weak.lastModified = "Tue, 01 Dec 2026 10:00:00 GMT";
        Known hops = known();
        hops.redirectHops = kMaxRedirects;
        const QByteArray rest = "bytes 40-99/100";

        QTest::newRow("no status yet")
            << Answer() << known() << Action::Wait << Reason::None << qint64(0) << qint64(-1);
        QTest::newRow("fresh body") << answer(200, 100) << known() << Action::Write << Reason::None
                                    << qint64(0) << qint64(100);
        QTest::newRow("whole file over a part") << answer(200, 100) << known(40) << Action::Restart
                                                << Reason::None << qint64(0) << qint64(100);
        QTest::newRow("weak ETag: Last-Modified")
            << weak << known() << Action::Write << Reason::None << qint64(0) << qint64(100);
        QTest::newRow("empty body") << answer(200, 0) << known() << Action::Fail << Reason::Empty
                                    << qint64(0) << qint64(-1);
        QTest::newRow("longer than the catalogue")
            << answer(200, 100) << known(0, 99) << Action::Fail << Reason::WrongSize << qint64(0)
            << qint64(-1);
        QTest::newRow("compressed")
            << gzip << known() << Action::Fail << Reason::Encoding << qint64(0) << qint64(-1);
        QTest::newRow("the rest of the same file")
            << answer(206, 60, "\"v1\"", rest) << known(40) << Action::Resume << Reason::None
            << qint64(40) << qint64(100);
        QTest::newRow("a rest from elsewhere")
            << answer(206, 60, "\"v1\"", "bytes 0-59/100") << known(40) << Action::Fail
            << Reason::WrongRange << qint64(0) << qint64(-1);
        QTest::newRow("a rest of another version")
            << answer(206, 60, "\"v2\"", rest) << known(40) << Action::Fail << Reason::Changed
            << qint64(0) << qint64(-1);
        QTest::newRow("a rest of another size than the catalogue's")
            << answer(206, 60, "\"v1\"", rest) << known(40, 120) << Action::Fail
            << Reason::WrongSize << qint64(0) << qint64(-1);
        QTest::newRow("part already whole")
            << answer(416, -1, "\"v1\"", "bytes */40") << known(40) << Action::Complete
            << Reason::None << qint64(40) << qint64(40);
        QTest::newRow("past the end of another size")
            << answer(416, -1, "\"v1\"", "bytes */30") << known(40) << Action::Fail
            << Reason::WrongRange << qint64(0) << qint64(-1);
        QTest::newRow("error status") << answer(404, 10) << known() << Action::Fail
                                      << Reason::HttpStatus << qint64(0) << qint64(-1);
        QTest::newRow("redirect") << redirect(QStringLiteral("https://cdn.example/a.exe"))
                                  << known() << Action::Redirect << Reason::None << qint64(0)
                                  << qint64(-1);
        QTest::newRow("https to http")
            << redirect(QStringLiteral("http://cdn.example/a.exe")) << known() << Action::Fail
            << Reason::BadRedirect << qint64(0) << qint64(-1);
        QTest::newRow("http to http")
            << redirect(QStringLiteral("http://cdn.example/a.exe"))
            << known(0, -1, QStringLiteral("http://v.example/a.exe")) << Action::Redirect
            << Reason::None << qint64(0) << qint64(-1);
        QTest::newRow("to a local file")
            << redirect(QStringLiteral("file:///home/u/.bashrc")) << known() << Action::Fail
            << Reason::BadRedirect << qint64(0) << qint64(-1);
        QTest::newRow("one hop too many")
            << redirect(QStringLiteral("https://cdn.example/a.exe")) << hops << Action::Fail
            << Reason::BadRedirect << qint64(0) << qint64(-1);
    }
    void decide()
    {
        QFETCH(Answer, answer);
        QFETCH(Known, known);
        QFETCH(Action, action);
        QFETCH(Reason, reason);
        QFETCH(qint64, offset);
        QFETCH(qint64, total);
        const Decision decision = ResponseDecision::decide(answer, known);
        QCOMPARE(decision.action, action);
        QCOMPARE(decision.reason, reason);
        if (action == Action::Fail)
            return;
        QCOMPARE(decision.offset, offset);
        QCOMPARE(decision.total, total);
        if (action == Action::Write || action == Action::Resume || action == Action::Restart)
            QCOMPARE(decision.validator,
                     answer.etag.startsWith("W/") ? answer.lastModified : answer.etag);
    }

    void atEnd_data()
    {
        QTest::addColumn<End>("end");
        QTest::addColumn<Outcome>("outcome");
        QTest::addColumn<Reason>("reason");
        QTest::addColumn<bool>("keepPart");

        End cancelled = ended(Action::Write, 10);
        cancelled.cancelled = true;
        End errorPage = ended(Action::Fail, 0);
        errorPage.decision.reason = Reason::HttpStatus;
        End changed = ended(Action::Fail, 40);
        changed.decision.reason = Reason::Changed;
        End diskFull = ended(Action::Write, 10);
        diskFull.writeFailure = Reason::DiskFull;
        End stalled = ended(Action::Write, 10);
        stalled.stalled = true;
        End proxy = ended(Action::Wait, 0);
        proxy.error = QNetworkReply::ProxyAuthenticationRequiredError;
        End closed = ended(Action::Write, 10);
        closed.error = QNetworkReply::RemoteHostClosedError;
        End shortOfCatalogue = ended(Action::Write, 10);
        shortOfCatalogue.expectedSize = 20;
        End overCatalogue = ended(Action::Write, 30);
        overCatalogue.expectedSize = 20;

        QTest::newRow("cancelled") << cancelled << Outcome::Cancelled << Reason::None << false;
        QTest::newRow("redirect") << ended(Action::Redirect, 0) << Outcome::FollowRedirect
                                  << Reason::None << true;
        QTest::newRow("error page") << errorPage << Outcome::Failed << Reason::HttpStatus << true;
        QTest::newRow("changed on the server")
            << changed << Outcome::Failed << Reason::Changed << false;
        QTest::newRow("disk full") << diskFull << Outcome::Failed << Reason::DiskFull << false;
        QTest::newRow("stalled") << stalled << Outcome::Failed << Reason::Stalled << true;
        QTest::newRow("proxy wants a password")
            << proxy << Outcome::Failed << Reason::ProxyAuth << true;
        QTest::newRow("closed by the server")
            << closed << Outcome::Failed << Reason::ClosedEarly << true;
        QTest::newRow("empty") << ended(Action::Write, 0, QByteArray()) << Outcome::Failed
                               << Reason::Empty << false;
        QTest::newRow("shorter than announced")
            << ended(Action::Resume, 60, "MZ", QStringLiteral("setup.exe"), 100) << Outcome::Failed
            << Reason::ClosedEarly << true;
        QTest::newRow("no length, shorter than the catalogue")
            << shortOfCatalogue << Outcome::Failed << Reason::ClosedEarly << true;
        QTest::newRow("longer than the catalogue")
            << overCatalogue << Outcome::Failed << Reason::WrongSize << false;
        QTest::newRow("login page as .exe") << ended(Action::Write, 30, "<!DOCTYPE html>")
                                            << Outcome::Failed << Reason::SomethingElse << false;
        QTest::newRow("program as .zip")
            << ended(Action::Write, 30, "MZ", QStringLiteral("driver.zip")) << Outcome::Failed
            << Reason::SomethingElse << false;
        QTest::newRow("program") << ended(Action::Write, 30) << Outcome::Done << Reason::None
                                 << false;
        QTest::newRow("part that was whole")
            << ended(Action::Complete, 40, "MZ", QStringLiteral("setup.exe"), 40) << Outcome::Done
            << Reason::None << false;
        QTest::newRow("zip") << ended(Action::Write, 30, "PK\x03\x04", QStringLiteral("d.ZIP"))
                             << Outcome::Done << Reason::None << false;
        QTest::newRow("msi") << ended(Action::Write, 30, "\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1",
                                      QStringLiteral("d.msi"))
                             << Outcome::Done << Reason::None << false;
        QTest::newRow("a name that says nothing")
            << ended(Action::Write, 30, "text", QStringLiteral("notes.txt")) << Outcome::Done
            << Reason::None << false;
    }
    void atEnd()
    {
        QFETCH(End, end);
        QFETCH(Outcome, outcome);
        QFETCH(Reason, reason);
        QFETCH(bool, keepPart);
        const Ending ending = ResponseDecision::atEnd(end);
        QCOMPARE(ending.outcome, outcome);
        QCOMPARE(ending.reason, reason);
        QCOMPARE(ending.keepPart, keepPart);
    }
};

QTEST_APPLESS_MAIN(TestResponseDecision)
#include "tst_responsedecision.moc"
