#include "archive/store/fingerprintahead.h"

#include <cstring>

namespace {

// Records fingerprinted between two signs to the inserting thread.
constexpr qsizetype ReadyStep = 64;

// The fields that go into a batch's hash besides its fingerprints.
bool SameFields(const ArchiveBatch &a, const ArchiveBatch &b)
{
    return a.serialNumber == b.serialNumber && a.number == b.number && a.madeAt == b.madeAt &&
           a.pc == b.pc && a.osUser == b.osUser && a.kind == b.kind && a.source == b.source &&
           a.added == b.added && a.already == b.already && a.prevHash == b.prevHash;
}

} // namespace

FingerprintAhead::FingerprintAhead(const QString &serialNumber, const GridRows &rows)
    : FRows(rows), FSerial(serialNumber), FCount(rows.size()),
      FHex(FCount * FingerprintLength, Qt::Uninitialized), FData(FHex.data()),
      FThread([this] { Run(); })
{
}

FingerprintAhead::~FingerprintAhead()
{
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        FStop = true;
    }
    FChanged.notify_all();
    FThread.join();
}

void FingerprintAhead::Run()
{
    RecordFingerprinter fingerprinter(FSerial);
    for (qsizetype at = 0; at < FCount; ++at) {
        if (FStop.load(std::memory_order_relaxed))
            return;
        const QByteArray fingerprint = fingerprinter.Of(FRows[at]);
        std::memcpy(FData + at * FingerprintLength, fingerprint.constData(), FingerprintLength);
        if ((at + 1) % ReadyStep == 0 || at + 1 == FCount) {
            {
                const std::lock_guard<std::mutex> lock(FMutex);
                FReady.store(at + 1, std::memory_order_release);
            }
            FChanged.notify_all();
        }
    }
    ArchiveBatch batch;
    {
        std::unique_lock<std::mutex> lock(FMutex);
        FChanged.wait(lock, [this] { return FStop || FAsked; });
        if (FStop)
            return;
        batch = *FAsked;
    }
    const QByteArray hash = BatchHashOver(batch, QByteArrayView(FData, FCount * FingerprintLength));
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        FHashed = hash;
    }
    FChanged.notify_all();
}

void FingerprintAhead::WaitFor(qsizetype count)
{
    if (FReady.load(std::memory_order_acquire) >= count)
        return;
    std::unique_lock<std::mutex> lock(FMutex);
    FChanged.wait(lock, [&] { return FReady.load(std::memory_order_acquire) >= count; });
}

QByteArrayView FingerprintAhead::At(qsizetype at)
{
    WaitFor(at + 1);
    return QByteArrayView(FData + at * FingerprintLength, FingerprintLength);
}

QByteArray FingerprintAhead::First(qsizetype count)
{
    WaitFor(count);
    if (count == FCount)
        return FHex; // shared: the thread writes no more of it
    return QByteArray(FData, count * FingerprintLength);
}

void FingerprintAhead::HashBatch(const ArchiveBatch &batch)
{
    ArchiveBatch asked = batch;
    asked.added = FCount;
    asked.already = 0;
    asked.fingerprints.clear();
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        FAsked = std::move(asked);
    }
    FChanged.notify_all();
}

QByteArray FingerprintAhead::BatchHashOf(const ArchiveBatch &batch)
{
    bool asked = false;
    {
        const std::lock_guard<std::mutex> lock(FMutex);
        asked = FAsked && SameFields(*FAsked, batch);
    }
    if (asked && batch.fingerprints == First(FCount)) {
        std::unique_lock<std::mutex> lock(FMutex);
        FChanged.wait(lock, [this] { return bool(FHashed); });
        return *FHashed;
    }
    return BatchHash(batch);
}
