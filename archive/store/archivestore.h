#pragma once
// The records archive: every downloaded or imported test record kept in one
// database (an SQLite file by default), with typed columns for filtering and
// sorting beside the six original texts of each record.

#include "archive/store/archiveerror.h"
#include "archive/store/archivelocation.h"
#include "archive/store/archivepaging.h"
#include "archive/store/archivequery.h"
#include "archive/store/archivetrail.h"
#include "archive/store/archiveverify.h"
#include "archive/store/chartinput.h"
#include "records/data/recordfields.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

// The value of a device line: what follows its colon, without surrounding
// blanks.
QString DeviceValue(const QString &line);

struct ArchiveTester
{
    qint64 id = 0;
    // The values of the device lines (after their colon, without surrounding
    // blanks); the serial number names the tester.
    QString serialNumber, softwareVersion, lastCalibration;
    // The four device lines exactly as last archived, for writing files.
    QStringList deviceInfo;
    qint64 records = 0;
    long firstDateKey = 0, lastDateKey = 0; // yyyymmdd (DateKey)
    QDateTime lastDownload;                 // when last archived
};

struct ArchiveCounts
{
    qint64 added = 0;
    qint64 already = 0;
};

struct ArchivedRecord
{
    GridRow cells; // the six original texts
    qint64 testerId = 0;
    qint64 id = 0;
    QVariant sortValue; // the value of the sort column the record was read in order of
};

struct ChartPoint
{
    qint64 testNo = 0;
    long dateKey = 0;
    QString time;
    float reading = 0;
    bool fail = false;
};

// How long a statement waits for another program's transaction to end.
inline constexpr int ArchiveBusyTimeoutMs = 3000;

// One open database connection; not copyable; closes in its destructor.
class ArchiveStore
{
public:
    // Opens (creating or upgrading the schema). nullptr with the reason in
    // *error on failure; never overwrites, truncates or deletes an existing
    // file. Qt SQL keeps the connection for the thread that opens it: the
    // store is used and destroyed on that thread only.
    static std::unique_ptr<ArchiveStore> Open(const ArchiveLocation &where, ArchiveError *error);
    ~ArchiveStore();
    ArchiveStore(const ArchiveStore &) = delete;
    ArchiveStore &operator=(const ArchiveStore &) = delete;

    // One transaction: all of rows (six cells each, no heading row) of the
    // tester that deviceInfo (heading, serial, software, calibration lines)
    // names.
    // progress, when given, hears the number of records sent so far now and
    // then; when it answers false, nothing of this call stays and *error is
    // Cancelled.
    // The records new here get their fingerprints and become one batch of
    // the tester's chain, made under the tester's row lock, saying where they
    // came from (origin: kind, file, PC, user). A 'sent' batch that adds
    // nothing is not made. Without an origin: a download on this PC.
    std::optional<ArchiveCounts> Add(const QStringList &deviceInfo, const GridRows &rows,
                                     const ArchiveOrigin &origin, ArchiveError *error,
                                     const std::function<bool(qint64)> &progress = {});
    std::optional<ArchiveCounts> Add(const QStringList &deviceInfo, const GridRows &rows,
                                     ArchiveError *error,
                                     const std::function<bool(qint64)> &progress = {});
    std::optional<QVector<ArchiveTester>> Testers(ArchiveError *error);
    std::optional<qint64> Count(const ArchiveQuery &query, ArchiveError *error);
    // Up to limit records of the query in sort order from offset. A query
    // whose test-number range the search dialog refuses gives std::nullopt
    // with SettingsIncorrect in *error (as do Count and Readings).
    std::optional<QVector<ArchivedRecord>> Page(const ArchiveQuery &query, ArchiveSort sort,
                                                qint64 offset, int limit, ArchiveError *error);

    // What a window paging through a selection asks (archivepaging.h):
    // the count of the selection, read once, with its order made ready;
    std::optional<qint64> Select(const ArchiveQuery &query, ArchiveSort sort, ArchiveError *error);
    // a page of it, sought from the rows read nearest to it;
    std::optional<QVector<ArchivedRecord>> Page(const ArchiveQuery &query, ArchiveSort sort,
                                                const ArchivePageAsk &ask, ArchiveError *error);
    // and every record of it (count, as selected) in order in one pass, as
    // long as visit answers true.
    bool ForEachRecord(const ArchiveQuery &query, ArchiveSort sort, qint64 count,
                       const std::function<bool(const ArchivedRecord &record)> &visit,
                       ArchiveError *error);
    // The readings of the query in unit (the reading's unit text as in
    // SearchCriteria::unit), in time order, for the chart.
    std::optional<QVector<ChartPoint>> Readings(const ArchiveQuery &query, const QString &unit,
                                                ArchiveError *error);
    // What the chart of the query's records is drawn from: the tests of
    // every day whatever their unit, and the readings in the unit that unitOf
    // picks from the counts of readings in each unit (in no order). keepGoing,
    // asked now and then, stops it with Cancelled when it answers false.
    std::optional<ChartInput>
    Chart(const ArchiveQuery &query,
          const std::function<QString(const QVector<ChartUnitCount> &counts)> &unitOf,
          ArchiveError *error, const std::function<bool()> &keepGoing = {});
    // Hands every record of the query to each, in no order: its date key and
    // its reading and result texts. each answering false stops it with
    // Cancelled.
    bool EachRecord(
        const ArchiveQuery &query,
        const std::function<bool(long dateKey, QStringView reading, QStringView result)> &each,
        ArchiveError *error);

    // ---- The trail: settings and deletions, each with its audit row in the
    // same transaction, this PC and user (ThisWorkstation) named in it
    // (archivetrail.cpp; the rows are described in archivetrail.h).
    //
    // The site's calibration interval in months (DefaultCalibrationMonths
    // until one is set); every program using the archive reads the same.
    std::optional<int> CalibrationMonths(ArchiveError *error);
    // CalibrationOutOfRange for an interval outside the allowed months. A
    // change writes the 'setting' row "calibration_months old -> new".
    bool SetCalibrationMonths(int months, ArchiveError *error);
    // The minimum retention in years (DefaultRetentionYears until one is
    // set); RetentionOutOfRange outside MinRetentionYears..MaxRetentionYears.
    // A change writes the 'setting' row "retention_years old -> new".
    std::optional<int> RetentionYears(ArchiveError *error);
    bool SetRetentionYears(int years, ArchiveError *error);

    // The records dated before dateKey (yyyymmdd) of one tester or all;
    // records whose date cannot be read are never counted as old.
    std::optional<qint64> CountOlderThan(long dateKey, std::optional<qint64> testerId,
                                         ArchiveError *error);
    // Deletes them in one transaction and returns how many went: the
    // 'deletion' audit row (scope, cut-off, count, set fingerprint of the
    // records in id order), each record's fingerprint and key texts in
    // deleted_records, and the deletion gate's row for the DELETE the
    // database refuses otherwise. InsideRetention (its years in version)
    // for a cut-off after LatestCutOff(RetentionYears). Nothing else ever
    // deletes archived records.
    std::optional<qint64> DeleteOlderThan(long dateKey, std::optional<qint64> testerId,
                                          ArchiveError *error);
    // ---- End of the trail.

    // Verifies every record and every tester's chain (archiveverify.h), an
    // SQLite file with its integrity check, then enters the verdict in the
    // audit trail as who's. Cancelled when progress answers false.
    std::optional<ArchiveVerdict> Verify(const ArchiveWorkstation &who,
                                         const VerifyProgress &progress, ArchiveError *error);

    // The seal of the query's records (archiveverify.h).
    std::optional<SelectionSeal> Seal(const ArchiveQuery &query, ArchiveError *error);

    // Where it is; whether its connection is still open (a server's may
    // have been lost); what cuts its calls on a server short from another
    // thread (serverwatchdog.h), empty for SQLite.
    const ArchiveLocation &Where() const;
    bool Alive() const;
    std::function<void()> Cutter() const;

    struct Connection;

private:
    friend class ArchiveOutbox;
    friend class ArchiveTrail;
    explicit ArchiveStore(std::unique_ptr<Connection> connection);
    std::unique_ptr<Connection> db;
};
