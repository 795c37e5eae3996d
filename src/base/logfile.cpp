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
    m_file.setFileName(m_path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Append))
        std::fprintf(stderr, "log file: cannot open %s: %s\n", qPrintable(m_path),
                     qPrintable(m_file.errorString()));
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
    if (m_file.isOpen() && m_file.size() + line.size() > m_maxBytes) {
        m_file.close();
        const QString older = m_path + QStringLiteral(".1");
        QFile::remove(older);
        QFile::rename(m_path, older);
        m_file.open(QIODevice::WriteOnly | QIODevice::Append);
    }
    if (m_file.write(line) != line.size() || !m_file.flush())
        std::fprintf(stderr, "log file: cannot write %s: %s\n", qPrintable(m_path),
                     qPrintable(m_file.errorString()));
}
