#pragma once
// Checks who published a downloaded installer (its Authenticode signature) on
// a worker thread, so that hashing a gigabyte never holds up the window, and
// reports back on the thread that asked.

#include "downloads/authenticode.h"

#include <QDateTime>
#include <QObject>
#include <QString>

#include <atomic>
#include <memory>

class QThread;

class PublisherCheck final : public QObject {
    Q_OBJECT

public:
    // Starts at once; finished() follows once. Destroying the object stops a
    // check still running and waits for its thread.
    PublisherCheck(const QString &path, QObject *parent);
    ~PublisherCheck() override;

    QString path() const { return m_path; }
    // Whether the file is still the one the check began on (size and time).
    bool fileUnchanged() const;
    // Ends the check soon; its verdict is then "unchecked".
    void cancel() { *m_cancelled = true; }

    // The page's word for a verdict (PageProtocol::Publisher).
    static QString verdictName(Authenticode::Verdict verdict);

signals:
    void finished(const QString &verdict, const QString &signer);

private:
    QString m_path;
    qint64 m_size;
    QDateTime m_modified;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    QThread *m_thread = nullptr;
};
