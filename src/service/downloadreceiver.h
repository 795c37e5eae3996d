#pragma once
// What a download job offers the request client: the three slots its GET is
// connected to. Download jobs derive from this instead of QObject, so the
// connections are checked when compiled and end with the job.

#include <QObject>

class DownloadReceiver : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

public slots:
    virtual void handleHttpFinished() = 0;
    virtual void handleHttpReadyRead() = 0;
    virtual void handleProgress(qint64 bytesReceived, qint64 bytesTotal) = 0;
};
