#pragma once
// The archive's trail: who brought records in, from where, and what else was
// done to the archive. Each archiving is a batch row (ArchiveBatch in
// recordfingerprint.h) in its tester's chain; deletions, setting changes and
// verifies are audit rows. Both tables take rows and never give them up: the
// database refuses UPDATE and DELETE on them (and on records, except within
// a deletion's own transaction).

#include <QByteArray>
#include <QDate>
#include <QString>

#include <optional>

// The kinds of batches (batches.kind).
inline const char BatchDownload[] = "download";
inline const char BatchImport[] = "import";            // source: the data file's name
inline const char BatchCarriedOver[] = "carried over"; // records archived before batches were kept
inline const char BatchSent[] = "sent";                // a PC's outbox; source: that PC's name

// The kinds of audit rows (audit.kind).
inline const char AuditDeletion[] = "deletion";
inline const char AuditSetting[] = "setting";
inline const char AuditVerify[] = "verify";

// This PC's name and the user the program runs as, read once.
struct ArchiveWorkstation
{
    QString pc;
    QString user;
};
const ArchiveWorkstation &ThisWorkstation();

// What the store cannot know about records coming in: what brings them,
// from where, on which PC, for which user.
struct ArchiveOrigin
{
    QString kind = QLatin1String(BatchDownload);
    QString source;
    QString pc = ThisWorkstation().pc;
    QString user = ThisWorkstation().user;
};

// An audit row: a deletion (cutoff, count, the set fingerprint of what went),
// a setting changed (details "calibration_months 12 -> 24"), a verify.
struct ArchiveAuditEntry
{
    qint64 id = 0;
    qint64 at = 0; // milliseconds since the epoch
    QString pc, osUser, kind;
    std::optional<qint64> testerId; // none: all testers, or no tester
    QString details;
    std::optional<qint64> cutoff; // a deletion's date key (yyyymmdd)
    qint64 count = 0;
    QByteArray fingerprint; // '' but for a deletion
};

// How many years archived records are kept at least (archive_settings
// 'retention_years'): "Delete Old" refuses a cut-off within them.
inline constexpr int DefaultRetentionYears = 5;
inline constexpr int MinRetentionYears = 1;
inline constexpr int MaxRetentionYears = 50;
// The latest cut-off (a date key, yyyymmdd) that keeps the records of the
// last years as of today: records dated before it may go.
long LatestCutOff(int years, const QDate &today);
