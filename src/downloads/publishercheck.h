#pragma once
// Checks who published a downloaded installer (its Authenticode signature) on
// a worker thread, so that hashing a gigabyte never holds up the window, and
// reports back on the thread that asked.

#include "downloads/authenticode.h"

#include <QObject>
#include <QString>

class QThread;

class PublisherCheck final : public QObject {
    Q_OBJECT

public:
    // Starts at once; finished() follows once. Destroying the object waits
    // for a check still running.
    PublisherCheck(const QString &path, QObject *parent);
    ~PublisherCheck() override;

    QString path() const { return m_path; }

    // The page's word for a verdict (PageProtocol::Publisher).
    static QString verdictName(Authenticode::Verdict verdict);

signals:
    void finished(const QString &path, const QString &verdict, const QString &signer);

private:
    QString m_path;
    QThread *m_thread = nullptr;
};
