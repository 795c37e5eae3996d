// Drives the runtime library through real pages in a real view, the way the
// program does: bound native functions, page functions called from native
// code, and the load hook that serves every request.

#include "fakeinput.h"

#include <wke.h>

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTemporaryFile>
#include <QVBoxLayout>
#include <QWidget>
#include <QWindow>
#include <QtTest>

#include <cstdio>
#include <functional>

#include <unistd.h>

namespace {

const QString kBase = QStringLiteral("http://pages.test/");

QStringList &capturedMessages()
{
    static QStringList messages;
    return messages;
}

void captureMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    capturedMessages().append(message);
}

const char kPage[] = R"(<!DOCTYPE html>
<html><head><meta charset="utf-8"><link rel="stylesheet" href="css/a.css"></head>
<body><div id="box">box</div><img id="img"><iframe src="frame.html"></iframe>
<script>
function describe() { var r = give(); return typeof r + ':' + String(r); }
function twice(n) { return n * 2; }
function isPositive(n) { return n > 0; }
function echo() {
    return Array.prototype.map.call(arguments, function (v) { return typeof v + ':' + String(v); }).join('|');
}
function thrower() { throw new Error('boom'); }
function callReenter(n) { var r = reenter(n); return typeof r + ':' + String(r); }
function logLine() { console.log('hello from the page'); }
function loadImage(src, key) {
    var i = new Image();
    i.onload = function () { report(key, String(i.naturalWidth)); };
    i.onerror = function () { report(key, 'error'); };
    i.src = src;
}
function addFrame(src) { var f = document.createElement('iframe'); f.src = src; document.body.appendChild(f); }
function throwLater() { setTimeout(function () { throw new Error('later'); }, 0); }
var samples = {
    none: [],
    strings: ['abc', '驱动 中文'],
    numbers: [42, -3.9, 4294967301, '12'],
    kinds: [true, false, null, undefined, { toString: function () { return 'custom'; } }, [1, 2], named]
};
function waitForTick() { setTimeout(function () { report('tick', 'ticked'); }, 0); return waitInside(); }
function named() {}
named.toString = function () { return 'named function'; };
function callInspect(name) { return inspect.apply(null, samples[name]); }
function fetchBytes(url, key) {
    var x = new XMLHttpRequest();
    x.open('GET', url);
    x.responseType = 'arraybuffer';
    x.onload = function () {
        var b = new Uint8Array(x.response), hex = '';
        for (var i = 0; i < b.length; ++i) hex += ('0' + b[i].toString(16)).slice(-2);
        report(key, hex + '|' + x.getResponseHeader('Content-Type'));
    };
    x.onerror = function () { report(key, 'error'); };
    x.send();
}
document.getElementById('img').onload = function () { report('img', String(this.naturalWidth)); };
document.getElementById('img').src = 'img/a.png';
document.onmousedown = function (e) { report('down', e.clientX + ',' + e.clientY); };
document.onkeydown = function (e) { report('key', String(e.keyCode)); };
report('ready', getComputedStyle(document.getElementById('box')).color);
</script></body></html>
)";

struct Resource {
    QByteArray body;
    QByteArray mimeType;
    bool hasBody = true;
};

} // namespace

class TestRuntime final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void subresourcesPassThroughHook();
    void boundResultKeepsKind_data();
    void boundResultKeepsKind();
    void argumentsAsNativeSeesThem_data();
    void argumentsAsNativeSeesThem();
    void pageFunctionAnswers_data();
    void pageFunctionAnswers();
    void reentrantCallFromBoundFunction_data();
    void reentrantCallFromBoundFunction();
    void topLevelValuesExpire();
    void eventLoopInsideBoundCall();
    void bindingAfterLoad();
    void hookAnswersExactly_data();
    void hookAnswersExactly();
    void requestsBeyondHookAreRefused();
    void consoleReachesStandardError();
    void viewFollowsContainer();
    void decodeUrlEscape_data();
    void decodeUrlEscape();
    void nullHandlesAreHarmless();
    void inputReachesEmbeddedView();
    void viewGoesWithItsParent();

private:
    static bool WKE_CALL hook(wkeWebView view, void *param, const char *url, wkeNetJob job);
    static jsValue WKE_CALL give(jsExecState es, void *param);
    static jsValue WKE_CALL inspect(jsExecState es, void *param);
    static jsValue WKE_CALL reenter(jsExecState es, void *param);
    static jsValue WKE_CALL report(jsExecState es, void *param);
    static jsValue WKE_CALL late(jsExecState es, void *param);
    static jsValue WKE_CALL waitInside(jsExecState es, void *param);

    jsExecState es() const { return wkeGlobalExec(m_view); }
    jsValue toJs(const QVariant &v);
    jsValue callPage(const char *function, const QVariantList &args = {});
    QString text(jsValue v) { return QString::fromUtf8(jsToTempString(es(), v)); }

    QWidget *m_host = nullptr;
    QWidget *m_container = nullptr;
    wkeWebView m_view = nullptr;
    QHash<QString, Resource> m_files;
    QStringList m_requests;
    QHash<QString, QString> m_reports;
    QVariant m_giveValue;
    jsValue m_lastMade = 0;
    QStringList m_seenArgs;
    bool m_reenterWithViewState = false;
};

bool TestRuntime::hook(wkeWebView, void *param, const char *url, wkeNetJob job)
{
    auto *self = static_cast<TestRuntime *>(param);
    const QString address = QString::fromUtf8(url);
    self->m_requests.append(address);
    if (!address.startsWith(kBase))
        return false;
    const Resource r = self->m_files.value(address.mid(kBase.size()));
    if (r.hasBody)
        wkeNetSetData(job, r.body.constData(), r.body.size());
    if (!r.mimeType.isNull())
        wkeNetSetMIMEType(job, r.mimeType.constData());
    return true;
}

jsValue TestRuntime::give(jsExecState es, void *param)
{
    auto *self = static_cast<TestRuntime *>(param);
    const QVariant &v = self->m_giveValue;
    if (v.type() == QVariant::String)
        return self->m_lastMade = jsString(es, v.toString().toUtf8().constData());
    if (v.type() == QVariant::Bool)
        return v.toBool() ? jsTrue() : jsFalse();
    if (v.type() == QVariant::Int)
        return jsInt(v.toInt());
    return jsUndefined();
}

jsValue TestRuntime::inspect(jsExecState es, void *param)
{
    auto *self = static_cast<TestRuntime *>(param);
    self->m_seenArgs.clear();
    const int count = jsArgCount(es);
    for (int i = 0; i <= count; ++i) {
        const jsValue v = jsArg(es, i);
        self->m_seenArgs.append(QStringLiteral("%1:%2:%3:%4")
                                    .arg(jsArgType(es, i))
                                    .arg(QString::fromUtf8(jsToTempString(es, v)))
                                    .arg(jsToInt(es, v))
                                    .arg(jsToBoolean(es, v)));
    }
    return jsInt(count);
}

jsValue TestRuntime::reenter(jsExecState es, void *param)
{
    auto *self = static_cast<TestRuntime *>(param);
    const jsExecState state = self->m_reenterWithViewState ? self->es() : es;
    jsValue arg = jsArg(es, 0);
    return jsCallGlobal(state, jsGetGlobal(state, "twice"), &arg, 1);
}

jsValue TestRuntime::report(jsExecState es, void *param)
{
    auto *self = static_cast<TestRuntime *>(param);
    const QString key = QString::fromUtf8(jsToTempString(es, jsArg(es, 0)));
    self->m_reports.insert(key, QString::fromUtf8(jsToTempString(es, jsArg(es, 1))));
    return jsUndefined();
}

// Runs an event loop inside the call, as a modal dialog does, until page
// script has called back into native code from a timer.
jsValue TestRuntime::waitInside(jsExecState es, void *param)
{
    auto *self = static_cast<TestRuntime *>(param);
    const jsValue made = jsString(es, "made before the loop");
    QEventLoop loop;
    QTimer poll;
    connect(&poll, &QTimer::timeout, &loop, [&] {
        if (self->m_reports.contains(QStringLiteral("tick")))
            loop.quit();
    });
    poll.start(5);
    loop.exec();
    return made;
}

jsValue TestRuntime::late(jsExecState es, void *)
{
    return jsString(es, "late binding");
}

jsValue TestRuntime::toJs(const QVariant &v)
{
    if (v.type() == QVariant::String)
        return jsString(es(), v.toString().toUtf8().constData());
    if (v.type() == QVariant::Bool)
        return jsBoolean(v.toBool());
    if (v.type() == QVariant::Int)
        return jsInt(v.toInt());
    return jsUndefined();
}

jsValue TestRuntime::callPage(const char *function, const QVariantList &args)
{
    QVector<jsValue> values;
    for (const QVariant &a : args)
        values.append(toJs(a));
    return jsCallGlobal(es(), jsGetGlobal(es(), function), values.data(), values.size());
}

void TestRuntime::initTestCase()
{
    QImage image(3, 2, QImage::Format_RGB32);
    image.fill(Qt::red);
    QBuffer png;
    png.open(QIODevice::WriteOnly);
    image.save(&png, "PNG");
    m_files.insert(QStringLiteral("page.html"), {QByteArray(kPage), "text/html"});
    m_files.insert(QStringLiteral("css/a.css"), {"#box { color: rgb(1, 2, 3); }", {}});
    m_files.insert(QStringLiteral("img/a.png"), {png.data(), {}});
    m_files.insert(QStringLiteral("frame2.html"),
                   {"<script>report('frame2', 'shown');</script>", {}});
    m_files.insert(QStringLiteral("frame.html"),
                   {"<script>report('frame', typeof give + ' ' + typeof report);</script>", {}});

    wkeInitializeEx(nullptr);
    // Bound before any view exists, as the program does.
    wkeJsBindFunction("give", give, this, 0);
    wkeJsBindFunction("inspect", inspect, this, 8);
    wkeJsBindFunction("reenter", reenter, this, 1);
    wkeJsBindFunction("report", report, this, 2);
    wkeJsBindFunction("waitInside", waitInside, this, 0);

    m_host = new QWidget;
    m_host->resize(400, 300);
    m_view =
        wkeCreateWebWindow(WKE_WINDOW_TYPE_CONTROL, wkeNativeWindow(m_host->winId()), 0, 0, 0, 0);
    QVERIFY(m_view);
    wkeOnLoadUrlBegin(m_view, hook, this);
    wkeShowWindow(m_view, true);
    wkeLoadURLW(m_view, QString(kBase + QStringLiteral("page.html")).toStdWString().c_str());

    QWindow *window = QWindow::fromWinId(WId(wkeGetWindowHandle(m_view)));
    m_container = QWidget::createWindowContainer(window, m_host);
    auto *layout = new QVBoxLayout(m_host);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_container);
    m_host->show();

    // The stylesheet came through the hook and applies.
    QTRY_COMPARE(m_reports.value(QStringLiteral("ready")), QStringLiteral("rgb(1, 2, 3)"));
}

void TestRuntime::cleanupTestCase()
{
    delete m_host;
}

void TestRuntime::viewGoesWithItsParent()
{
    // A second view left a plain child of its parent, not embedded.
    auto *plainParent = new QWidget;
    plainParent->resize(200, 100);
    const wkeWebView plain = wkeCreateWebWindow(
        WKE_WINDOW_TYPE_CONTROL, wkeNativeWindow(plainParent->winId()), 0, 0, 200, 100);
    wkeShowWindow(plain, true);
    plainParent->show();
    QVERIFY(QTest::qWaitForWindowExposed(plainParent));

    capturedMessages().clear();
    const QtMessageHandler previous = qInstallMessageHandler(captureMessage);
    delete plainParent;
    delete m_host;
    m_host = nullptr;
    QCoreApplication::processEvents();
    qInstallMessageHandler(previous);
    // Taken out of the parent before the system destroys it: no X errors.
    QVERIFY2(capturedMessages().isEmpty(), qPrintable(capturedMessages().join(QLatin1Char('\n'))));
    for (const wkeWebView view : {m_view, plain}) {
        QCOMPARE(wkeGlobalExec(view), nullptr);
        QCOMPARE(wkeGetWindowHandle(view), wkeNativeWindow(0));
    }
}

void TestRuntime::subresourcesPassThroughHook()
{
    QTRY_COMPARE(m_reports.value(QStringLiteral("img")), QStringLiteral("3"));
    // Child frames have the bound functions too.
    QTRY_COMPARE(m_reports.value(QStringLiteral("frame")), QStringLiteral("function function"));
    callPage("fetchBytes", {QString(kBase + QStringLiteral("data/xhr")), QStringLiteral("xhr")});
    QTRY_VERIFY(m_reports.contains(QStringLiteral("xhr")));
    for (const char *path : {"page.html", "css/a.css", "img/a.png", "frame.html", "data/xhr"})
        QVERIFY2(m_requests.contains(kBase + QLatin1String(path)), path);
}

void TestRuntime::boundResultKeepsKind_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QString>("seen");
    QTest::newRow("string") << QVariant(QStringLiteral("abc")) << "string:abc";
    QTest::newRow("chinese") << QVariant(QStringLiteral("驱动 中文")) << "string:驱动 中文";
    QTest::newRow("empty string") << QVariant(QString()) << "string:";
    QTest::newRow("awkward string")
        << QVariant(QStringLiteral("a'\"\\\u2028</script>")) << "string:a'\"\\\u2028</script>";
    QTest::newRow("int") << QVariant(42) << "number:42";
    QTest::newRow("negative int") << QVariant(-2147483647 - 1) << "number:-2147483648";
    QTest::newRow("true") << QVariant(true) << "boolean:true";
    QTest::newRow("false") << QVariant(false) << "boolean:false";
    QTest::newRow("undefined") << QVariant() << "undefined:undefined";
}

void TestRuntime::boundResultKeepsKind()
{
    QFETCH(QVariant, value);
    QFETCH(QString, seen);
    m_giveValue = value;
    m_lastMade = 0;
    const jsValue answer = callPage("describe");
    QCOMPARE(jsArgType(nullptr, 0), JSTYPE_UNDEFINED);
    QCOMPARE(text(answer), seen);
    // A value made inside a bound call is gone once the call has returned.
    if (m_lastMade)
        QCOMPARE(text(m_lastMade), QStringLiteral("undefined"));
}

void TestRuntime::argumentsAsNativeSeesThem_data()
{
    // Each argument as type:text:int:bool, then the first absent one.
    QTest::addColumn<QString>("sample");
    QTest::addColumn<QStringList>("seen");
    const QString absent = QStringLiteral("5:undefined:0:0");
    QTest::newRow("none") << "none" << QStringList{absent};
    QTest::newRow("strings") << "strings" << QStringList{"1:abc:0:1", "1:驱动 中文:0:1", absent};
    QTest::newRow("numbers") << "numbers"
                             << QStringList{"0:42:42:1", "0:-3.9:-3:1", "0:4294967301:5:1",
                                            "1:12:12:1", absent};
    QTest::newRow("other kinds") << "kinds" << QStringList{"2:true:1:1",           "2:false:0:0",
                                                           "7:null:0:0",           absent,
                                                           "3:custom:0:1",         "6:1,2:0:1",
                                                           "4:named function:0:1", absent};
}

void TestRuntime::argumentsAsNativeSeesThem()
{
    QFETCH(QString, sample);
    QFETCH(QStringList, seen);
    const jsValue count = callPage("callInspect", {sample});
    QCOMPARE(m_seenArgs, seen);
    QCOMPARE(jsToInt(es(), count), seen.size() - 1);
}

void TestRuntime::pageFunctionAnswers_data()
{
    QTest::addColumn<QByteArray>("function");
    QTest::addColumn<QVariantList>("args");
    QTest::addColumn<int>("type");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("truthy");
    QTest::newRow("true") << QByteArray("isPositive") << QVariantList{5} << int(JSTYPE_BOOLEAN)
                          << "true" << true;
    QTest::newRow("false") << QByteArray("isPositive") << QVariantList{-1} << int(JSTYPE_BOOLEAN)
                           << "false" << false;
    QTest::newRow("number") << QByteArray("twice") << QVariantList{21} << int(JSTYPE_NUMBER) << "42"
                            << true;
    QTest::newRow("typed arguments")
        << QByteArray("echo")
        << QVariantList{7, true, QStringLiteral("q'\"\\\u2028中"), QVariant(), QString()}
        << int(JSTYPE_STRING)
        << "number:7|boolean:true|string:q'\"\\\u2028中|undefined:undefined|string:" << true;
    QTest::newRow("missing function") << QByteArray("noSuchFunction") << QVariantList{}
                                      << int(JSTYPE_UNDEFINED) << "undefined" << false;
    QTest::newRow("throwing function")
        << QByteArray("thrower") << QVariantList{} << int(JSTYPE_UNDEFINED) << "undefined" << false;
}

void TestRuntime::pageFunctionAnswers()
{
    QFETCH(QByteArray, function);
    QFETCH(QVariantList, args);
    QFETCH(int, type);
    QFETCH(QString, text);
    QFETCH(bool, truthy);
    const jsValue answer = callPage(function.constData(), args);
    QCOMPARE(this->text(answer), text);
    QCOMPARE(jsToBoolean(es(), answer), truthy);
    // Read the kind the way a bound function would: as an argument.
    m_seenArgs.clear();
    jsValue arg = answer;
    jsCallGlobal(es(), jsGetGlobal(es(), "inspect"), &arg, 1);
    QCOMPARE(m_seenArgs.value(0).section(QLatin1Char(':'), 0, 0).toInt(), type);
}

void TestRuntime::reentrantCallFromBoundFunction_data()
{
    QTest::addColumn<bool>("viewState");
    QTest::newRow("state of the call") << false;
    QTest::newRow("state of the view") << true;
}

void TestRuntime::reentrantCallFromBoundFunction()
{
    QFETCH(bool, viewState);
    m_reenterWithViewState = viewState;
    QCOMPARE(text(callPage("callReenter", {21})), QStringLiteral("number:42"));
}

void TestRuntime::topLevelValuesExpire()
{
    const jsValue v = jsString(es(), "kept for now");
    QCOMPARE(text(v), QStringLiteral("kept for now"));
    QTRY_COMPARE(text(v), QStringLiteral("undefined"));
}

void TestRuntime::eventLoopInsideBoundCall()
{
    QCOMPARE(text(callPage("waitForTick")), QStringLiteral("made before the loop"));
    QCOMPARE(m_reports.value(QStringLiteral("tick")), QStringLiteral("ticked"));
}

void TestRuntime::bindingAfterLoad()
{
    wkeJsBindFunction("late", late, nullptr, 0);
    QCOMPARE(text(callPage("late")), QStringLiteral("late binding"));
}

void TestRuntime::hookAnswersExactly_data()
{
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<QByteArray>("mimeType");
    QTest::addColumn<bool>("setBody");
    QTest::addColumn<QString>("seen");
    QTest::newRow("bytes and type") << QByteArray("\x00\x01\xff"
                                                  "A",
                                                  4)
                                    << QByteArray("application/x-test; charset=x") << true
                                    << "0001ff41|application/x-test; charset=x";
    QTest::newRow("text without type") << QByteArray("中") << QByteArray() << true << "e4b8ad|null";
    QTest::newRow("type without body")
        << QByteArray() << QByteArray("text/plain") << false << "|text/plain";
    QTest::newRow("nothing set") << QByteArray() << QByteArray() << false << "|null";
}

void TestRuntime::hookAnswersExactly()
{
    QFETCH(QByteArray, body);
    QFETCH(QByteArray, mimeType);
    QFETCH(bool, setBody);
    QFETCH(QString, seen);
    const QString key = QString::fromLatin1(QTest::currentDataTag());
    const QString path = QStringLiteral("data/") + QString::number(qHash(key));
    m_files.insert(path, {body, mimeType, setBody});
    callPage("fetchBytes", {QString(kBase + path), key});
    QTRY_VERIFY(m_reports.contains(key));
    QCOMPARE(m_reports.value(key), seen);
}

void TestRuntime::requestsBeyondHookAreRefused()
{
    // Something that would answer, were a request to get through.
    QTcpServer server;
    QVERIFY(server.listen(QHostAddress::LocalHost));
    int connections = 0;
    connect(&server, &QTcpServer::newConnection, this, [&] {
        ++connections;
        QTcpSocket *socket = server.nextPendingConnection();
        socket->write("HTTP/1.1 200 OK\r\nAccess-Control-Allow-Origin: *\r\n"
                      "Content-Length: 2\r\nConnection: close\r\n\r\nok");
        socket->disconnectFromHost();
    });
    const QString dataImage =
        QStringLiteral("data:image/png;base64,") +
        QString::fromLatin1(m_files.value(QStringLiteral("img/a.png")).body.toBase64());
    const QString outside = QStringLiteral("http://127.0.0.1:%1/").arg(server.serverPort());
    callPage("fetchBytes",
             {QString(outside + QStringLiteral("net")), QStringLiteral("xhr outside")});
    callPage("loadImage",
             {QString(outside + QStringLiteral("a.png")), QStringLiteral("img outside")});
    // Self-contained: the pages' style sheets draw their icons so.
    callPage("loadImage", {dataImage, QStringLiteral("img data")});
    // A frame may not show a document that did not come through the hook; one
    // that did comes after it.
    callPage(
        "addFrame",
        {QStringLiteral("data:text/html,<script>parent.report('dataframe','shown')</script>")});
    callPage("addFrame", {QString(kBase + QStringLiteral("frame2.html"))});
    QTRY_COMPARE(m_reports.value(QStringLiteral("xhr outside")), QStringLiteral("error"));
    QTRY_COMPARE(m_reports.value(QStringLiteral("img outside")), QStringLiteral("error"));
    QTRY_COMPARE(m_reports.value(QStringLiteral("img data")), QStringLiteral("3"));
    QTRY_VERIFY(m_reports.contains(QStringLiteral("frame2")));
    QVERIFY(!m_reports.contains(QStringLiteral("dataframe")));
    QCOMPARE(connections, 0);
    // The hook saw the network address first and declined it.
    QVERIFY(m_requests.contains(QString(outside + QStringLiteral("net"))));
}

void TestRuntime::consoleReachesStandardError()
{
    // The stream itself, not Qt's debug output: a Windows program without a
    // console sends that to the debugger.
    QTemporaryFile captured;
    QVERIFY(captured.open());
    std::fflush(stderr);
    const int saved = dup(2);
    QVERIFY(saved >= 0);
    QVERIFY(dup2(captured.handle(), 2) >= 0);
    callPage("logLine");
    callPage("thrower");
    callPage("throwLater");
    const auto lines = [&captured] {
        std::fflush(stderr);
        captured.seek(0);
        return QString::fromUtf8(captured.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    };
    QTRY_COMPARE(lines().filter(QStringLiteral("[page] ")).size(), 3);
    dup2(saved, 2);
    close(saved);
    const QString page = kBase + QStringLiteral("page.html");
    QCOMPARE(lines().filter(QStringLiteral("[page] ")),
             QStringList({QStringLiteral("[page] %1:13: hello from the page").arg(page),
                          QStringLiteral("[page] %1:11: Error: boom").arg(page),
                          QStringLiteral("[page] %1:21: Error: later").arg(page)}));
}

void TestRuntime::viewFollowsContainer()
{
    QWidget *view = QWidget::find(WId(wkeGetWindowHandle(m_view)));
    QVERIFY(view);
    for (const QSize size : {QSize(500, 420), QSize(320, 200)}) {
        m_host->resize(size);
        QTRY_COMPARE(m_container->size(), size);
        QTRY_COMPARE(view->size(), size);
    }
}

void TestRuntime::decodeUrlEscape_data()
{
    QTest::addColumn<QByteArray>("url");
    QTest::addColumn<QByteArray>("decoded");
    QTest::newRow("blank") << QByteArray("http://x.test/a%20b.html")
                           << QByteArray("http://x.test/a b.html");
    QTest::newRow("utf-8") << QByteArray("%E9%A9%B1%E5%8A%A8") << QByteArray("驱动");
    QTest::newRow("plus and bad escape") << QByteArray("a+b%zz%4") << QByteArray("a+b%zz%4");
    QTest::newRow("dots") << QByteArray("%2e%2E/x") << QByteArray("../x");
}

void TestRuntime::decodeUrlEscape()
{
    QFETCH(QByteArray, url);
    QFETCH(QByteArray, decoded);
    QCOMPARE(QByteArray(wkeUtilDecodeURLEscape(url.constData())), decoded);
    QCOMPARE(wkeUtilDecodeURLEscape(nullptr), nullptr);
}

void TestRuntime::nullHandlesAreHarmless()
{
    wkeShowWindow(nullptr, true);
    QCOMPARE(wkeGetWindowHandle(nullptr), wkeNativeWindow(0));
    wkeLoadURLW(nullptr, L"http://pages.test/");
    wkeLoadURLW(m_view, nullptr);
    wkeOnLoadUrlBegin(nullptr, hook, this);
    wkeNetSetData(nullptr, "x", 1);
    wkeNetSetMIMEType(nullptr, "text/plain");
    wkeNetHookRequest(nullptr);
    wkeJsBindFunction(nullptr, give, nullptr, 0);
    QCOMPARE(jsArgCount(nullptr), 0);
    QCOMPARE(jsArgType(nullptr, -1), JSTYPE_UNDEFINED);
    QCOMPARE(jsArg(nullptr, 3), jsUndefined());
    QCOMPARE(wkeGlobalExec(nullptr), nullptr);
    QCOMPARE(jsGetGlobal(nullptr, "twice"), jsUndefined());
    QCOMPARE(jsGetGlobal(es(), nullptr), jsUndefined());
    QCOMPARE(jsCallGlobal(nullptr, jsGetGlobal(nullptr, "twice"), nullptr, 3), jsUndefined());
    QCOMPARE(jsToInt(nullptr, jsString(nullptr, nullptr)), 0);
    QCOMPARE(text(jsCallGlobal(es(), jsInt(3), nullptr, 0)), QStringLiteral("undefined"));
    // A stale value handle reads as undefined.
    QCOMPARE(text(jsValue(0x04000000ffffff)), QStringLiteral("undefined"));
}

void TestRuntime::inputReachesEmbeddedView()
{
    // The window manager has focused the top-level window; the click must
    // still bring keys to the page.
    m_host->resize(400, 300);
    QTRY_COMPARE(m_container->size(), QSize(400, 300));
    QVERIFY(FakeInput::focus(m_host->winId()));
    // Below the child frame, in the page's own document.
    QVERIFY(FakeInput::click(m_container->mapToGlobal(QPoint(370, 250))));
    QTRY_COMPARE(m_reports.value(QStringLiteral("down")), QStringLiteral("370,250"));
    QVERIFY(FakeInput::typeLetter('a'));
    QTRY_COMPARE(m_reports.value(QStringLiteral("key")), QStringLiteral("65"));
}

QTEST_MAIN(TestRuntime)
#include "tst_runtime.moc"
