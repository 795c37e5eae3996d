#pragma once
// The file a download writes into beside its final name, "<name>.<8 hex
// digits>.part", the digits standing for the address the page asked for.
// A sidecar ".<digits>.partinfo" holds the address, the answer's validator and
// the whole file's size, and its lock keeps every other job, in this process
// or another, off the same address. Only a body that is complete and on the
// disk takes the final name.

#include "downloads/responsedecision.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QString>

#include <functional>

class PartFile final {
public:
    PartFile(const QString &folder, const QString &name, const QString &address);
    // Closes; the part stays for the next download of the address unless empty.
    ~PartFile();
    PartFile(const PartFile &) = delete;
    PartFile &operator=(const PartFile &) = delete;

    enum class Open { Opened, Busy, Failed };
    // Locks the address and opens the part, continuing what it holds; first
    // cleans the folder up (see cleanUp).
    Open open();
    QString errorString() const;
    QFileDevice::FileError error() const { return m_part.error(); }

    QString path() const { return m_part.fileName(); }
    qint64 size() const { return m_size; }
    // What identified the file the part's bytes came from; empty when unknown.
    QByteArray validator() const { return m_validator; }

    // What the answer means for the part: a body of the whole file again
    // empties it; a body to write records its version.
    void take(const ResponseDecision::Decision &decision);
    // False when the disk took less than all of it; writeFailure() says why.
    bool append(const QByteArray &data);
    ResponseDecision::Reason writeFailure() const { return m_writeFailure; }
    // How the download ended, judged with what the part holds.
    ResponseDecision::Ending verify(ResponseDecision::End end);
    // Writes the data through to the disk; may take long, and may run on
    // another thread while no other call is made.
    bool syncData();
    // Data on the disk, then the part takes the name target (replacing it).
    bool commit(const QString &target);
    // Removes the part and its sidecar.
    void discard();

    // The folder's part files that are not worth keeping go: those older than
    // maxAgeDays, those whose file was saved complete after them (savedAt
    // gives when, or an invalid time), then the oldest until the rest fits
    // into maxBytes. Parts another job holds stay.
    static void cleanUp(const QString &folder, int maxAgeDays, qint64 maxBytes,
                        const std::function<QDateTime(const QString &fileName)> &savedAt);

private:
    bool restart();
    void writeSidecar();
    QByteArray head(int count);

    QFile m_part;
    QFile m_sidecar;
    QString m_address;
    QByteArray m_validator;
    qint64 m_total = -1;
    qint64 m_size = 0;
    qint64 m_unsynced = 0;
    ResponseDecision::Reason m_writeFailure = ResponseDecision::Reason::None;
    // The sidecar speaks of this part (another part of the address may own it).
    bool m_ownsSidecar = false;
};
