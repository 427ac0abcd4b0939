#pragma once
// Fingerprints that let anyone show, years later, that an archived record is
// exactly what the tester gave and that no batch of a tester's chain was
// changed. Every value is SHA-256, kept as 64 lower-case hex characters
// (ASCII bytes here, TEXT in the database).
//
// - RecordFingerprint: over "kestrune-record-1\n" and seven fields: the
//   tester's serial number and the record's six original texts (test no,
//   date, time, reading, result, sampling), each as its UTF-8 byte length
//   (4 bytes, big-endian) followed by its UTF-8 bytes. With the lengths no
//   two records share a form.
// - BatchHash: over "kestrune-batch-1\n" and the fields of an ArchiveBatch
//   (serial number, number, made_at, pc, os_user, kind, source, added,
//   already, fingerprints, prev_hash), length-prefixed the same way,
//   integers as decimal text. prev_hash of a tester's first batch is
//   FirstPrevHash.
// - SetFingerprint: over the 64 hex characters of each fingerprint of a set
//   of records in order (a deletion's set, a selection that is exported).

#include "records/data/recordfields.h"

#include <QByteArray>
#include <QCryptographicHash>
#include <QString>
#include <QStringView>

#include <array>

inline constexpr int FingerprintLength = 64;

// prev_hash of a tester's first batch: 64 '0'.
QByteArray FirstPrevHash();

// Fingerprints the records of one tester, reusing one hash and the serial
// number's bytes from record to record.
class RecordFingerprinter
{
public:
    explicit RecordFingerprinter(const QString &serialNumber);
    // The six texts of the record (a GridRow, or the six text columns).
    QByteArray Of(const GridRow &row);
    QByteArray Of(const std::array<QStringView, RecordColumns> &texts);

private:
    QCryptographicHash hash;
    QByteArray head; // the form's first line and the serial number field
    QByteArray field;
};

QByteArray RecordFingerprint(const QString &serialNumber, const GridRow &row);

// The row of a batch: one archiving (a download, one imported file, the
// records carried over by an upgrade, the records a PC sent to a server).
struct ArchiveBatch
{
    qint64 id = 0;
    qint64 testerId = 0;
    QString serialNumber; // of testerId; hashed, not stored in the row
    qint64 number = 0;    // 1, 2, ... per tester
    qint64 madeAt = 0;    // milliseconds since the epoch
    QString pc, osUser, kind, source;
    qint64 added = 0, already = 0;
    QByteArray fingerprints; // of the records added, in order, concatenated
    QByteArray prevHash;     // hash of the tester's batch number - 1
    QByteArray hash;         // BatchHash of the fields above
};

QByteArray BatchHash(const ArchiveBatch &batch);
// The same over fingerprints in place of batch.fingerprints.
QByteArray BatchHashOver(const ArchiveBatch &batch, QByteArrayView fingerprints);

// Builds a set fingerprint one record at a time.
class SetFingerprinter
{
public:
    SetFingerprinter();
    void Add(QByteArrayView fingerprint);
    QByteArray Result(); // hex; the fingerprint of an empty set when none were added

private:
    QCryptographicHash hash;
};

// The set fingerprint of fingerprints concatenated (64 hex each), in order.
QByteArray SetFingerprint(QByteArrayView fingerprints);
