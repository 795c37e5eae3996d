#pragma once
// One run of the real program from a folder of its own, with the start page
// under remote control: e2e-driver.js polls e2e/cmd-N beside the program, runs
// the JavaScript it finds and logs "E2E-REPLY N <url-encoded JSON>".

#include <QJsonValue>
#include <QMap>
#include <QProcess>
#include <QString>

class ProductRun final {
public:
    // Copies the program, the runtime library and the pages from binDir and
    // htmlDir into appDir; the page gets the remote control and catalogueText
    // as its driver catalogue.
    static bool install(const QString &binDir, const QString &htmlDir, const QString &driverScript,
                        const QByteArray &catalogueText, const QString &appDir);

    ProductRun(const QString &appDir, const QProcessEnvironment &environment);
    ~ProductRun();
    ProductRun(const ProductRun &) = delete;
    ProductRun &operator=(const ProductRun &) = delete;

    bool start();

    // Hands a script to the page; returns its number for reply().
    int post(const QString &script);
    // The value of script number n; ok false on a script error or time-out.
    QJsonValue reply(int n, int timeoutMs, bool *ok, QString *error = nullptr);
    QJsonValue eval(const QString &script, bool *ok = nullptr, int timeoutMs = 20000);
    // Evaluates script until it gives true.
    bool waitFor(const QString &script, int timeoutMs);

    // Saves the program's main window (or the whole screen) as a PNG.
    bool screenshot(const QString &path, bool wholeScreen = false);

    // Presses the page's close button; true when the program ended with 0.
    bool close();

    QString output() const { return m_output; }
    qint64 processId() const { return m_process.processId(); }

private:
    void readOutput();
    QString mainWindowId();

    QString m_appDir;
    QProcess m_process;
    QString m_output;
    QByteArray m_pending;
    QMap<int, QByteArray> m_replies;
    int m_next = 0;
};
