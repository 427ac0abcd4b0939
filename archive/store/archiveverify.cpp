#include "archive/store/archiveverify.h"

#include <algorithm>
#include <limits>

// What is kept of a batch from its row until its records have been walked.
struct ArchiveVerifier::BatchKept
{
    qint64 id = 0;
    qint64 testerId = 0;
    qint64 number = 0;
    QByteArray fingerprints; // 64 hex each, in the order archived
};

// The records of one batch as they come, in id order: the fingerprint
// expected next is tried first, any other place of the batch only when it
// does not match.
struct ArchiveVerifier::Walk
{
    std::shared_ptr<BatchKept> batch;
    qint64 next = 0;
    QVector<qint64> matchedBy; // per place: the id of its record, 0 while none
    QHash<QByteArrayView, qint64> placeOf;
    // Records the batch does not list, in id order.
    struct Loose
    {
        qint64 id = 0;
        qint64 testerId = 0;
        QString testNo, date, time;
        bool consistent = false; // its stored fingerprint is that of its texts
    };
    QVector<Loose> loose;

    qint64 Places() const { return batch ? batch->fingerprints.size() / FingerprintLength : 0; }
    QByteArrayView At(qint64 place) const
    {
        return QByteArrayView(batch->fingerprints)
            .sliced(place * FingerprintLength, FingerprintLength);
    }
    std::optional<qint64> Find(QByteArrayView fingerprint)
    {
        if (fingerprint.size() != FingerprintLength)
            return std::nullopt;
        if (next < Places() && At(next) == fingerprint)
            return next;
        if (placeOf.isEmpty())
            for (qint64 p = 0; p < Places(); ++p)
                placeOf.insert(At(p), p);
        const auto found = placeOf.constFind(fingerprint);
        if (found == placeOf.constEnd() || matchedBy[found.value()] != 0)
            return std::nullopt;
        return found.value();
    }
};

ArchiveVerifier::ArchiveVerifier() = default;

ArchiveVerifier::~ArchiveVerifier()
{
    qDeleteAll(FFingerprinters);
}

void ArchiveVerifier::AddTester(qint64 id, const QString &serialNumber)
{
    FTesterAt.insert(id, int(FVerdict.testers.size()));
    VerifiedTester t;
    t.id = id;
    t.serialNumber = serialNumber;
    FVerdict.testers.append(t);
}

void ArchiveVerifier::AddDeletion(const DeletionEntry &entry)
{
    FDeletions.insert(entry.auditId, entry);
}

void ArchiveVerifier::AddDeleted(const DeletedRecord &record)
{
    FDeletedRows.append(record);
}

// A record taken by a deletion counts as deleted only when the deletion's
// entry is there, covers its tester and lists no more records than it says.
void ArchiveVerifier::Settle()
{
    if (FSettled)
        return;
    FSettled = true;
    QHash<qint64, qint64> listed;
    for (const DeletedRecord &r : std::as_const(FDeletedRows))
        ++listed[r.auditId];
    for (const DeletedRecord &r : std::as_const(FDeletedRows)) {
        const auto entry = FDeletions.constFind(r.auditId);
        if (entry == FDeletions.constEnd() || listed.value(r.auditId) > entry->count ||
            (entry->testerId && *entry->testerId != r.testerId))
            continue;
        FDeleted[r.testerId].insert(r.fingerprint);
    }
    FDeletedRows = {};
}

QString ArchiveVerifier::SerialOf(qint64 testerId) const
{
    const auto at = FTesterAt.constFind(testerId);
    return at == FTesterAt.constEnd() ? QString() : FVerdict.testers[at.value()].serialNumber;
}

VerifiedTester *ArchiveVerifier::TesterOf(qint64 testerId)
{
    const auto at = FTesterAt.constFind(testerId);
    return at == FTesterAt.constEnd() ? nullptr : &FVerdict.testers[at.value()];
}

void ArchiveVerifier::Break(VerifyBreak b)
{
    ++FVerdict.breakCount;
    if (FVerdict.breaks.size() < NamedBreaksAtMost)
        FVerdict.breaks.append(std::move(b));
}

void ArchiveVerifier::AddBatch(const ArchiveBatch &batch)
{
    Settle();
    ArchiveBatch hashed = batch;
    hashed.serialNumber = SerialOf(batch.testerId);
    VerifyBreak b;
    b.serialNumber = hashed.serialNumber;
    b.batchNumber = batch.number;
    const bool listsAdded = batch.fingerprints.size() % FingerprintLength == 0 &&
                            batch.fingerprints.size() / FingerprintLength == batch.added;
    if (!listsAdded || BatchHash(hashed) != batch.hash) {
        b.kind = VerifyBreakKind::BatchAltered;
        Break(b);
    }
    VerifiedTester *tester = TesterOf(batch.testerId);
    if (tester) {
        // A batch follows the one numbered before it, the first none.
        const QByteArray expected = tester->head.isEmpty() ? FirstPrevHash() : tester->head;
        const qint64 lastNumber = FLastNumber.value(batch.testerId);
        if (batch.number != lastNumber + 1 || batch.prevHash != expected) {
            b.kind = VerifyBreakKind::BatchUnlinked;
            Break(b);
        }
        ++tester->batches;
        tester->head = batch.hash;
        FLastNumber.insert(batch.testerId, batch.number);
    }
    auto kept = std::make_shared<BatchKept>();
    kept->id = batch.id;
    kept->testerId = batch.testerId;
    kept->number = batch.number;
    kept->fingerprints = batch.fingerprints;
    auto walk = std::make_shared<Walk>();
    walk->batch = kept;
    walk->matchedBy.fill(0, walk->Places());
    FWalks.insert(batch.id, walk);
}

void ArchiveVerifier::AddRecord(const VerifyRecord &record)
{
    Settle();
    Walk *const walk = record.batchId ? FWalks.value(*record.batchId).get() : nullptr;
    ++FVerdict.records;
    VerifiedTester *tester = TesterOf(record.testerId);
    if (tester)
        ++tester->records;
    RecordFingerprinter *&fingerprinter = FFingerprinters[record.testerId];
    if (!fingerprinter)
        fingerprinter = new RecordFingerprinter(SerialOf(record.testerId));
    const QByteArray taken = fingerprinter->Of(record.texts);
    const bool consistent = taken == record.fingerprint;
    std::optional<qint64> place;
    if (walk) {
        place = walk->Find(taken);
        if (!place && !consistent)
            place = walk->Find(record.fingerprint);
    }
    const auto key = [&](VerifyBreakKind kind) {
        VerifyBreak b;
        b.kind = kind;
        b.serialNumber = SerialOf(record.testerId);
        b.batchNumber = walk ? walk->batch->number : 0;
        b.testNo = record.texts[0].toString();
        b.date = record.texts[1].toString();
        b.time = record.texts[2].toString();
        return b;
    };
    if (place) {
        walk->matchedBy[*place] = record.id;
        walk->next = *place + 1;
        if (!consistent)
            Break(key(VerifyBreakKind::Changed));
        return;
    }
    if (!walk) {
        Break(key(VerifyBreakKind::Added));
        return;
    }
    walk->loose.append({record.id, record.testerId, record.texts[0].toString(),
                        record.texts[1].toString(), record.texts[2].toString(), consistent});
}

// The places of the batch that no record matched: deleted with an entry, or
// else removed, unless a record the batch does not list stands where the
// place's record stood (between the records of the places around it): that
// record was changed.
void ArchiveVerifier::EndBatch(Walk &w)
{
    const qint64 places = w.Places();
    const QSet<QByteArray> &deleted = FDeleted[w.batch->testerId];
    VerifiedTester *tester = TesterOf(w.batch->testerId);
    // The id of the nearest matched place after each place.
    QVector<qint64> after;
    qint64 before = 0;
    qsizetype loose = 0;
    for (qint64 p = 0; p < places; ++p) {
        if (w.matchedBy[p] != 0) {
            before = w.matchedBy[p];
            continue;
        }
        const QByteArrayView fingerprint = w.At(p);
        if (deleted.contains(fingerprint.toByteArray())) {
            ++FVerdict.deleted;
            if (tester)
                ++tester->deleted;
            continue;
        }
        if (after.isEmpty()) {
            after.resize(places);
            qint64 next = std::numeric_limits<qint64>::max();
            for (qint64 q = places - 1; q >= 0; --q) {
                after[q] = next;
                if (w.matchedBy[q] != 0)
                    next = w.matchedBy[q];
            }
        }
        while (loose < w.loose.size() && w.loose[loose].id <= before)
            ++loose;
        VerifyBreak b;
        b.serialNumber = SerialOf(w.batch->testerId);
        b.batchNumber = w.batch->number;
        if (loose < w.loose.size() && w.loose[loose].id < after[p]) {
            Walk::Loose &changed = w.loose[loose];
            b.kind = VerifyBreakKind::Changed;
            b.testNo = changed.testNo;
            b.date = changed.date;
            b.time = changed.time;
            changed.id = -changed.id; // paired
            ++loose;
        } else {
            b.kind = VerifyBreakKind::Removed;
            b.position = p + 1;
            b.fingerprint = fingerprint.toByteArray();
        }
        Break(b);
    }
    for (const Walk::Loose &l : std::as_const(w.loose)) {
        if (l.id < 0)
            continue;
        VerifyBreak b;
        b.kind = l.consistent ? VerifyBreakKind::Added : VerifyBreakKind::Changed;
        b.serialNumber = SerialOf(l.testerId);
        b.batchNumber = w.batch->number;
        b.testNo = l.testNo;
        b.date = l.date;
        b.time = l.time;
        Break(b);
    }
}

void ArchiveVerifier::AddDamage(const QString &words)
{
    VerifyBreak b;
    b.kind = VerifyBreakKind::Damaged;
    b.detail = words;
    Break(b);
}

QString VerifyAuditDetails(const ArchiveVerdict &verdict)
{
    return verdict.Intact() ? QStringLiteral("intact")
                            : QStringLiteral("%1 breaks").arg(verdict.breakCount);
}

ArchiveVerdict ArchiveVerifier::Finish()
{
    Settle();
    QList<qint64> batches = FWalks.keys();
    std::sort(batches.begin(), batches.end());
    for (qint64 id : std::as_const(batches))
        EndBatch(*FWalks.take(id));
    return std::move(FVerdict);
}
