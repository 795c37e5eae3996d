#pragma once
// The program's log file for one test: started in a folder of its own, read
// back whole once the test has done what it logs.

#include "base/logfile.h"

#include <QFile>
#include <QTemporaryDir>

#include <memory>

class LogCapture final {
public:
    LogCapture() : m_log(std::make_unique<LogFile>(m_folder.path())) {}

    // Ends the log and gives what it holds.
    QString text()
    {
        m_log.reset();
        QFile file(m_folder.filePath(QStringLiteral("tessaly.log")));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir m_folder;
    std::unique_ptr<LogFile> m_log;
};
