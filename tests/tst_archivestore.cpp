// The records archive against real SQLite files: its tables made and
// upgraded, records kept once, taken out as they came in, and picked out
// exactly as the search dialog picks them.

#include "archivefixture.h"
#include "searchcriteria.h"

#include "archive/store/archiveimport.h"
#include "archive/store/archiveschema.h"
#include "archive/store/archivesql.h"
#include "archive/store/sqlconnection.h"
#include "records/data/datafile.h"
#include "records/data/recordvalues.h"
#include "records/data/searchfilter.h"
#include "records/data/sortrows.h"

#include <QFileInfo>
#include <QtTest>

namespace {

GridRows CellsOf(const QVector<ArchivedRecord> &records)
{
    GridRows rows;
    for (const ArchivedRecord &r : records)
        rows << r.cells;
    return rows;
}

// Records at the edges of every criterion, each with a time of its own.
GridRows EdgeRecords()
{
    const QStringList readings = {"0.000 %BAC",    "0.400 %BAC", "0.401 %BAC", "0.200 mg/L",
                                  "6.000 o/oo ",   "0.100 ",     "-0.10 %BAC", "0.250 o/oo ",
                                  " .300 %BAC",    " nan %BAC",  " inf %BAC",  "",
                                  "5.000 ug/100mL"};
    const QStringList dates = {"01 - Jan - 2010", "05 - Jan - 2010", "31 - Dec - 2009",
                               "15 - Feb - 2010", "xx - Foo - 2010", ""};
    const QStringList numbers = {"00001", "99999", "100000", "0", "-3", "abc", "00042"};
    GridRows rows;
    int i = 0;
    for (const QString &reading : readings)
        for (const QString &date : {dates[i % dates.size()], dates[(i + 3) % dates.size()]}) {
            rows.append({numbers[i % numbers.size()], date, QStringLiteral("t%1").arg(i), reading,
                         i % 3 == 0 ? "FAIL" : (i % 3 == 1 ? "PASS" : "-"), "Manual"});
            ++i;
        }
    return rows;
}

GridRows Sorted(GridRows rows)
{
    std::sort(rows.begin(), rows.end(),
              [](const GridRow &a, const GridRow &b) { return a.join('|') < b.join('|'); });
    return rows;
}

} // namespace

class TestArchiveStore : public QObject
{
    Q_OBJECT

    std::unique_ptr<ArchiveFixture> fx;

private slots:
    void init() { fx = std::make_unique<ArchiveFixture>(); }
    void cleanup() { fx.reset(); }

    void locations_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("target"); // empty: refused
        QTest::newRow("file") << "sqlite:/tmp/a/archive.sqlite"
                              << "/tmp/a/archive.sqlite";
        QTest::newRow("tidied") << "sqlite:/tmp/a/../b//x.db"
                                << "/tmp/b/x.db";
        QTest::newRow("no path") << "sqlite:"
                                 << "";
        QTest::newRow("other database") << "mysql://host/db"
                                        << "";
        QTest::newRow("bare path") << "/tmp/archive.sqlite"
                                   << "";
    }
    void locations()
    {
        QFETCH(QString, text);
        QFETCH(QString, target);
        ArchiveError error;
        const std::optional<ArchiveLocation> where = ParseArchiveLocation(text, &error);
        QCOMPARE(where.has_value(), !target.isEmpty());
        if (where) {
            QCOMPARE(where->target, target);
        } else {
            // Worded with the variable's name (tst_archivewords).
            QCOMPARE(error.code, ArchiveErrorCode::UnknownLocation);
            QCOMPARE(error.detail, text);
        }
        qputenv(ArchiveEnvironment, text.toLocal8Bit());
        const ArchiveLocation chosen = ChosenArchiveLocationIn(QString(), &error);
        QCOMPARE(chosen.target, target);
        QCOMPARE(!error.Failed(), !target.isEmpty());
        qunsetenv(ArchiveEnvironment);
        QVERIFY(ChosenArchiveLocationIn(QString(), &error).target.endsWith("/archive.sqlite"));
        QVERIFY(!error.Failed());
    }

    void createdOnFirstUseForItsOwnerOnly()
    {
        const QString path = fx->Dir() + "/new/folder/archive.sqlite";
        qputenv(ArchiveEnvironment, "sqlite:" + path.toLocal8Bit());
        ArchiveError error;
        QVERIFY(ArchiveFixture::OpenChosen(QString(), &error));
        QVERIFY2(!error.Failed(), qPrintable(Said(error)));
        QCOMPARE(QFileInfo(path).permissions() &
                     (QFile::ReadGroup | QFile::WriteGroup | QFile::ReadOther | QFile::WriteOther),
                 QFile::Permissions());
        QVERIFY(QFileInfo(path).permissions() & QFile::WriteOwner);
    }

    // An archive made by an older program: the test makes it with the steps
    // up to that version and a record in it; opening upgrades it and keeps
    // the record.
    void upgradedFromOlderVersions_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("empty database") << 0;
        for (int v = 1; v <= ArchiveSchemaVersion; ++v)
            QTest::newRow(qPrintable(QStringLiteral("version %1").arg(v))) << v;
    }
    void upgradedFromOlderVersions()
    {
        QFETCH(int, version);
        {
            SqlConnection older(QStringLiteral("QSQLITE"));
            QSqlDatabase db = older.Db();
            db.setDatabaseName(fx->Path());
            QVERIFY(db.open());
            ArchiveError failed;
            QVERIFY2(UpgradeArchiveSchema(db, ArchiveLocation::Driver::Sqlite, version, &failed),
                     qPrintable(Said(failed)));
            QCOMPARE(ArchiveSchemaVersionOf(db, &failed), std::optional<int>(version));
            QString error;
            if (version >= 1) {
                QSqlQuery query(db);
                QVERIFY(RunSql(query,
                               "INSERT INTO testers (id, serial_number, software_version,"
                               " last_calibration, device_heading, serial_line, software_line,"
                               " calibration_line, records, last_download)"
                               " VALUES (1, 'OLD', '', '', '', '', '', '', 1, 0)",
                               {}, &error));
                QVERIFY(RunSql(query,
                               "INSERT INTO records (tester_id, test_no_text, date_text,"
                               " time_text, reading_text, result_text, sampling_text, test_no,"
                               " date_key, reading_ok, unit, archived_at)"
                               " VALUES (1, '00001', 'd', 't', 'r', 'PASS', '-', 1, 0, 0, '', 0)",
                               {}, &error));
                // The program of that version counts its records in the
                // chart's tally as it archives them.
                if (version >= 7)
                    QVERIFY(RunSql(query,
                                   "INSERT INTO chart_days (date_key, unit, drawn, result_text,"
                                   " tests) VALUES (0, '', 0, 'PASS', 1)",
                                   {}, &error));
            }
        }
        ArchiveError error;
        auto store = fx->Open(&error);
        QVERIFY2(store, qPrintable(Said(error)));
        QCOMPARE(store->Count({}, &error), std::optional<qint64>(version >= 1 ? 1 : 0));
        QVERIFY(store->Add(ArchiveFixture::Tester("NEW"), ArchiveFixture::Records(0, 3), &error));
        QCOMPARE(store->Count({}, &error), std::optional<qint64>(version >= 1 ? 4 : 3));
        store.reset();
        SqlConnection check(QStringLiteral("QSQLITE"));
        QSqlDatabase db = check.Db();
        db.setDatabaseName(fx->Path());
        QVERIFY(db.open());
        QCOMPARE(ArchiveSchemaVersionOf(db, &error), std::optional<int>(ArchiveSchemaVersion));
        QVERIFY(db.tables().contains("records"));
    }

    // The same tester again adds only what is new; the key is the tester,
    // test number, date and time.
    void recordsAreKeptOnce_data()
    {
        QTest::addColumn<QString>("serial");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("count");
        QTest::addColumn<qint64>("added");
        QTest::addColumn<qint64>("already");
        QTest::newRow("same download") << "KT1" << 0 << 200 << 0ll << 200ll;
        QTest::newRow("overlapping") << "KT1" << 150 << 100 << 50ll << 50ll;
        QTest::newRow("another tester") << "KT2" << 0 << 200 << 200ll << 0ll;
        QTest::newRow("nothing") << "KT1" << 0 << 0 << 0ll << 0ll;
    }
    void recordsAreKeptOnce()
    {
        QFETCH(QString, serial);
        QFETCH(int, first);
        QFETCH(int, count);
        QFETCH(qint64, added);
        QFETCH(qint64, already);
        ArchiveError error;
        auto store = fx->Open(&error);
        QVERIFY2(store, qPrintable(Said(error)));
        auto counts =
            store->Add(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, 200), &error);
        QVERIFY2(counts, qPrintable(Said(error)));
        QCOMPARE(counts->added, 200);
        counts = store->Add(ArchiveFixture::Tester(serial, "2012-01-01"),
                            ArchiveFixture::Records(first, count), &error);
        QVERIFY2(counts, qPrintable(Said(error)));
        QCOMPARE(counts->added, added);
        QCOMPARE(counts->already, already);
        QCOMPARE(store->Count({}, &error), std::optional<qint64>(200 + added));
        const auto testers = store->Testers(&error);
        QVERIFY(testers);
        qint64 total = 0;
        for (const ArchiveTester &t : *testers) {
            total += t.records;
            QCOMPARE(t.softwareVersion, QStringLiteral("V2.13"));
            QCOMPARE(t.firstDateKey, 20100101L);
            QCOMPARE(t.deviceInfo.size(), 4);
            QVERIFY(t.lastDownload.isValid());
        }
        QCOMPARE(total, 200 + added);
        QCOMPARE(testers->first().serialNumber, QStringLiteral("KT1"));
        // The newest lines of a tester win when its records are as recent.
        QCOMPARE(testers->first().lastCalibration, serial == "KT1" && count > 0
                                                       ? QStringLiteral("2012-01-01")
                                                       : QStringLiteral("2011-03-15"));
    }

    // The chart's tally after archivings of new records, records already
    // there, several testers and readings or dates that read as nothing
    // holds what counting the archived records gives.
    void tallyAsTheRecordsGive_data()
    {
        QTest::addColumn<QList<int>>("steps"); // tester (0 for the odd records), first, count
        QTest::newRow("one download") << QList<int>{1, 0, 300};
        QTest::newRow("overlapping") << QList<int>{1, 0, 300, 1, 200, 300};
        QTest::newRow("two testers") << QList<int>{1, 0, 100, 2, 0, 100, 1, 50, 100};
        QTest::newRow("odd texts, twice") << QList<int>{0, 0, 0, 0, 0, 0, 1, 0, 20};
        QTest::newRow("nothing new") << QList<int>{1, 0, 40, 1, 0, 40};
    }
    void tallyAsTheRecordsGive()
    {
        QFETCH(QList<int>, steps);
        ArchiveError error;
        auto store = fx->Open(&error);
        QVERIFY(store);
        for (int at = 0; at + 2 < steps.size(); at += 3) {
            const GridRows rows = steps[at] == 0
                                      ? EdgeRecords()
                                      : ArchiveFixture::Records(steps[at + 1], steps[at + 2]);
            QVERIFY2(store->Add(ArchiveFixture::Tester(QStringLiteral("KT%1").arg(steps[at])), rows,
                                &error),
                     qPrintable(Said(error)));
        }
        store.reset();
        SqlConnection check(QStringLiteral("QSQLITE"));
        check.Db().setDatabaseName(fx->Path());
        QVERIFY(check.Db().open());
        const auto rows = [&](const QString &sql) {
            QSqlQuery query(check.Db());
            QString reason;
            QStringList found;
            if (!RunSql(query, sql, {}, &reason))
                found << reason;
            while (query.next())
                found << QStringList{query.value(0).toString(), query.value(1).toString(),
                                     query.value(2).toString(), query.value(3).toString(),
                                     query.value(4).toString()}
                             .join('|');
            return found;
        };
        const QStringList tally =
            rows("SELECT date_key, unit, drawn, result_text, tests FROM chart_days"
                 " ORDER BY 1, 2, 3, 4");
        QVERIFY(!tally.isEmpty());
        QCOMPARE(tally, rows("SELECT date_key, unit, CASE WHEN reading_ok = 1 AND reading IS NOT"
                             " NULL THEN 1 ELSE 0 END, result_text, COUNT(*) FROM records"
                             " GROUP BY 1, 2, 3, 4 ORDER BY 1, 2, 3, 4"));
    }

    // Records taken out write the same data-file and export lines as the
    // records that went in.
    void takenOutAsTheyCameIn()
    {
        ArchiveError error;
        auto store = fx->Open(&error);
        QVERIFY(store);
        GridRows rows = ArchiveFixture::Records(0, 50) + EdgeRecords();
        rows.append({"00077", "07 - Jul - 2011", "07:07.07", "0.07\r %BAC", "PASS", "Manual\r"});
        rows.append({" 0078 ", " 08 - Aug - 2011", "  ", "\xe9\xb5 \xfc", "", ""});
        const QStringList tester = ArchiveFixture::Tester(" KT 9 \r");
        QVERIFY2(store->Add(tester, rows, &error), qPrintable(Said(error)));
        const auto page = store->Page({}, {}, 0, rows.size() + 1, &error);
        QVERIFY2(page, qPrintable(Said(error)));
        // Sorted by test number, records of one number in archive order: back
        // in archive order again by their position among rows.
        GridRows out = CellsOf(*page);
        QCOMPARE(Sorted(out), Sorted(rows));
        const auto testers = store->Testers(&error);
        QCOMPARE(testers->size(), 1);
        QCOMPARE(testers->first().serialNumber, QStringLiteral("KT 9"));
        QCOMPARE(testers->first().deviceInfo, tester);
        for (QChar separator : {QChar(','), QChar('\t')})
            QCOMPARE(BuildRecordFileLines(testers->first().deviceInfo, Sorted(out), separator),
                     BuildRecordFileLines(tester, Sorted(rows), separator));
    }

    // The archive keeps exactly the records the search dialog keeps.
    void filtersAsTheSearchDialog_data()
    {
        for (const char *column : {"testNo", "dates", "reading", "result"})
            QTest::addColumn<QString>(column);
        QTest::newRow("nothing switched on") << ""
                                             << ""
                                             << ""
                                             << "";
        QTest::newRow("test numbers") << "1|42"
                                      << ""
                                      << ""
                                      << "";
        QTest::newRow("test numbers reversed") << "99999|2"
                                               << ""
                                               << ""
                                               << "";
        QTest::newRow("test numbers from 0") << "0|10"
                                             << ""
                                             << ""
                                             << "";
        QTest::newRow("dates") << ""
                               << "2010-01-01|2010-01-05"
                               << ""
                               << "";
        QTest::newRow("dates reversed") << ""
                                        << "2010-12-31|2009-12-31"
                                        << ""
                                        << "";
        QTest::newRow("%BAC default") << ""
                                      << ""
                                      << "%BAC|0.000|0.400"
                                      << "";
        QTest::newRow("%BAC reversed") << ""
                                       << ""
                                       << "%BAC|0.400|0.000"
                                       << "";
        QTest::newRow("o/oo") << ""
                              << ""
                              << "o/oo |0.000|5.000"
                              << "";
        QTest::newRow("mg/L") << ""
                              << ""
                              << "mg/L|0.2|0.2"
                              << "";
        QTest::newRow("no bounds") << ""
                                   << ""
                                   << "%BAC|nan|nan"
                                   << "";
        QTest::newRow("up to infinity") << ""
                                        << ""
                                        << "%BAC|0|inf"
                                        << "";
        QTest::newRow("unit with no value") << ""
                                            << ""
                                            << "|0|1"
                                            << "";
        QTest::newRow("ug/100mL") << ""
                                  << ""
                                  << "ug/100mL|0|250"
                                  << "";
        QTest::newRow("PASS") << ""
                              << ""
                              << ""
                              << "PASS";
        QTest::newRow("FAIL") << ""
                              << ""
                              << ""
                              << "FAIL";
        QTest::newRow("all four") << "1|99999"
                                  << "2009-01-01|2010-12-31"
                                  << "%BAC|0|1"
                                  << "FAIL";
    }
    void filtersAsTheSearchDialog()
    {
        QFETCH(QString, testNo);
        QFETCH(QString, dates);
        QFETCH(QString, reading);
        QFETCH(QString, result);
        ArchiveError error;
        auto store = fx->Open(&error);
        QVERIFY(store);
        const GridRows rows = EdgeRecords() + ArchiveFixture::Records(0, 300);
        QVERIFY2(store->Add(ArchiveFixture::Tester("KT1"), rows, &error), qPrintable(Said(error)));
        QVERIFY(store->Add(ArchiveFixture::Tester("KT2"), ArchiveFixture::Records(0, 10), &error));
        const auto testers = store->Testers(&error);
        ArchiveQuery query;
        query.testerId = testers->first().id;
        query.criteria = Criteria(testNo, dates, reading, result);
        GridRows expected;
        const SearchStatus status =
            FilterRecords(GridRows{PlainHeadings()} + rows, query.criteria, &expected);
        const auto count = store->Count(query, &error);
        const auto page = store->Page(query, {3, false}, 0, 100000, &error);
        if (status == SearchStatus::TestNoRangeIncorrect) {
            QVERIFY(!count && !page);
            QCOMPARE(error.code, ArchiveErrorCode::SettingsIncorrect);
            return;
        }
        QVERIFY2(page, qPrintable(Said(error)));
        QCOMPARE(*count, qint64(expected.size()));
        QCOMPARE(Sorted(CellsOf(*page)), Sorted(expected));
    }

    // Pages follow one another in the sort order, numbers as numbers.
    void pagesInSortOrder_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("ascending");
        for (int column = 0; column < RecordColumns; ++column)
            for (bool ascending : {true, false})
                QTest::addRow("column %d %s", column, ascending ? "up" : "down")
                    << column << ascending;
    }
    void pagesInSortOrder()
    {
        QFETCH(int, column);
        QFETCH(bool, ascending);
        ArchiveError error;
        auto store = fx->Open(&error);
        const GridRows rows = ArchiveFixture::Records(0, 700);
        QVERIFY2(store->Add(ArchiveFixture::Tester("KT1"), rows, &error), qPrintable(Said(error)));
        GridRows paged;
        for (qint64 offset = 0; offset < 800; offset += 64)
            paged += CellsOf(*store->Page({}, {column, ascending}, offset, 64, &error));
        QCOMPARE(paged.size(), rows.size());
        QCOMPARE(Sorted(paged), Sorted(rows));
        const auto key = [column](const GridRow &row) -> QVariant {
            if (column == 0)
                return qint64(TextToLong(row[0]));
            if (column == 1)
                return qint64(DateKey(row[1]));
            return row[column];
        };
        for (int i = 1; i < paged.size(); ++i) {
            const QVariant a = key(paged[i - 1]);
            const QVariant b = key(paged[i]);
            const int order = QVariant::compare(a, b) == QPartialOrdering::Less      ? -1
                              : QVariant::compare(a, b) == QPartialOrdering::Greater ? 1
                                                                                     : 0;
            QVERIFY2(ascending ? order <= 0 : order >= 0, qPrintable(paged[i].join('|')));
        }
    }

    void readingsForTheChart()
    {
        ArchiveError error;
        auto store = fx->Open(&error);
        const GridRows rows = ArchiveFixture::Records(0, 100) + EdgeRecords();
        QVERIFY2(store->Add(ArchiveFixture::Tester("KT1"), rows, &error), qPrintable(Said(error)));
        const auto points = store->Readings({}, "%BAC", &error);
        QVERIFY2(points, qPrintable(Said(error)));
        GridRows expected;
        SearchCriteria all = Criteria("", "", "%BAC|-inf|inf", "");
        FilterRecords(GridRows{PlainHeadings()} + rows, all, &expected);
        int usable = 0;
        for (const GridRow &row : expected)
            usable += std::isnan(ReadingValue(row[3])) ? 0 : 1;
        QCOMPARE(points->size(), usable);
        for (int i = 1; i < points->size(); ++i)
            QVERIFY((*points)[i - 1].dateKey <= (*points)[i].dateKey);
        const ChartPoint &p = points->first();
        QVERIFY(p.fail == (p.testNo % 4 == 1) || p.dateKey < 20100101);
    }

    // Data files come in one transaction each; a refused one among good ones
    // is named with its reason and the others are archived.
    void importsDataFiles()
    {
        ArchiveError error;
        auto store = fx->Open(&error);
        QStringList paths;
        for (int i = 0; i < 3; ++i) {
            paths << fx->Dir() + QStringLiteral("/good%1.DAT").arg(i);
            ArchiveFixture::Write(paths.last(),
                                  BuildRecordFileLines(ArchiveFixture::Tester("KT1"),
                                                       GridRows{PlainHeadings()} +
                                                           ArchiveFixture::Records(i * 10, 20),
                                                       ',')
                                          .join("\r\n")
                                          .toLatin1() +
                                      "\r\n");
        }
        paths.insert(1, fx->Dir() + "/other.DAT");
        ArchiveFixture::Write(paths[1], "kestrune\r\nnot ours\r\n");
        paths.insert(2, fx->Dir() + "/missing.DAT");
        QList<int> told;
        const ImportSummary summary =
            ImportDataFiles(*store, paths, [&](int file, int files, qint64) {
                told << file;
                return files == 5;
            });
        QCOMPARE(summary.filesRead, 3);
        QCOMPARE(summary.added, 40);
        QCOMPARE(summary.already, 20);
        QCOMPARE(summary.refused.size(), 2);
        QCOMPARE(summary.refused[0].path, paths[1]);
        QCOMPARE(summary.refused[0].why.code, ArchiveErrorCode::DataFileMismatch);
        QCOMPARE(summary.refused[1].path, paths[2]);
        QVERIFY(!summary.cancelled);
        QCOMPARE(told.first(), 0);
        QCOMPARE(told.last(), 4);
        // Its text: tst_archivewords.
    }

    // Cancel in the middle of a file: that file leaves nothing, the ones
    // before stay.
    void cancelledImportKeepsWholeFiles()
    {
        ArchiveError error;
        auto store = fx->Open(&error);
        const QString small = fx->Dir() + "/small.DAT";
        const QString large = fx->Dir() + "/large.DAT";
        for (const auto &[path, count] : {std::pair{small, 10}, std::pair{large, 20000}})
            ArchiveFixture::Write(path, BuildRecordFileLines(ArchiveFixture::Tester("KT1"),
                                                             GridRows{PlainHeadings()} +
                                                                 ArchiveFixture::Records(0, count),
                                                             ',')
                                            .join("\r\n")
                                            .toLatin1());
        const ImportSummary summary =
            ImportDataFiles(*store, {small, large}, [](int file, int, qint64 records) {
                return file == 0 || records < 8000;
            });
        QVERIFY(summary.cancelled);
        QCOMPARE(summary.filesRead, 1);
        QCOMPARE(store->Count({}, &error), std::optional<qint64>(10));
    }
};

QTEST_GUILESS_MAIN(TestArchiveStore)
#include "tst_archivestore.moc"
