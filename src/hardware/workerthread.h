#pragma once
// Builds one inventory report on a thread of its own, so that the window and
// the page stay responsive, and hands it over through a queued signal.

#include <QString>
#include <QThread>

class WorkerThread final : public QThread {
    Q_OBJECT

public:
    explicit WorkerThread(QObject *parent = nullptr);
    // Waits for a report still being built, so that closing the window that
    // owns the worker never destroys a running thread.
    ~WorkerThread() override;

    // One scan: a worker owned by the window, its report delivered to the
    // window's slot on the window's thread, deleted once it has finished.
    template <typename Window, typename Slot>
    static WorkerThread *startScan(Window *window, Slot slot)
    {
        auto *worker = new WorkerThread(window);
        connect(worker, &WorkerThread::resultReady, window, slot);
        connect(worker, &QThread::finished, worker, &QObject::deleteLater);
        worker->start();
        return worker;
    }

signals:
    void resultReady(const QString &pcinfo);

protected:
    void run() override;
};
