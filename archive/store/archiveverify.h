#pragma once
// Verifying the archive: every record's fingerprint taken again from its
// texts, every batch's hash taken again from its fields, every tester's
// chain of batches followed link by link, and every fingerprint a batch
// lists found again among the records or among those "Delete Old..." took
// with an entry of its own. What does not hold is a break, named by the
// tester, the batch and the record.
//
// ArchiveVerifier is the logic over plain rows, fed one table at a time in
// the order each feeding call names; VerifyArchive feeds it from a database.

#include "archive/store/archiveerror.h"
#include "archive/store/archivelocation.h"
#include "archive/store/recordfingerprint.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <array>
#include <functional>
#include <memory>
#include <optional>

enum class VerifyBreakKind {
    Changed,       // a record whose texts are not those fingerprinted when archived
    Removed,       // a fingerprint of a batch with no record and no deletion entry
    Added,         // a record no batch lists
    BatchAltered,  // a batch whose hash is not that of its fields
    BatchUnlinked, // a batch that does not follow the tester's batch before it
    Damaged,       // the database file itself fails its integrity check
};

struct VerifyBreak
{
    VerifyBreakKind kind = VerifyBreakKind::Changed;
    QString serialNumber;   // the tester; empty when none is known
    qint64 batchNumber = 0; // 0 when the record is in no batch
    // The record, as its test no, date and time texts; empty for a batch's
    // break and for a removed record, whose texts are gone.
    QString testNo, date, time;
    qint64 position = 0;    // a removed record's place in its batch, from 1
    QByteArray fingerprint; // a removed record's fingerprint
    QString detail;         // a damaged file: the database's words
};

struct VerifiedTester
{
    qint64 id = 0;
    QString serialNumber;
    qint64 records = 0; // the records archived and still there
    qint64 deleted = 0; // the records taken by a deletion with its entry
    qint64 batches = 0;
    QByteArray head; // the hash of the tester's last batch; empty without one
};

// At most this many breaks are named; the rest are counted.
inline constexpr int NamedBreaksAtMost = 1000;

struct ArchiveVerdict
{
    QVector<VerifiedTester> testers; // in the order the testers were given
    QVector<VerifyBreak> breaks;     // the first NamedBreaksAtMost of them
    qint64 breakCount = 0;
    qint64 records = 0; // the records read
    qint64 deleted = 0;

    bool Intact() const { return breakCount == 0; }
};

// One record as read: its row's identity, the fingerprint stored with it and
// its six texts, which need live only for the call.
struct VerifyRecord
{
    qint64 id = 0;
    qint64 testerId = 0;
    std::optional<qint64> batchId;
    QByteArrayView fingerprint;
    std::array<QStringView, RecordColumns> texts;
};

// What a deletion left: its entry in the audit trail, and each record it
// took.
struct DeletionEntry
{
    qint64 auditId = 0;
    std::optional<qint64> testerId; // none: all testers
    qint64 count = 0;
};
struct DeletedRecord
{
    qint64 auditId = 0;
    qint64 testerId = 0;
    QByteArray fingerprint;
};

class ArchiveVerifier
{
public:
    ArchiveVerifier();
    ~ArchiveVerifier();
    ArchiveVerifier(const ArchiveVerifier &) = delete;
    ArchiveVerifier &operator=(const ArchiveVerifier &) = delete;

    // First the testers, the deletion entries and what they took, in any
    // order;
    void AddTester(qint64 id, const QString &serialNumber);
    void AddDeletion(const DeletionEntry &entry);
    void AddDeleted(const DeletedRecord &record);
    // then the batches, each tester's in order of their numbers (serialNumber
    // need not be filled);
    void AddBatch(const ArchiveBatch &batch);
    // then the records in id order (the order archived);
    void AddRecord(const VerifyRecord &record);
    // a file's integrity check when one failed, at any time;
    void AddDamage(const QString &words);
    // and last, the verdict.
    ArchiveVerdict Finish();

private:
    struct Walk;
    void Break(VerifyBreak b);
    void EndBatch(Walk &w);
    void Settle();
    QString SerialOf(qint64 testerId) const;
    VerifiedTester *TesterOf(qint64 testerId);

    ArchiveVerdict FVerdict;
    QHash<qint64, int> FTesterAt; // tester id -> index in FVerdict.testers
    QHash<qint64, RecordFingerprinter *> FFingerprinters;
    QHash<qint64, DeletionEntry> FDeletions;
    QVector<DeletedRecord> FDeletedRows;
    QHash<qint64, QSet<QByteArray>> FDeleted; // by tester, once settled
    QHash<qint64, qint64> FLastNumber;        // the number of each tester's last batch
    bool FSettled = false;
    struct BatchKept;
    QHash<qint64, std::shared_ptr<Walk>> FWalks; // by batch id
};

// What a printout of a selection ends with, so that a paper copy can be
// checked against the archive.
struct SelectionSeal
{
    qint64 records = 0;
    // The set fingerprint of the selection's records in the order archived.
    QByteArray fingerprint;
    // The archive's last verify, and what it found ("intact", "3 breaks");
    // none before the first.
    std::optional<qint64> lastVerifiedAt; // milliseconds since the epoch
    QString lastVerdict;
};

// What a verify's entry in the audit trail says: "intact", or "3 breaks".
QString VerifyAuditDetails(const ArchiveVerdict &verdict);

// Records read between two calls of the progress.
inline constexpr int VerifyProgressRecords = 16384;

// Reads the archive on db (of version ArchiveSchemaVersion) table by table
// in one pass each, within one read-only transaction, and verifies it; on an
// SQLite file runs its integrity check beside that pass, on a connection of
// its own. progress, when given, hears the
// records read so far and how many there should be; answering false stops it
// with Cancelled. std::nullopt with the database's reason in *error.
using VerifyProgress = std::function<bool(qint64 read, qint64 total)>;
std::optional<ArchiveVerdict> VerifyArchive(QSqlDatabase db, const ArchiveLocation &where,
                                            const VerifyProgress &progress, ArchiveError *error);

// Verifies the archive at where without writing anything to it: an SQLite
// file is opened read-only (and never created), a server's session reads
// only. An archive of another version is refused (NewerArchive, or
// UnverifiableArchive for one that has no fingerprints yet).
std::optional<ArchiveVerdict> VerifyArchiveAt(const ArchiveLocation &where,
                                              const VerifyProgress &progress, ArchiveError *error);
