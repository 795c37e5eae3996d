#include "hardware/workerthread.h"
#include "hardware/inventoryreport.h"

WorkerThread::WorkerThread(QObject *parent) : QThread(parent) {}

WorkerThread::~WorkerThread()
{
    wait();
}

void WorkerThread::run()
{
    emit resultReady(InventoryReport::build());
}
