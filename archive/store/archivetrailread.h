#pragma once
// The archive's audit trail as it is read: every batch of records that came
// in (a download, an imported file, the records carried over into the first
// fingerprinted archive, the records a PC sent to the site's server) and
// every entry of the audit table (a deletion, a setting changed, a verify),
// together in time order, filtered by tester and time.

#include "archive/store/archivestore.h"

#include <QString>
#include <QVector>

#include <optional>

enum class TrailKind { Download, Import, CarriedOver, Sent, Deletion, Setting, Verify, Other };

struct TrailEntry
{
    qint64 at = 0; // ms since the epoch
    QString pc, user;
    TrailKind kind = TrailKind::Other;
    QString kindName; // as stored ("download", "deletion", ...)
    // The tester it concerns; none for all testers (a deletion, a verify)
    // or none at all (a setting).
    std::optional<qint64> testerId;
    QString serialNumber;
    // A batch: the records it added and those already there; a deletion:
    // the records deleted; a verify: the records verified.
    qint64 count = 0;
    qint64 already = 0;
    qint64 number = 0; // a batch's number in its tester's chain
    QString source;    // an import's file name; for records sent, the PC they came from
    QString details;   // an audit entry's plain data ("retention_years 5 -> 7", ...)
    long cutOff = 0;   // a deletion's cut-off (yyyymmdd); 0 otherwise
    QString hash;      // a batch's hash, or the fingerprint of the records a deletion took
};

struct TrailFilter
{
    std::optional<qint64> testerId; // a tester's entries and those of every tester
    qint64 fromMs = 0;              // from this moment on
    std::optional<qint64> untilMs;  // before this moment
};

class ArchiveTrail
{
public:
    // The entries that filter lets through, oldest first.
    static std::optional<QVector<TrailEntry>> Read(ArchiveStore &store, const TrailFilter &filter,
                                                   ArchiveError *error);
};
