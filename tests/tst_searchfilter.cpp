// Picking records out by test number, date, reading and test result.

#include "searchcriteria.h"

#include "records/data/recordvalues.h"
#include "records/data/searchfilter.h"
#include "records/data/sortrows.h"

#include <QtTest>

namespace {

GridRow Record(const char *testNo, const char *date, const char *reading, const char *result)
{
    return {testNo, date, "08:00.00", reading, result, "Manual"};
}

const GridRows Grid{PlainHeadings(),
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

} // namespace

class TestSearchFilter : public QObject
{
    Q_OBJECT

private slots:
    void filter_data()
    {
        for (const char *column : {"testNo", "dates", "reading", "result"})
            QTest::addColumn<QString>(column);
        QTest::addColumn<QString>("kept"); // test numbers; "!" = settings incorrect
        const char *const all = "00001 00002 00003 00004 00005 99999 00007 00008 100000 00010 ";
        const char *const rows[][6] = {
            {"no criterion", "", "", "", "", all},
            {"numbers reversed", "5|3", "", "", "", "00003 00004 00005"},
            {"numbers 1 to 99999", "1|99999", "", "", "",
             "00001 00002 00003 00004 00005 99999 00007 00008 00010"},
            {"number with blanks and a tail", " 7|7x", "", "", "", "00007"},
            {"number 0", "0|10", "", "", "", "!"},
            {"number above 99999", "1|100000", "", "", "", "!"},
            {"numbers empty", "|", "", "", "", "!"},
            {"number not numeric", "abc|5", "", "", "", "!"},
            {"dates reversed", "", "2010-01-05|2009-12-31", "", "",
             "00001 00002 00003 00005 100000 00010"},
            {"one day", "", "2010-01-01|2010-01-01", "", "", "00001 100000"},
            {"%BAC by the switch", "", "", "%BAC|0.000|0.400", "", "00001 00002 100000 00010"},
            {"mg/L", "", "", "mg/L|0.000|2.500", "", "00004"},
            {"first digit 6", "", "", "o/oo |0|9.999", "", "00008"},
            {"unit without its blank", "", "", "o/oo|0|9.999", "", ""},
            {"reading reversed", "", "", "%BAC|0.400|0.000", "", ""},
            {"reading bound not numeric", "", "", "%BAC|x|0.1", "", "00001 100000"},
            {"FAIL", "", "", "", "FAIL", "00002 00005"},
            {"all four", "1|5", "2009-01-01|2010-12-31", "%BAC|0.000|0.400", "PASS", "00001"},
        };
        for (const auto &row : rows)
            QTest::newRow(row[0]) << row[1] << row[2] << row[3] << row[4] << row[5];
    }

    void filter()
    {
        QFETCH(QString, testNo);
        QFETCH(QString, dates);
        QFETCH(QString, reading);
        QFETCH(QString, result);
        QFETCH(QString, kept);
        GridRows matches{GridRow(RecordColumns)};
        const SearchStatus status =
            FilterRecords(Grid, Criteria(testNo, dates, reading, result), &matches);
        QCOMPARE(status == SearchStatus::TestNoRangeIncorrect, kept == "!");
        QStringList numbers;
        for (const GridRow &row : matches) {
            numbers << row[0];
            QVERIFY(Grid.mid(1).contains(row)); // whole rows, never the headings
        }
        QCOMPARE(numbers.join(' '), kept == "!" ? QString() : kept);
    }

    void textToFloat_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<float>("value");
        QTest::newRow("blanks and sign") << " \t+1.5" << 1.5f;
        // Whatever the locale, the point is the decimal separator.
        QTest::newRow("comma ends the number") << "1,5" << 1.0f;
        QTest::newRow("nothing numeric") << "abc" << 0.0f;
        QTest::newRow("too large") << "1e999" << std::numeric_limits<float>::infinity();
    }

    void textToFloat()
    {
        QFETCH(QString, text);
        QFETCH(float, value);
        QCOMPARE(TextToFloat(text), value);
    }
};

QTEST_GUILESS_MAIN(TestSearchFilter)
#include "tst_searchfilter.moc"
