// Figures for the records archive: archiving 100,000 records; 10,000 records
// in one transaction against row by row with a commit each; counting and
// paging with a filter and a sort at 1,000,000 archived records; the archive
// window opened, filtered and sorted over them, the memory it holds, what
// the chart is drawn from read and made ready, and a chart of 1,000,000
// readings painted (tools/bench_chart has more of it).
// Targets on a 2-core machine: 100,000 records in under 2 s, a filter or a
// page at a million records in under 0.5 s, the window open and a filter
// applied in under 0.5 s each, under 100 MB held by the window, the chart
// painted in under 100 ms.
//
// The store figures again on a PostgreSQL server when the socket folder of
// one that tools/pg-test-server.sh started is given: bench_archive [FOLDER].
// Targets there: 100,000 records in under 5 s, a filter at a million in
// under 1 s.

#include "archive/archivewords.h"
#include "archive/chartsummary.h"
#include "archive/store/archivestore.h"
#include "records/data/sortrows.h"
#include "tools/archivewindowmeasure.h"
#include "tools/benchrecords.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QUrl>

#include <cstdio>
#include <ctime>
#include <functional>

namespace {

QStringList Device(int tester)
{
    return {"Device Information ",
            QStringLiteral("Serial Number         : SN%1").arg(tester, 7, 10, QLatin1Char('0')),
            "Software Version  : V1.07", "Last Calibration      : 2010-01-31"};
}

// count records of one tester with distinct keys, as a tester sends them.
GridRows MakeRecords(int count, quint32 seed)
{
    QRandomGenerator random(seed);
    GridRows rows;
    rows.reserve(count);
    for (int r = 0; r < count; ++r)
        rows << RandomRecord(random, QString::number(r + 1).rightJustified(5, '0'));
    return rows;
}

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

std::unique_ptr<ArchiveStore> Fresh(const Place &place, const char *name)
{
    ArchiveError error;
    auto store = ArchiveStore::Open(place(QLatin1String(name)), &error);
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

void Measure(const Place &dir)
{
    ArchiveError error;

    {
        const GridRows rows = MakeRecords(100000, 1);
        auto store = Fresh(dir, "hundred_thousand");
        Report("100,000 records archived (one transaction)",
               [&] { Must(store->Add(Device(1), rows, &error).has_value(), error); });
        Report("the same 100,000 again (all already there)",
               [&] { Must(store->Add(Device(1), rows, &error).has_value(), error); });
    }

    {
        const GridRows rows = MakeRecords(10000, 2);
        auto batched = Fresh(dir, "batched");
        const double one = Report("10,000 records in one transaction", [&] {
            Must(batched->Add(Device(1), rows, &error).has_value(), error);
        });
        auto naive = Fresh(dir, "naive");
        const double each = Report("10,000 records row by row, a commit each", [&] {
            for (const GridRow &row : rows)
                Must(naive->Add(Device(1), {row}, &error).has_value(), error);
        });
        std::printf("%-58s %9.1f x\n", "row by row against one transaction", each / one);
    }

    auto store = Fresh(dir, "million");
    Report("1,000,000 records archived (100 testers of 10,000)", [&] {
        for (int t = 0; t < 100; ++t)
            Must(store->Add(Device(t), MakeRecords(10000, quint32(100 + t)), &error).has_value(),
                 error);
    });
    const auto testers = store->Testers(&error);
    Must(testers.has_value(), error);

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

    const struct
    {
        const char *name;
        const ArchiveQuery &query;
    } queries[] = {{"all", all},
                   {"a date range", dates},
                   {"a reading range", readings},
                   {"one tester, a date range", oneTester},
                   {"a date range, FAIL", fails}};
    for (const auto &q : queries) {
        qint64 count = 0;
        const QByteArray what = QByteArray("1M: count of ") + q.name;
        Report(what.constData(), [&] { count = store->Count(q.query, &error).value_or(-1); });
        std::printf("%-58s %9lld\n", "    records", count);
        for (const ArchiveSort sort : {ArchiveSort{1, true}, ArchiveSort{2, false}}) {
            const QByteArray page = QByteArray("1M: first 100 of ") + q.name + " by " +
                                    (sort.column == 1 ? "date" : "time descending");
            Report(page.constData(), [&] { store->Page(q.query, sort, 0, 100, &error); });
        }
        const QByteArray middle = QByteArray("1M: 100 from the middle of ") + q.name + " by date";
        Report(middle.constData(), [&] {
            store->Page(q.query, {1, true}, count / 2, 100, &error);
        });
    }
    Report("1M: the testers with their counts", [&] { store->Testers(&error); });
    qint64 points = 0;
    Report("1M: readings in %BAC of one tester for the chart", [&] {
        points = store->Readings(oneTester, "%BAC", &error).value_or(QVector<ChartPoint>()).size();
    });
    std::printf("%-58s %9lld\n", "    points", points);
    // What the chart is drawn from as the window reads it: each unit's
    // readings counted, every day's tests, the readings in the most common
    // unit, made ready for drawing.
    for (const auto &q : {queries[0], queries[3]}) {
        const QByteArray what = QByteArray("1M: the chart of ") + q.name + ", made ready";
        Report(what.constData(), [&] {
            std::optional<ChartInput> input = store->Chart(q.query, MostCommonUnit, &error);
            points = input ? PrepareChart(std::move(*input)).readings.size() : -1;
        });
        std::printf("%-58s %9lld\n", "    points", points);
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    std::printf("SQLite file\n");
    Measure(SqliteFiles(dir));
    // The window over the same million records, and the chart by itself.
    MeasureArchiveWindow(SqliteFiles(dir)(QStringLiteral("million")));
    MeasureChartPainting(1000000);
    if (argc < 2) {
        std::printf("\nNo PostgreSQL server given: its figures are skipped. Start one with\n"
                    "tools/pg-test-server.sh start FOLDER and give FOLDER.\n");
        return 0;
    }
    std::printf("\nPostgreSQL server in %s\n", argv[1]);
    Measure(ServerDatabases(QString::fromLocal8Bit(argv[1])));
    return 0;
}
