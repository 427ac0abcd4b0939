// The store's passes over every record of a selection, against the same
// selection picked out in memory as the search picks it: what the chart is
// drawn from (the tests of every day in any unit, the readings in the unit
// chosen from the counts of each unit) and each record's values for a
// report's figures; both stopped when asked.

#include "archivefixture.h"
#include "searchcriteria.h"

#include "archive/report.h"
#include "records/data/recordvalues.h"

#include <QtTest>

#include <cmath>
#include <map>

namespace {

// The fixture's records (a third of them in mg/L), then records of a tester
// that writes "11 / Mar / 2010" and "18:30:15", mostly in mg/L, one with a
// date that is none and one whose reading is no number.
GridRows SiteRecords()
{
    GridRows rows = ArchiveFixture::Records(0, 200);
    GridRows other = ArchiveFixture::Records(500, 60);
    for (int i = 0; i < other.size(); ++i) {
        GridRow &row = other[i];
        row[1].replace(QStringLiteral(" - "), QStringLiteral(" / "));
        row[2].replace(u'.', u':');
        if (i % 5 != 0)
            row[3] = QString::number(0.1 + i / 1000.0, 'f', 3) + QStringLiteral(" mg/L");
    }
    other[7][1] = QStringLiteral("xx / Foo / 2010");
    other[8][3] = QStringLiteral("----- mg/L");
    return rows + other;
}

// What the chart takes from rows, worked out record by record.
struct Expected
{
    QVector<ChartUnitCount> units;
    std::map<long, ChartDayCount> days;
    qint64 readingsIn(const GridRows &rows, const QString &unit) const
    {
        qint64 n = 0;
        for (const GridRow &row : rows)
            n += row[3].endsWith(unit) && ReadingComparable(row[3]) &&
                 !std::isnan(ReadingValue(row[3])) && DayOfDateKey(DateKey(row[1]));
        return n;
    }
};
Expected ExpectedOf(const GridRows &rows)
{
    Expected e;
    std::map<QString, qint64> units;
    for (const GridRow &row : rows) {
        if (ReadingComparable(row[3]) && !std::isnan(ReadingValue(row[3])))
            ++units[ReadingUnit(row[3]).toString()];
        ChartDayCount &day = e.days[DateKey(row[1])];
        day.dateKey = DateKey(row[1]);
        ++day.tests;
        day.fails += row[4] == QLatin1String("FAIL");
    }
    for (const auto &[unit, count] : units)
        e.units.append({unit, count});
    return e;
}

} // namespace
Q_DECLARE_METATYPE(SearchCriteria)

class TestArchiveScan : public QObject
{
    Q_OBJECT

    std::unique_ptr<ArchiveFixture> fx;
    std::unique_ptr<ArchiveStore> store;
    GridRows FRows;

private slots:
    void initTestCase()
    {
        fx = std::make_unique<ArchiveFixture>();
        ArchiveError error;
        store = fx->Open(&error);
        QVERIFY2(store, qPrintable(Said(error)));
        FRows = SiteRecords();
        QVERIFY(store->Add(ArchiveFixture::Tester("KT1"), FRows.mid(0, 200), &error));
        QVERIFY(store->Add(ArchiveFixture::Tester("KT2"), FRows.mid(200), &error));
    }
    void cleanupTestCase()
    {
        store.reset();
        fx.reset();
    }

    void chartOfASelection_data()
    {
        QTest::addColumn<int>("tester"); // 0 all, 1 KT1, 2 KT2
        QTest::addColumn<SearchCriteria>("criteria");
        QTest::addColumn<QString>("picked"); // the operator's unit; empty: none
        QTest::addColumn<QString>("unit");   // the chart's
        const SearchCriteria none;
        QTest::newRow("all testers: %BAC the most") << 0 << none << ""
                                                    << "%BAC";
        QTest::newRow("a tester mostly in mg/L") << 2 << none << ""
                                                 << "mg/L";
        QTest::newRow("the operator's unit") << 2 << none << "%BAC"
                                             << "%BAC";
        QTest::newRow("a unit without readings") << 1 << none << "o/oo "
                                                 << "o/oo ";
        QTest::newRow("the filter's unit first") << 0 << Criteria("", "", "mg/L|0|9", "") << "%BAC"
                                                 << "mg/L";
        QTest::newRow("FAIL, dates across files")
            << 0 << Criteria("", "2010-01-10|2011-12-31", "", "FAIL") << ""
            << "%BAC";
        QTest::newRow("test numbers") << 0 << Criteria("501|540", "", "", "") << ""
                                      << "mg/L";
    }
    void chartOfASelection()
    {
        QFETCH(int, tester);
        QFETCH(SearchCriteria, criteria);
        QFETCH(QString, picked);
        QFETCH(QString, unit);
        ArchiveError error;
        const auto testers = store->Testers(&error);
        QVERIFY(testers);
        ArchiveQuery query{tester == 0 ? std::nullopt
                                       : std::optional<qint64>(testers->at(tester - 1).id),
                           criteria};
        const GridRows mine = tester == 0   ? FRows
                              : tester == 1 ? FRows.mid(0, 200)
                                            : FRows.mid(200);
        GridRows selected;
        FilterRecords(GridRows{PlainHeadings()} + mine, criteria, &selected);
        const Expected expected = ExpectedOf(selected);

        QVector<ChartUnitCount> told;
        const ChartUnitChoice choice{
            criteria.byReading ? std::optional<QString>(criteria.unit) : std::nullopt,
            picked.isEmpty() ? std::nullopt : std::optional<QString>(picked)};
        const std::optional<ChartInput> input = store->Chart(
            query,
            [&](const QVector<ChartUnitCount> &counts) {
                told = counts;
                return ChooseChartUnit(counts, choice);
            },
            &error);
        QVERIFY2(input, qPrintable(Said(error)));
        QCOMPARE(input->unit, unit);

        // Each unit's readings counted.
        std::map<QString, qint64> counted;
        for (const ChartUnitCount &c : told)
            counted[c.unit] += c.readings;
        QCOMPARE(counted.size(), expected.units.size());
        for (const ChartUnitCount &c : expected.units)
            QCOMPARE(counted[c.unit], c.readings);
        // Every test of every day, whatever its unit, its FAILs among them.
        QCOMPARE(qsizetype(input->days.size()), qsizetype(expected.days.size()));
        for (const ChartDayCount &day : input->days) {
            QCOMPARE(day.tests, expected.days.at(day.dateKey).tests);
            QCOMPARE(day.fails, expected.days.at(day.dateKey).fails);
        }
        // The readings in the unit, at their times whatever form they have.
        QCOMPARE(input->readings.size(), expected.readingsIn(selected, unit));
        for (const ChartReading &r : input->readings)
            QVERIFY(r.timed);
    }

    void figuresOfEveryRecord()
    {
        const SearchCriteria fails = Criteria("", "", "", "FAIL");
        GridRows selected;
        FilterRecords(GridRows{PlainHeadings()} + FRows, fails, &selected);
        ReportTally tally;
        ArchiveError error;
        QVERIFY(store->EachRecord(
            {std::nullopt, fails},
            [&tally](long dateKey, QStringView reading, QStringView result) {
                tally.Add(dateKey, reading, result);
                return true;
            },
            &error));
        const ReportFigures got = tally.Figures();
        const ReportFigures want = FiguresOf(selected);
        QCOMPARE(got.tests, want.tests);
        QCOMPARE(got.fail, want.fail);
        QCOMPARE(got.undated, want.undated);
        QCOMPARE(got.units.size(), want.units.size());
        for (int i = 0; i < want.units.size(); ++i) {
            QCOMPARE(got.units[i].unit, want.units[i].unit);
            QCOMPARE(got.units[i].readings, want.units[i].readings);
            QCOMPARE(got.units[i].noNumber, want.units[i].noNumber);
            QCOMPARE(got.units[i].median, want.units[i].median);
        }
        QCOMPARE(got.months.size(), want.months.size());
    }

    void passesStopWhenAsked()
    {
        ArchiveError error;
        // Enough readings in one unit for the chart to ask on the way.
        GridRows many = ArchiveFixture::Records(10000, 9000);
        for (GridRow &row : many)
            row[3] = QStringLiteral("0.020 %BAC");
        QVERIFY(store->Add(ArchiveFixture::Tester("KT3"), many, &error));
        int asked = 0;
        QVERIFY(!store->Chart(
            {}, [](const QVector<ChartUnitCount> &) { return QStringLiteral("%BAC"); }, &error,
            [&asked] { return ++asked < 2; }));
        QCOMPARE(error.code, ArchiveErrorCode::Cancelled);
        QCOMPARE(asked, 2);

        int handed = 0;
        QVERIFY(!store->EachRecord(
            {}, [&handed](long, QStringView, QStringView) { return ++handed < 100; }, &error));
        QCOMPARE(error.code, ArchiveErrorCode::Cancelled);
        QCOMPARE(handed, 100);

        // A test-number range the search refuses is refused here too.
        QVERIFY(!store->Chart(
            {std::nullopt, Criteria("0|5", "", "", "")},
            [](const QVector<ChartUnitCount> &) { return QString(); }, &error));
        QCOMPARE(error.code, ArchiveErrorCode::SettingsIncorrect);
    }
};

QTEST_MAIN(TestArchiveScan)
#include "tst_archivescan.moc"
