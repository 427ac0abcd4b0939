// The chart's readings as each driver reads them from the archive: every
// time text read as the record's time of day (or as none), the reading, the
// test number and FAIL as stored; a selection with nothing in it, a unit
// that no record has (with characters SQL and C strings treat apart), and a
// read stopped when asked. SQLite and PostgreSQL are read through their own
// libraries, ODBC through Qt.

#include "archivefixture.h"
#include "searchcriteria.h"
#include "serverfixture.h"

#include "archive/store/chartinput.h"

#include <QtTest>

#include <map>

namespace {

// A fresh archive named after the test and row, opened through driver.
std::unique_ptr<ArchiveStore> FreshStore(ServerDriver driver)
{
    QString database;
    return FreshStore(driver, &database);
}

// Time texts as testers and files bring them, with the second of the day
// each stands for; -1 where it names no time.
const struct
{
    const char *time;
    int second;
} Times[] = {{"07:05", 25500},
             {"7:06", 25560},
             {"18:30:15", 66615},
             {"18:31.15", 66675},
             {" 09:15 ", 33300},
             {"12:00\u00a0", 43200}, // a no-break space after it
             {"25:00", -1},
             {"", -1},
             {"12:3\u00e9", -1},
             {"\uff11\uff12:00", -1}, // digits of full width
             {"12:00 and a long remark after the time", -1},
             {"nine o'clock", -1}};

ChartInput ChartOf(ArchiveStore &store, const ArchiveQuery &query, const QString &unit,
                   ArchiveError *error, const std::function<bool()> &keepGoing = {})
{
    const std::optional<ChartInput> input = store.Chart(
        query, [&unit](const QVector<ChartUnitCount> &) { return unit; }, error, keepGoing);
    return input.value_or(ChartInput{QStringLiteral("(failed)"), {}, {}});
}

void Drivers()
{
    QTest::addColumn<ServerDriver>("driver");
    QTest::newRow("sqlite") << ServerDriver::Sqlite;
    QTest::newRow("postgresql") << ServerDriver::Postgres;
    QTest::newRow("odbc") << ServerDriver::Odbc;
}

} // namespace
Q_DECLARE_METATYPE(SearchCriteria)

class TestChartRead : public QObject
{
    Q_OBJECT

private slots:
    void init() { REQUIRE_TEST_SERVER(); }

    void timesAndValues_data() { Drivers(); }
    void timesAndValues()
    {
        QFETCH(ServerDriver, driver);
        auto store = FreshStore(driver);
        QVERIFY(store);
        GridRows rows;
        for (int i = 0; i < int(std::size(Times)); ++i)
            rows.append({QStringLiteral("%1").arg(i + 1, 5, 10, QLatin1Char('0')),
                         QStringLiteral("%1 - Mar - 2010").arg(1 + i % 3, 2, 10, QLatin1Char('0')),
                         QString::fromUtf8(Times[i].time),
                         QStringLiteral("0.%1 %BAC").arg(i + 10, 3, 10, QLatin1Char('0')),
                         i % 2 ? QStringLiteral("FAIL") : QStringLiteral("PASS"), "-"});
        ArchiveError error;
        QVERIFY2(store->Add(ArchiveFixture::Tester("SN-T"), rows, &error), qPrintable(Said(error)));
        const ChartInput input = ChartOf(*store, {}, QStringLiteral("%BAC"), &error);
        QCOMPARE(input.unit, QStringLiteral("%BAC"));
        QCOMPARE(input.readings.size(), qsizetype(std::size(Times)));
        std::map<qint32, ChartReading> byTestNo;
        for (const ChartReading &r : input.readings)
            byTestNo[r.testNo] = r;
        for (int i = 0; i < int(std::size(Times)); ++i) {
            QVERIFY2(byTestNo.count(i + 1), Times[i].time);
            const ChartReading &r = byTestNo[i + 1];
            QVERIFY2(r.timed == (Times[i].second >= 0), Times[i].time);
            QCOMPARE(int(r.second), std::max(Times[i].second, 0));
            QCOMPARE(r.day, qint32(QDate(2010, 3, 1 + i % 3).toJulianDay()));
            QCOMPARE(r.reading, float((i + 10) / 1000.0));
            QCOMPARE(bool(r.fail), i % 2 == 1);
        }
    }

    void selections_data()
    {
        QTest::addColumn<ServerDriver>("driver");
        QTest::addColumn<QString>("unit");
        QTest::addColumn<SearchCriteria>("criteria");
        QTest::addColumn<int>("readings");
        QTest::addColumn<int>("days");
        const SearchCriteria none;
        const SearchCriteria empty = Criteria("", "2030-01-01|2030-12-31", "", "");
        const SearchCriteria pass = Criteria("", "2010-01-01|2010-01-28", "", "PASS");
        for (const auto &[name, driver] : {std::pair("sqlite", ServerDriver::Sqlite),
                                           std::pair("postgresql", ServerDriver::Postgres),
                                           std::pair("odbc", ServerDriver::Odbc)}) {
            const QByteArray tag(name);
            QTest::newRow(tag + ", all") << driver << "%BAC" << none << 40 << 60;
            QTest::newRow(tag + ", PASS of 28 days") << driver << "%BAC" << pass << 14 << 21;
            QTest::newRow(tag + ", no record") << driver << "%BAC" << empty << 0 << 0;
            QTest::newRow(tag + ", a unit with a NUL")
                << driver << QStringLiteral("%BAC").append(QChar(0)).append(u'x') << none << 0
                << 60;
            QTest::newRow(tag + ", a unit with quotes")
                << driver << "%BAC' OR ''='" << none << 0 << 60;
            QTest::newRow(tag + ", a unit with a question mark")
                << driver << "?" << none << 0 << 60;
        }
    }
    void selections()
    {
        QFETCH(ServerDriver, driver);
        QFETCH(QString, unit);
        QFETCH(SearchCriteria, criteria);
        QFETCH(int, readings);
        QFETCH(int, days);
        auto store = FreshStore(driver);
        QVERIFY(store);
        ArchiveError error;
        QVERIFY(store->Add(ArchiveFixture::Tester("SN-S"), ArchiveFixture::Records(0, 60), &error));
        const ChartInput input = ChartOf(*store, {std::nullopt, criteria}, unit, &error);
        QCOMPARE(input.unit, unit);
        QCOMPARE(input.readings.size(), qsizetype(readings));
        QCOMPARE(input.days.size(), qsizetype(days));
    }

    // Asked every 4096 rows, the read stops at the first no, the rows read
    // so far dropped.
    void stopsWhenAsked_data()
    {
        QTest::addColumn<ServerDriver>("driver");
        QTest::newRow("sqlite") << ServerDriver::Sqlite;
        QTest::newRow("postgresql") << ServerDriver::Postgres;
    }
    void stopsWhenAsked()
    {
        QFETCH(ServerDriver, driver);
        auto store = FreshStore(driver);
        QVERIFY(store);
        GridRows many = ArchiveFixture::Records(0, 9000);
        for (GridRow &row : many)
            row[3] = QStringLiteral("0.020 %BAC");
        ArchiveError error;
        QVERIFY(store->Add(ArchiveFixture::Tester("SN-C"), many, &error));
        for (const int answers : {1, 2, 3}) {
            int asked = 0;
            const ChartInput input = ChartOf(*store, {}, QStringLiteral("%BAC"), &error,
                                             [&] { return ++asked < answers; });
            // Two questions come with 9000 rows: a third yes lets it finish.
            QCOMPARE(asked, std::min(answers, 2));
            QCOMPARE(input.readings.size(), answers > 2 ? qsizetype(9000) : qsizetype(0));
            QCOMPARE(error.code,
                     answers > 2 ? ArchiveErrorCode::None : ArchiveErrorCode::Cancelled);
            error = ArchiveError();
        }
    }
};

QTEST_MAIN(TestChartRead)
#include "tst_chartread.moc"
