#include "base/logfile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QMutexLocker>

#include <cstdio>

namespace {

// Messages come from every thread; the handler is a plain function.
QMutex &lock()
{
    static QMutex mutex;
    return mutex;
}

LogFile *&active()
{
    static LogFile *file = nullptr;
    return file;
}

char letterOf(QtMsgType type)
{
    switch (type) {
    case QtDebugMsg:
        return 'D';
    case QtInfoMsg:
        return 'I';
    case QtWarningMsg:
        return 'W';
    case QtCriticalMsg:
        return 'C';
    case QtFatalMsg:
        return 'F';
    }
    return '?';
}

} // namespace

LogFile::LogFile(const QString &folder, qint64 maxBytes)
    : m_path(QDir(folder).filePath(QStringLiteral("tessaly.log"))), m_maxBytes(maxBytes)
{
    if (!QDir().mkpath(folder))
        std::fprintf(stderr, "log file: cannot make the folder %s\n", qPrintable(folder));
    const QMutexLocker locked(&lock());
    active() = this;
    m_previous = qInstallMessageHandler(&LogFile::handle);
}

LogFile::~LogFile()
{
    const QMutexLocker locked(&lock());
    qInstallMessageHandler(m_previous);
    active() = nullptr;
}

void LogFile::handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    QtMessageHandler previous = nullptr;
    {
        const QMutexLocker locked(&lock());
        if (LogFile *const file = active()) {
            file->write(type, context, message);
            previous = file->m_previous;
        }
    }
    if (previous)
        previous(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, message)));
}

void LogFile::write(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    const QByteArray line = QDateTime::currentDateTimeUtc().toString(Qt::ISODateWithMs).toUtf8() +
                            ' ' + letterOf(type) + ' ' +
                            QByteArray(context.category ? context.category : "default") + ": " +
                            message.toUtf8().replace('\n', ' ') + '\n';
    // Opened for each line: nothing stays open past the program's end, and a
    // file removed meanwhile is made again.
    QFile file(m_path);
    if (file.exists() && file.size() + line.size() > m_maxBytes) {
        const QString older = m_path + QStringLiteral(".1");
        QFile::remove(older);
        QFile::rename(m_path, older);
    }
    if (!file.open(QIODevice::WriteOnly | QIODevice::Append) || file.write(line) != line.size())
        std::fprintf(stderr, "log file: cannot write %s: %s\n", qPrintable(m_path),
                     qPrintable(file.errorString()));
}
