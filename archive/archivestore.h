#pragma once
// The records archive: every downloaded or imported test record kept in one
// database (an SQLite file by default), with typed columns for filtering and
// sorting beside the six original texts of each record.

#include "records/data/recordfields.h"
#include "records/data/searchfilter.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>
#include <memory>
#include <optional>

struct ArchiveLocation
{
    enum class Driver { Sqlite, Postgres, Odbc };
    Driver driver = Driver::Sqlite;
    QString target; // file path, libpq URI, or ODBC connection string / DSN
};

// The environment variable that moves the archive.
inline const char ArchiveEnvironment[] = "KESTRUNE_ARCHIVE";

// "sqlite:<path>", "postgresql://..." or "postgres://..." (a libpq URI) and
// "odbc:<connection string or DSN>"; std::nullopt with the reason in *error
// for anything else.
std::optional<ArchiveLocation> ParseArchiveLocation(const QString &text, QString *error);
// <AppDataLocation>/archive.sqlite
ArchiveLocation DefaultArchiveLocation();
// KESTRUNE_ARCHIVE when set, else Kestrune.ARC in the start directory when
// it names a location, else the default (ChosenArchiveLocationIn). When the
// chosen text cannot be read, *error says why and the target is empty (Open
// refuses it); *error is cleared otherwise.
ArchiveLocation ChosenArchiveLocation(QString *error);

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

struct ArchiveQuery
{
    std::optional<qint64> testerId; // nullopt = all testers
    SearchCriteria criteria;        // same meaning as the search dialog
};

// Sort column: 0..5 the six record columns (TestNo, Date, Time, Reading,
// Result, Sampling).
struct ArchiveSort
{
    int column = 0;
    bool ascending = true;
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
};

struct ChartPoint
{
    qint64 testNo = 0;
    long dateKey = 0;
    QString time;
    float reading = 0;
    bool fail = false;
};

inline const char ArchiveCancelled[] = "Cancelled";
// How long a statement waits for another program's transaction to end.
inline constexpr int ArchiveBusyTimeoutMs = 3000;

// The version of the archive's tables that this program writes.
inline constexpr int ArchiveSchemaVersion = 3;

// One open database connection; not copyable; closes in its destructor.
class ArchiveStore
{
public:
    // Opens (creating or upgrading the schema). nullptr with a reason in
    // *error on failure; never overwrites, truncates or deletes an existing
    // file.
    static std::unique_ptr<ArchiveStore> Open(const ArchiveLocation &where, QString *error);
    ~ArchiveStore();
    ArchiveStore(const ArchiveStore &) = delete;
    ArchiveStore &operator=(const ArchiveStore &) = delete;

    // One transaction: all of rows (six cells each, no heading row) of the
    // tester that deviceInfo (heading, serial, software, calibration lines)
    // names.
    // progress, when given, hears the number of records sent so far now and
    // then; when it answers false, nothing of this call stays and *error is
    // ArchiveCancelled.
    std::optional<ArchiveCounts> Add(const QStringList &deviceInfo, const GridRows &rows,
                                     QString *error,
                                     const std::function<bool(qint64)> &progress = {});
    std::optional<QVector<ArchiveTester>> Testers(QString *error);
    std::optional<qint64> Count(const ArchiveQuery &query, QString *error);
    // Up to limit records of the query in sort order from offset. A query
    // whose test-number range the search dialog refuses gives std::nullopt
    // with "Settings incorrect" in *error (as do Count and Readings).
    std::optional<QVector<ArchivedRecord>> Page(const ArchiveQuery &query, ArchiveSort sort,
                                                qint64 offset, int limit, QString *error);
    // The readings of the query in unit (the reading's unit text as in
    // SearchCriteria::unit), in time order, for the chart.
    std::optional<QVector<ChartPoint>> Readings(const ArchiveQuery &query, const QString &unit,
                                                QString *error);

    // The site's calibration interval in months (DefaultCalibrationMonths
    // until one is set); every program using the archive reads the same.
    std::optional<int> CalibrationMonths(QString *error);
    bool SetCalibrationMonths(int months, QString *error);

    // The records dated before dateKey (yyyymmdd) of one tester or all;
    // records whose date cannot be read are never counted as old.
    std::optional<qint64> CountOlderThan(long dateKey, std::optional<qint64> testerId,
                                         QString *error);
    // Deletes them in one transaction and returns how many went. Nothing
    // else ever deletes archived records.
    std::optional<qint64> DeleteOlderThan(long dateKey, std::optional<qint64> testerId,
                                          QString *error);

    struct Connection;

private:
    explicit ArchiveStore(std::unique_ptr<Connection> connection);
    std::unique_ptr<Connection> db;
};

// Loads the database driver of the archive (not the archive itself) where
// the system needs it done before the program starts a thread of its own;
// called once the application object exists, before the first window.
void LoadArchiveDriver();

// Opens the archive where ChosenArchiveLocation says: nullptr with the reason
// in *error.
std::unique_ptr<ArchiveStore> OpenChosenArchive(QString *error);
