#pragma once
// A small log a user can send to support: every message that passes the
// logging rules goes on to the previous handler (the console) and into
// "tessaly.log" in the given folder. When the file would pass maxBytes it
// becomes "tessaly.log.1" (replacing the one before) and a new one starts,
// so the two never hold more than twice maxBytes. One at a time per process.

#include <QFile>
#include <QString>
#include <QtGlobal>

class LogFile final {
public:
    static constexpr qint64 kDefaultMaxBytes = 192 * 1024;

    explicit LogFile(const QString &folder, qint64 maxBytes = kDefaultMaxBytes);
    // Gives the messages back to the previous handler alone.
    ~LogFile();
    LogFile(const LogFile &) = delete;
    LogFile &operator=(const LogFile &) = delete;

    QString path() const { return m_path; }

private:
    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message);
    void write(QtMsgType type, const QMessageLogContext &context, const QString &message);

    QString m_path;
    qint64 m_maxBytes;
    // Open while the log is: each line is one append, not an open and a stat.
    QFile m_file;
    QtMessageHandler m_previous = nullptr;
};
