// Figures for the records archive: archiving 100,000 records; 10,000 records
// in one transaction against row by row with a commit each; counting and
// paging with a filter and a sort at 1,000,000 archived records; the archive
// window opened, filtered and sorted over them, the memory it holds, what
// the chart is drawn from read and made ready, and a chart of 1,000,000
// readings painted (tools/bench_chart has more of it); 1,000,000 records
// verified; the size of the records table and of each index.
// Targets on a 2-core machine: 100,000 records in at most 1.2 times the time
// SQLite's own library takes (1.5 times COPY on a server), every count, page
// and list at a million records in under 0.1 s, a million records exported
// in under 5 s, verified in under 10 s, under 100 MB held by the window.
//
// The store figures again on a PostgreSQL server, and the inserts through
// its ODBC driver, when the socket folder of one that
// tools/pg-test-server.sh started is given: bench_archive [FOLDER].
//
// With --tsv the figures go to standard output one a line (name, tab, value,
// tab, unit), and everything else to standard error: bench_archive --tsv
// [FOLDER]. The inserts are measured against the same rows written by the
// databases' own libraries (tools/benchreference.h) in the same run.

#include "archive/archivewords.h"
#include "archive/chartsummary.h"
#include "archive/selectionfile.h"
#include "archive/store/archiveserver.h"
#include "archive/store/archivesql.h"
#include "archive/store/archivestore.h"
#include "archive/store/sqlconnection.h"
#include "records/data/sortrows.h"
#include "tools/archivewindowmeasure.h"
#include "tools/benchfigures.h"
#include "tools/benchrecords.h"
#include "tools/benchreference.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <ctime>
#include <functional>
#include <unistd.h>

namespace {

// Where --tsv sends the figures; none without it.
FILE *Figures = nullptr;

void Figure(const QByteArray &name, double value, const char *unit)
{
    if (!Figures)
        return;
    std::fprintf(Figures, "%s\t%.3f\t%s\n", name.constData(), value, unit);
    std::fflush(Figures);
}

// The slowest of the queries measured, with its name.
struct Slowest
{
    double ms = 0;
    QByteArray name;
    void Saw(const QByteArray &what, double taken)
    {
        if (taken > ms) {
            ms = taken;
            name = what;
        }
    }
};

// Prints the time work took, and the processor time, which a machine busy
// with other work changes less.
double Report(const char *what, const std::function<void()> &work)
{
    QElapsedTimer timer;
    const std::clock_t cpu = std::clock();
    timer.start();
    work();
    const double ms = double(timer.nsecsElapsed()) / 1e6;
    const double cpuMs = double(std::clock() - cpu) * 1000.0 / CLOCKS_PER_SEC;
    std::printf("%-58s %9.1f ms %9.1f ms cpu\n", what, ms, cpuMs);
    std::fflush(stdout);
    return ms;
}

// Where the archive of a given name is made: a file, or a new database on
// the server.
using Place = std::function<ArchiveLocation(const QString &name)>;

Place SqliteFiles(const QTemporaryDir &dir)
{
    return [&dir](const QString &name) {
        return ArchiveLocation{ArchiveLocation::Driver::Sqlite, dir.filePath(name + ".sqlite")};
    };
}

Place ServerDatabases(const QString &folder)
{
    return [folder](const QString &name) {
        for (const char *program : {"dropdb", "createdb"}) {
            QStringList arguments = {"-h", folder, "-U", "postgres", name};
            if (QLatin1String(program) == QLatin1String("dropdb"))
                arguments.prepend("--if-exists");
            QProcess client;
            client.setStandardErrorFile(QProcess::nullDevice());
            client.start(QStringLiteral("/usr/lib/postgresql/15/bin/") + program, arguments);
            client.waitForFinished(-1);
        }
        return ArchiveLocation{ArchiveLocation::Driver::Postgres,
                               "postgresql:///" + name +
                                   "?user=postgres&host=" + QUrl::toPercentEncoding(folder)};
    };
}

// The same new database on the server, reached through its ODBC driver.
Place OdbcDatabases(const QString &folder)
{
    return [folder](const QString &name) {
        ServerDatabases(folder)(name);
        return ArchiveLocation{ArchiveLocation::Driver::Odbc,
                               QStringLiteral("Driver={PostgreSQL Unicode};Servername=%1;"
                                              "Port=5432;Database=%2;Username=postgres")
                                   .arg(folder, name)};
    };
}

std::unique_ptr<ArchiveStore> Fresh(const ArchiveLocation &where)
{
    ArchiveError error;
    auto store = ArchiveStore::Open(where, &error);
    if (!store) {
        std::fprintf(stderr, "%s\n", qPrintable(ArchiveErrorText(error)));
        std::exit(1);
    }
    return store;
}

void Must(bool done, const ArchiveError &error)
{
    if (!done) {
        std::fprintf(stderr, "%s\n", qPrintable(ArchiveErrorText(error)));
        std::exit(1);
    }
}

// A run's time and its processor time (every thread's), in seconds.
struct Taken
{
    double seconds = 0;
    double cpuSeconds = 0;
};

// The best of three runs, printed with its processor time.
double BestOfThree(const char *what, const std::function<Taken()> &run)
{
    Taken best;
    for (int at = 0; at < 3; ++at) {
        const Taken taken = run();
        if (taken.seconds <= 0)
            std::exit(1);
        if (at == 0 || taken.seconds < best.seconds)
            best = taken;
    }
    std::printf("%-58s %9.1f ms %9.1f ms cpu (best of 3)\n", what, best.seconds * 1000,
                best.cpuSeconds * 1000);
    std::fflush(stdout);
    return best.seconds;
}

// The store's 100,000 records against the reference's, in seconds; the
// reference writes into an archive the store made, tables and indexes.
// With odbc, the server's figures through its ODBC driver too.
//
// SQLite: sqlite_insert_100k_ratio is the store's best of three against the
// reference writing the very columns the store writes (the record's texts,
// what is read from them, the time, its fingerprint and batch id), the
// fingerprints taken before the reference's clock starts: all the store does
// beyond that (fingerprinting, the batch, the chart's tally, the tester's
// counts) is in the ratio. fingerprint_insert_100k_overhead_pct is what
// fingerprinting adds to the reference, best of three each: the
// fingerprints taken as the store takes them (FingerprintAhead), written,
// and the batch row holding them with its hash, against the records alone.
// With inserts only, nothing else is measured (bench_archive --inserts).
void MeasureInserts(const Place &dir, bool server, const Place &odbc = {})
{
    ArchiveError error;
    const GridRows rows = MakeRecords(100000, 1);
    const QString serial = QStringLiteral("SN0000001");
    // A place is made anew each time it is asked for. The server's tables
    // are made with the first records: one of another tester.
    auto made = [&](const QString &name) {
        const ArchiveLocation where = dir(name);
        auto archive = ArchiveStore::Open(where, &error);
        Must(archive && archive->Add(Device(2), rows.mid(0, 1), &error).has_value(), error);
        return where.target;
    };
    auto measured = [](double seconds) {
        if (seconds <= 0)
            std::exit(1);
        return seconds;
    };
    if (!server) {
        int archives = 0;
        const auto next = [&](const char *name) { return name + QString::number(++archives); };
        const double store = BestOfThree("100,000 records archived (one transaction)", [&] {
            auto archive = Fresh(dir(next("hundred_thousand")));
            QElapsedTimer timer;
            const std::clock_t cpu = std::clock();
            timer.start();
            Must(archive->Add(Device(1), rows, &error).has_value(), error);
            return Taken{double(timer.nsecsElapsed()) / 1e9,
                         double(std::clock() - cpu) / CLOCKS_PER_SEC};
        });
        const auto reference = [&](const char *name, ReferenceExtras extras) {
            return [&, name, extras] {
                Taken taken;
                taken.seconds = SqliteReferenceSeconds(made(next(name)), serial, rows, extras,
                                                       &taken.cpuSeconds);
                return taken;
            };
        };
        const double same = BestOfThree("the same columns by SQLite's C library",
                                        reference("same", ReferenceExtras::Fingerprints));
        const double plain = BestOfThree("the records alone by SQLite's C library",
                                         reference("plain", ReferenceExtras::None));
        const double fingerprinted =
            BestOfThree("the records fingerprinted by SQLite's C library",
                        reference("fingerprinted", ReferenceExtras::Fingerprinting));
        Figure("sqlite_insert_100k_ratio", store / same, "x");
        Figure("fingerprint_insert_100k_overhead_pct", (fingerprinted / plain - 1) * 100, "%");
        Figure("sqlite_insert_100k_s", store, "s");
        Figure("sqlite_reference_100k_s", same, "s");
        auto again = Fresh(dir(next("hundred_thousand")));
        Must(again->Add(Device(1), rows, &error).has_value(), error);
        Report("the same 100,000 again (all already there)",
               [&] { Must(again->Add(Device(1), rows, &error).has_value(), error); });
        return;
    }
    auto store = Fresh(dir(QStringLiteral("hundred_thousand")));
    const double ms = Report("100,000 records archived (one transaction)",
                             [&] { Must(store->Add(Device(1), rows, &error).has_value(), error); });
    Report("the same 100,000 again (all already there)",
           [&] { Must(store->Add(Device(1), rows, &error).has_value(), error); });
    store.reset();
    const double copy =
        measured(PostgresCopySeconds(made(QStringLiteral("copy")), serial, rows, false));
    const double kept =
        measured(PostgresCopySeconds(made(QStringLiteral("copy_kept")), serial, rows, true));
    std::printf("%-58s %9.1f ms\n", "the same by COPY", copy * 1000);
    std::printf("%-58s %9.1f ms\n", "the same by COPY, then INSERT ... ON CONFLICT", kept * 1000);
    Figure("postgresql_insert_100k_s", ms / 1000, "s");
    Figure("postgresql_copy_100k_s", copy, "s");
    Figure("postgresql_copy_deduplicated_100k_s", kept, "s");
    Figure("postgresql_insert_100k_ratio_to_copy", ms / 1000 / copy, "x");
    Figure("postgresql_insert_100k_ratio_to_copy_deduplicated", ms / 1000 / kept, "x");
    if (!odbc)
        return;
    auto throughOdbc = Fresh(odbc(QStringLiteral("odbc_hundred_thousand")));
    const double odbcMs = Report("100,000 records archived through ODBC", [&] {
        Must(throughOdbc->Add(Device(1), rows, &error).has_value(), error);
    });
    Figure("odbc_insert_100k_s", odbcMs / 1000, "s");
    Figure("odbc_insert_100k_ratio_to_copy", odbcMs / 1000 / copy, "x");
}

// The selection of all records sorted by reading written to a data file in
// one pass: its time and the memory it takes.
void MeasureExport(ArchiveStore &store, const QTemporaryDir &files, const QByteArray &prefix)
{
    ArchiveError error;
    SelectionFile file;
    file.path = files.filePath(QStringLiteral("export.DAT"));
    file.headerLines = Device(1);
    file.headings = PlainHeadings();
    file.sort = {3, true};
    file.count = store.Count(file.query, &error).value_or(0);
    std::optional<SelectionWritten> written;
    double ms = 0;
    const MemoryUse memory = MeasureMemory([&] {
        ms = Report("1M: all records sorted by reading written to a .DAT",
                    [&] { written = WriteSelectionFile(store, file, ArchiveJob(), &error); });
    });
    Must(written && written->failure.isEmpty(), error);
    std::printf("%-58s %9lld\n", "    records", written->records);
    std::printf("%-46s peak +%.1f MB, held +%.1f MB\n", "memory taken by the export",
                memory.peakKb / 1024.0, memory.heldKb / 1024.0);
    std::printf("%-46s peak +%.1f MB\n", "    of it the program's own, the rest the file's",
                memory.anonPeakKb / 1024.0);
    QFile::remove(file.path);
    Figure(prefix + "export_1m_s", ms / 1000, "s");
    Figure(prefix + "export_1m_peak_mb", memory.peakKb / 1024.0, "MB");
    Figure(prefix + "export_1m_peak_own_mb", memory.anonPeakKb / 1024.0, "MB");
}

// The records table, the chart's tally and each of their indexes at
// 1,000,000 records, in MB, read through a connection of the bench's own.
void MeasureSizes(const ArchiveLocation &where, const QByteArray &prefix)
{
    SqlConnection connection(ArchiveDriverName(where.driver));
    QSqlDatabase db = connection.Db();
    ArchiveError error;
    if (where.driver == ArchiveLocation::Driver::Sqlite) {
        db.setDatabaseName(where.target);
        Must(db.open(), DatabaseError(db.lastError().text()));
    } else {
        Must(OpenServer(db, where, &error), error);
    }
    const QString sql =
        where.driver == ArchiveLocation::Driver::Sqlite
            ? QStringLiteral("SELECT s.name, SUM(d.pgsize) FROM dbstat d JOIN sqlite_schema s"
                             " ON s.name = d.name WHERE s.tbl_name IN ('records', 'chart_days')"
                             " GROUP BY s.name ORDER BY s.name")
            : QStringLiteral("SELECT c.relname, pg_relation_size(c.oid) FROM pg_class c"
                             " WHERE c.relname IN ('records', 'chart_days') OR c.oid IN"
                             " (SELECT indexrelid FROM pg_index WHERE indrelid IN"
                             " ('records'::regclass, 'chart_days'::regclass))"
                             " ORDER BY c.relname");
    QSqlQuery sizes(db);
    QString reason;
    Must(RunSql(sizes, sql, {}, &reason), DatabaseError(reason));
    while (sizes.next()) {
        const double mb = sizes.value(1).toDouble() / (1024 * 1024);
        std::printf("%-58s %9.1f MB\n", qPrintable("1M: size of " + sizes.value(0).toString()), mb);
        Figure(prefix + "size_1m_" + sizes.value(0).toString().toLatin1() + "_mb", mb, "MB");
    }
}

void Measure(const Place &dir, const QTemporaryDir &files, bool server, const Place &odbc = {})
{
    ArchiveError error;
    const QByteArray prefix = server ? "postgresql_" : "";
    MeasureInserts(dir, server, odbc);

    {
        const GridRows rows = MakeRecords(10000, 2);
        auto batched = Fresh(dir(QStringLiteral("batched")));
        const double one = Report("10,000 records in one transaction", [&] {
            Must(batched->Add(Device(1), rows, &error).has_value(), error);
        });
        auto naive = Fresh(dir(QStringLiteral("naive")));
        const double each = Report("10,000 records row by row, a commit each", [&] {
            for (const GridRow &row : rows)
                Must(naive->Add(Device(1), {row}, &error).has_value(), error);
        });
        std::printf("%-58s %9.1f x\n", "row by row against one transaction", each / one);
    }

    const ArchiveLocation million = dir(QStringLiteral("million"));
    auto store = Fresh(million);
    Report("1,000,000 records archived (100 testers of 10,000)", [&] {
        for (int t = 0; t < 100; ++t)
            Must(store->Add(Device(t), MakeRecords(10000, quint32(100 + t)), &error).has_value(),
                 error);
    });
    const auto testers = store->Testers(&error);
    Must(testers.has_value(), error);
    {
        // As kestrune-verify does it: a connection of its own, reading only.
        std::optional<ArchiveVerdict> verdict;
        const double ms = Report("1M: verified (every fingerprint, every chain)",
                                 [&] { verdict = VerifyArchiveAt(million, {}, &error); });
        Must(verdict && verdict->Intact(), error);
        Figure(prefix + "verify_1m_s", ms / 1000, "s");
    }

    ArchiveQuery all;
    ArchiveQuery dates;
    dates.criteria.byDate = true;
    dates.criteria.dateFrom = "2008-03-01";
    dates.criteria.dateTo = "2009-06-30";
    ArchiveQuery readings;
    readings.criteria.byReading = true;
    readings.criteria.unit = "%BAC";
    readings.criteria.readingFrom = "0.000";
    readings.criteria.readingTo = "0.100";
    ArchiveQuery oneTester = dates;
    oneTester.testerId = testers->value(42).id;
    ArchiveQuery fails = dates;
    fails.criteria.byResult = true;
    fails.criteria.result = "FAIL";
    ArchiveQuery every = fails;
    every.criteria.byReading = true;
    every.criteria.unit = "%BAC";
    every.criteria.readingFrom = "0.050";
    every.criteria.readingTo = "0.300";
    every.criteria.byTestNo = true;
    every.criteria.testNoFrom = "100";
    every.criteria.testNoTo = "9000";

    const struct
    {
        const char *name;
        const ArchiveQuery &query;
    } queries[] = {{"all", all},
                   {"a date range", dates},
                   {"a reading range", readings},
                   {"one tester, a date range", oneTester},
                   {"a date range, FAIL", fails},
                   {"a date range, test nos, readings, FAIL", every}};
    Slowest slowest;
    Slowest jumps;
    auto timed = [&](const QByteArray &what, const std::function<void()> &query) {
        slowest.Saw(what, Report(what.constData(), query));
    };
    const char *const columns[] = {"test no", "date", "time", "reading", "result", "sampling"};
    for (const auto &q : queries) {
        qint64 count = 0;
        timed(QByteArray("1M: count of ") + q.name,
              [&] { count = store->Count(q.query, &error).value_or(-1); });
        std::printf("%-58s %9lld\n", "    records", count);
        // The middle page as the window's table reaches it scrolling: sought
        // from the last row of the page before, read first. That page itself,
        // jumped to with no page read near it, is counted from the nearer end.
        const qint64 middle = std::max<qint64>(count / 2 - 100, 0);
        for (int column = 0; column < RecordColumns; ++column)
            for (const bool ascending : {true, false}) {
                const ArchiveSort sort{column, ascending};
                const QByteArray what = QByteArray(" 100 of ") + q.name + " by " + columns[column] +
                                        (ascending ? "" : " descending");
                auto page = [&](qint64 first, std::optional<ArchiveAnchor> before = {}) {
                    std::optional<QVector<ArchivedRecord>> read = store->Page(
                        q.query, sort, ArchivePageAsk{first, 100, count, before, {}}, &error);
                    Must(read.has_value(), error);
                    return *read;
                };
                timed("1M: first" + what, [&] { page(0); });
                QVector<ArchivedRecord> jumped;
                jumps.Saw("1M: jump to the middle" + what,
                          Report(("1M: jump to the middle" + what).constData(),
                                 [&] { jumped = page(middle); }));
                const std::optional<ArchiveAnchor> before =
                    jumped.isEmpty() ? std::nullopt
                                     : std::optional<ArchiveAnchor>(ArchiveAnchor{
                                           middle + jumped.size() - 1, KeyOf(jumped.last())});
                timed("1M: middle" + what,
                      [&] { page(middle + std::max<qint64>(jumped.size(), 0), before); });
                timed("1M: last" + what, [&] { page(std::max<qint64>(count - 100, 0)); });
            }
    }
    timed("1M: the testers with their counts", [&] { store->Testers(&error); });
    // What the chart is drawn from as the window reads it: each unit's
    // readings counted, every day's tests, the readings in the most common
    // unit, made ready for drawing.
    for (const auto &q : queries) {
        qint64 points = 0;
        timed(QByteArray("1M: the chart of ") + q.name + ", made ready", [&] {
            std::optional<ChartInput> input = store->Chart(q.query, MostCommonUnit, &error);
            points = input ? PrepareChart(std::move(*input)).readings.size() : -1;
        });
        std::printf("%-58s %9lld\n", "    points", points);
    }
    std::printf("%-58s %9.1f ms\n    %s\n", "1M: the slowest query", slowest.ms,
                slowest.name.constData());
    Figure(prefix + "max_query_1m_ms", slowest.ms, "ms");
    if (Figures)
        std::fprintf(Figures, "%s\n", slowest.name.constData());
    std::printf("%-58s %9.1f ms\n    %s\n", "1M: the slowest jump", jumps.ms,
                jumps.name.constData());
    Figure(prefix + "max_jump_1m_ms", jumps.ms, "ms");
    if (Figures)
        std::fprintf(Figures, "%s\n", jumps.name.constData());
    MeasureExport(*store, files, prefix);
    MeasureSizes(million, prefix);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (arguments.removeAll(QStringLiteral("--tsv")) > 0) {
        // The figures keep standard output; the rest goes where errors go.
        Figures = fdopen(dup(STDOUT_FILENO), "w");
        std::fflush(stdout);
        dup2(STDERR_FILENO, STDOUT_FILENO);
    }
    QTemporaryDir dir;
    std::printf("SQLite file\n");
    if (arguments.removeAll(QStringLiteral("--inserts")) > 0) {
        MeasureInserts(SqliteFiles(dir), false);
        return 0;
    }
    Measure(SqliteFiles(dir), dir, false);
    // The window over the same million records, and the chart by itself.
    const MemoryUse window = MeasureArchiveWindow(SqliteFiles(dir)(QStringLiteral("million")));
    Figure("window_1m_held_mb", window.heldKb / 1024.0, "MB");
    Figure("window_1m_peak_mb", window.peakKb / 1024.0, "MB");
    MeasureChartPainting(1000000);
    if (arguments.isEmpty()) {
        std::printf("\nNo PostgreSQL server given: its figures are skipped. Start one with\n"
                    "tools/pg-test-server.sh start FOLDER and give FOLDER.\n");
        return 0;
    }
    std::printf("\nPostgreSQL server in %s\n", qPrintable(arguments.first()));
    Measure(ServerDatabases(arguments.first()), dir, true, OdbcDatabases(arguments.first()));
    return 0;
}
