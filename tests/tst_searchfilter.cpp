// Picking records out by test number, date, reading and test result.

#include "records/searchfilter.h"
#include "records/sortrows.h"

#include <QtTest>

#include <cmath>

Q_DECLARE_METATYPE(SearchCriteria)

namespace {

GridRow Record(const char *testNo, const char *date, const char *reading, const char *result)
{
    return {testNo, date, "08:00.00", reading, result, "Manual"};
}

GridRows Grid()
{
    return {PlainHeadings(),
            Record("00001", "01 - Jan - 2010", "0.000 %BAC", "PASS"),
            Record("00002", "05 - Jan - 2010", "0.400 %BAC", "FAIL"),
            Record("00003", "31 - Dec - 2009", "0.401 %BAC", "PASS"),
            Record("00004", "15 - Feb - 2010", "0.200 mg/L", "PASS"),
            Record("00005", "02 - Jan - 2010", "6.000 o/oo ", "FAIL"),
            Record("99999", "28 - Feb - 2010", "0.100 ", "PASS"),
            Record("00007", "10 - Jan - 2010", "-0.10 %BAC", "PASS"),
            Record("00008", "06 - Jan - 2010", "0.250 o/oo ", "-"),
            Record("100000", "01 - Jan - 2010", "0.100 %BAC", "PASS"),
            Record("00010", "03 - Jan - 2010", " .300 %BAC", "PASS"),
            GridRow(RecordColumns)};
}

SearchCriteria TestNo(const char *from, const char *to)
{
    SearchCriteria c;
    c.byTestNo = true;
    c.testNoFrom = from;
    c.testNoTo = to;
    return c;
}

SearchCriteria Dates(const char *from, const char *to)
{
    SearchCriteria c;
    c.byDate = true;
    c.dateFrom = from;
    c.dateTo = to;
    return c;
}

SearchCriteria Reading(const char *unit, const char *from, const char *to)
{
    SearchCriteria c;
    c.byReading = true;
    c.unit = unit;
    c.readingFrom = from;
    c.readingTo = to;
    return c;
}

SearchCriteria Result(const char *result)
{
    SearchCriteria c;
    c.byResult = true;
    c.result = result;
    return c;
}

} // namespace

class TestSearchFilter : public QObject
{
    Q_OBJECT

private slots:
    void filter_data()
    {
        QTest::addColumn<SearchCriteria>("criteria");
        QTest::addColumn<bool>("correct");
        QTest::addColumn<QStringList>("kept");

        const QStringList all{"00001", "00002", "00003",  "00004", "00005", "99999",
                              "00007", "00008", "100000", "00010", ""};
        QTest::newRow("no criterion") << SearchCriteria() << true << all;
        QTest::newRow("test numbers reversed")
            << TestNo("5", "3") << true << QStringList{"00003", "00004", "00005"};
        QTest::newRow("test numbers 1 to 99999")
            << TestNo("1", "99999") << true
            << QStringList{"00001", "00002", "00003", "00004", "00005",
                           "99999", "00007", "00008", "00010"};
        QTest::newRow("test number with blanks and a tail")
            << TestNo(" 7", "7x") << true << QStringList{"00007"};
        QTest::newRow("test number 0") << TestNo("0", "10") << false << QStringList();
        QTest::newRow("test number above 99999") << TestNo("1", "100000") << false << QStringList();
        QTest::newRow("test numbers empty") << TestNo("", "") << false << QStringList();
        QTest::newRow("test number not numeric") << TestNo("abc", "5") << false << QStringList();
        QTest::newRow("test number negative") << TestNo("-3", "5") << false << QStringList();

        QTest::newRow("dates reversed")
            << Dates("2010-01-05", "2009-12-31") << true
            << QStringList{"00001", "00002", "00003", "00005", "100000", "00010"};
        QTest::newRow("one day") << Dates("2010-01-01", "2010-01-01") << true
                                 << QStringList{"00001", "100000"};
        QTest::newRow("dates across years")
            << Dates("2009-12-31", "2010-02-28") << true
            << QStringList{"00001", "00002", "00003", "00004",  "00005",
                           "99999", "00007", "00008", "100000", "00010"};

        QTest::newRow("%BAC by the switch") << Reading("%BAC", "0.000", "0.400") << true
                                            << QStringList{"00001", "00002", "100000", "00010"};
        QTest::newRow("mg/L") << Reading("mg/L", "0.000", "2.500") << true << QStringList{"00004"};
        QTest::newRow("first digit 6 never kept")
            << Reading("o/oo ", "0", "9.999") << true << QStringList{"00008"};
        QTest::newRow("unit without its trailing blank")
            << Reading("o/oo", "0", "9.999") << true << QStringList();
        QTest::newRow("reading range reversed")
            << Reading("%BAC", "0.400", "0.000") << true << QStringList();
        QTest::newRow("reading bound not numeric")
            << Reading("%BAC", "x", "0.1") << true << QStringList{"00001", "100000"};

        QTest::newRow("FAIL") << Result("FAIL") << true << QStringList{"00002", "00005"};
        QTest::newRow("dash") << Result("-") << true << QStringList{"00008"};

        SearchCriteria all4 = TestNo("1", "5");
        all4.byResult = true;
        all4.result = "PASS";
        all4.byReading = true;
        all4.unit = "%BAC";
        all4.readingFrom = "0.000";
        all4.readingTo = "0.400";
        all4.byDate = true;
        all4.dateFrom = "2009-01-01";
        all4.dateTo = "2010-12-31";
        QTest::newRow("all four") << all4 << true << QStringList{"00001"};
    }

    void filter()
    {
        QFETCH(SearchCriteria, criteria);
        QFETCH(bool, correct);
        QFETCH(QStringList, kept);
        const GridRows grid = Grid();
        GridRows matches{GridRow(RecordColumns)};
        const SearchStatus status = FilterRecords(grid, criteria, &matches);
        QCOMPARE(status == SearchStatus::Ok, correct);
        QStringList numbers;
        for (const GridRow &row : matches) {
            numbers << row[0];
            // Whole rows are copied.
            QVERIFY(grid.contains(row));
        }
        QCOMPARE(numbers, kept);
    }

    void headingsOnly()
    {
        GridRows matches;
        QCOMPARE(FilterRecords({PlainHeadings()}, SearchCriteria(), &matches), SearchStatus::Ok);
        QVERIFY(matches.isEmpty());
    }

    void textToFloat_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("value");
        QTest::newRow("plain") << "0.400" << 0.4f;
        QTest::newRow("blanks and sign") << " \t+1.5" << 1.5f;
        QTest::newRow("negative") << "-0.25" << -0.25f;
        QTest::newRow("no leading digit") << ".5" << 0.5f;
        QTest::newRow("exponent") << "25e-2" << 0.25f;
        QTest::newRow("digits then text") << "0.1%BAC" << 0.1f;
        QTest::newRow("comma ends the number") << "1,5" << 1.0f;
        QTest::newRow("sign then blank") << "- 5" << 0.0f;
        QTest::newRow("nothing numeric") << "abc" << 0.0f;
        QTest::newRow("empty") << "" << 0.0f;
        QTest::newRow("dangling exponent") << "2e" << 2.0f;
        QTest::newRow("too small") << "1e-999" << 0.0f;
    }

    void textToFloat()
    {
        QFETCH(QString, text);
        QFETCH(float, value);
        QCOMPARE(TextToFloat(text), value);
    }

    void textToFloatBeyondFloat()
    {
        QVERIFY(std::isinf(TextToFloat(u"1e999")));
        QVERIFY(std::isinf(TextToFloat(u"1e300")));
    }
};

QTEST_GUILESS_MAIN(TestSearchFilter)
#include "tst_searchfilter.moc"
