#pragma once
// The fingerprints of a tester's records, taken on a thread of their own
// while the records go into the archive: the thread that inserts takes each
// fingerprint as it reaches its record and waits only should it get there
// first. Once the batch's fields are known the same thread hashes the batch
// as though every record were new, which is what a download of new records
// then finds done when its batch row is written.
//
// The thread is stopped and waited for when the object goes, whatever
// became of the archiving (a failure, a cancel).

#include "archive/store/recordfingerprint.h"

#include <QByteArray>
#include <QByteArrayView>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

class FingerprintAhead
{
public:
    FingerprintAhead(const QString &serialNumber, const GridRows &rows);
    ~FingerprintAhead();
    FingerprintAhead(const FingerprintAhead &) = delete;
    FingerprintAhead &operator=(const FingerprintAhead &) = delete;

    qsizetype Size() const { return FCount; }
    // RecordFingerprint of record at (64 hex characters), waiting for it.
    QByteArrayView At(qsizetype at);
    // The fingerprints of the first count records, concatenated in order.
    QByteArray First(qsizetype count);

    // Hashes batch on the thread once the fingerprints are taken, with every
    // record added (batch.added, batch.already and batch.fingerprints are
    // not read).
    void HashBatch(const ArchiveBatch &batch);
    // BatchHash(batch): the thread's when batch is the one HashBatch was
    // given with every record added in order, else taken here.
    QByteArray BatchHashOf(const ArchiveBatch &batch);

private:
    void Run();
    void WaitFor(qsizetype count);

    const GridRows FRows;
    const QString FSerial;
    const qsizetype FCount;
    QByteArray FHex; // FCount * FingerprintLength, written through FData only
    char *const FData;
    std::atomic<qsizetype> FReady{0};
    std::atomic<bool> FStop{false};
    std::mutex FMutex;
    std::condition_variable FChanged;
    std::optional<ArchiveBatch> FAsked; // under FMutex
    std::optional<QByteArray> FHashed;  // under FMutex
    std::thread FThread;                // started last, joined first
};
