#include "records/data/recordvalues.h"
#include "records/data/sortrows.h"

#include <QRandomGenerator>
#include <QScopeGuard>
#include <QtTest>

#include <cstdlib>
#include <utility>

namespace {

GridRow Row(const QString &testNo, const QString &date, const QString &time, const QString &reading,
            const QString &result = "PASS", const QString &sampling = "Manual")
{
    return {testNo, date, time, reading, result, sampling};
}

GridRows WithHeadings(const GridRows &records)
{
    GridRows rows{PlainHeadings()};
    rows += records;
    return rows;
}

QStringList Column(const GridRows &rows, int column)
{
    QStringList cells;
    for (int r = 1; r < rows.size(); ++r)
        cells << rows[r][column];
    return cells;
}

// The results window's selection sort, written out step by step with the
// keys taken straight from the cell texts.
long ReferenceNumber(const QString &text)
{
    const QByteArray bytes = text.toLatin1();
    return std::strtol(bytes.constData(), nullptr, 10);
}

long ReferenceDateKey(const QString &date)
{
    static const char *const months[] = {"000", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    QString text = date.mid(11, 4);
    for (int m = 0; m < 13; ++m) {
        if (date.mid(5, 3) == QLatin1String(months[m])) {
            text += (m < 10 ? "0" : "") + QString::number(m);
            break;
        }
    }
    return ReferenceNumber(text + date.mid(0, 2));
}

bool ReferenceGreater(const QString &a, const QString &b, int column)
{
    if (column == 0) {
        const long x = ReferenceNumber(a);
        const long y = ReferenceNumber(b);
        return x >= 0 && y >= 0 && x > y;
    }
    if (column == 1) {
        const long x = ReferenceDateKey(a);
        const long y = ReferenceDateKey(b);
        return x > 0 && y > 0 && x > y;
    }
    return QString::localeAwareCompare(a, b) > 0;
}

void ReferenceSort(GridRows &rows, int count, int column, bool ascending)
{
    for (int i = 1; i <= count - 1; ++i) {
        QString best = rows[i][column];
        int bestRow = i;
        for (int j = i + 1; j <= count; ++j) {
            const bool greater = ReferenceGreater(best, rows[j][column], column);
            if (ascending ? greater : !greater) {
                best = rows[j][column];
                bestRow = j;
            }
        }
        for (int c = 0; c < RecordColumns; ++c)
            std::swap(rows[i][c], rows[bestRow][c]);
    }
}

QString Pick(QRandomGenerator &random, const QStringList &choices)
{
    return choices[int(random.bounded(choices.size()))];
}

// Few distinct values per column, so that equal keys are common.
GridRows RandomGrid(QRandomGenerator &random, int count, bool unusableKeys)
{
    QStringList testNos{"0001", "1", "02", "7", "0010", "10", "0", "abc", " 5", "+3"};
    QStringList dates{"31 / Dec / 2009", "05 / Jan / 2010", "5 / Jan / 2010",
                      "28 / Feb / 2010", "05 / Jan / 2010", "01 / 000 / 2011"};
    if (unusableKeys) {
        testNos << "-1"
                << "-0004"
                << "-";
        dates << ""
              << "05 / Jan / -201"
              << "xx / Foo / xxxx"
              << "-5 / Jan";
    }
    const QStringList times{"10:00", "09:59", "10:00", "23:01", "1:00", ""};
    const QStringList readings{"0.050%BAC", "12.50mg/L", "0.050o/oo ", "2.5g/L", "0.05%BAC",
                               "abc",       "Abc",       "ABC",        "a-b",    "ab",
                               "äb",        "Äb",        "b"};
    const QStringList results{"PASS", "FAIL", "-", "pass"};
    const QStringList samplings{"Manual", "-", "manual", ""};
    GridRows records;
    for (int k = 0; k < count; ++k) {
        records << GridRow{Pick(random, testNos),  Pick(random, dates),   Pick(random, times),
                           Pick(random, readings), Pick(random, results), Pick(random, samplings)};
        records.last()[1 + int(random.bounded(5))] += QString::number(k % 3 == 0 ? k : 0);
    }
    return WithHeadings(records);
}

} // namespace

class TestSortRows : public QObject
{
    Q_OBJECT

private slots:
    void textToLong_data();
    void textToLong();
    void dateKey_data();
    void dateKey();
    void testNumbersAscendingThenDescending();
    void datesSortByYearMonthDay();
    void readingsSortAsTexts();
    void wholeRowsMove();
    void ties_data();
    void ties();
    void rangeOutsideTheGridIsClamped();
    void matchesSelectionSort_data();
    void matchesSelectionSort();
};

void TestSortRows::textToLong_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<qlonglong>("expected");
    QTest::newRow("digits") << "0123" << 123LL;
    QTest::newRow("leading blanks and sign") << " \t -45x" << -45LL;
    QTest::newRow("plus sign") << "+7" << 7LL;
    QTest::newRow("no digits") << "abc" << 0LL;
    QTest::newRow("empty") << "" << 0LL;
    QTest::newRow("sign alone") << "-" << 0LL;
    QTest::newRow("blank after sign") << "- 5" << 0LL;
    QTest::newRow("stops at first non-digit") << "12 34" << 12LL;
    QTest::newRow("too large") << "99999999999999999999" << qlonglong(LONG_MAX);
    QTest::newRow("too small") << "-99999999999999999999" << qlonglong(LONG_MIN);
    QTest::newRow("smallest long") << QString::number(LONG_MIN) << qlonglong(LONG_MIN);
    QTest::newRow("non-Latin-1 digit") << QString::fromUtf8("١٢") << 0LL;
}

void TestSortRows::textToLong()
{
    QFETCH(QString, text);
    QFETCH(qlonglong, expected);
    QCOMPARE(qlonglong(TextToLong(text)), expected);
}

void TestSortRows::dateKey_data()
{
    QTest::addColumn<QString>("date");
    QTest::addColumn<qlonglong>("expected");
    QTest::newRow("December") << "31 / Dec / 2009" << 20091231LL;
    QTest::newRow("January") << "05 / Jan / 2010" << 20100105LL;
    QTest::newRow("month zero") << "07 / 000 / 2010" << 20100007LL;
    QTest::newRow("month case differs") << "05 / jan / 2010" << 201005LL;
    QTest::newRow("one-digit day shifts the month") << "5 / Jan / 2010" << 105LL;
    QTest::newRow("empty") << "" << 0LL;
    QTest::newRow("no year") << "05 / Jan" << 105LL;
    QTest::newRow("negative year") << "05 / Jan / -201" << -2010105LL;
}

void TestSortRows::dateKey()
{
    QFETCH(QString, date);
    QFETCH(qlonglong, expected);
    QCOMPARE(qlonglong(DateKey(date)), expected);
}

void TestSortRows::testNumbersAscendingThenDescending()
{
    GridRows rows = WithHeadings({Row("0003", "", "", ""), Row("10", "", "", ""),
                                  Row("0001", "", "", ""), Row("2", "", "", "")});
    SortRows(rows, 1, 4, 0, true);
    QCOMPARE(Column(rows, 0), QStringList({"0001", "2", "0003", "10"}));
    QCOMPARE(rows[0], PlainHeadings());
    SortRows(rows, 1, 4, 0, false);
    QCOMPARE(Column(rows, 0), QStringList({"10", "0003", "2", "0001"}));
}

void TestSortRows::datesSortByYearMonthDay()
{
    GridRows rows =
        WithHeadings({Row("1", "05 / Jan / 2010", "", ""), Row("2", "31 / Dec / 2009", "", ""),
                      Row("3", "01 / Feb / 2009", "", "")});
    SortRows(rows, 1, 3, 1, true);
    QCOMPARE(Column(rows, 1),
             QStringList({"01 / Feb / 2009", "31 / Dec / 2009", "05 / Jan / 2010"}));
}

void TestSortRows::readingsSortAsTexts()
{
    GridRows rows = WithHeadings({Row("1", "", "", "9.0%BAC"), Row("2", "", "", "12.5%BAC")});
    SortRows(rows, 1, 2, 3, true);
    QCOMPARE(Column(rows, 3), QStringList({"12.5%BAC", "9.0%BAC"}));
}

void TestSortRows::wholeRowsMove()
{
    const GridRow late = Row("0001", "01 / Jan / 2010", "23:00", "0.010%BAC", "PASS", "-");
    const GridRow early = Row("0002", "01 / Jan / 2010", "08:00", "0.090%BAC", "FAIL", "Manual");
    const GridRow middle = Row("0003", "02 / Jan / 2010", "12:00", "0.000%BAC", "PASS", "Manual");
    GridRows rows = WithHeadings({late, early, middle});
    SortRows(rows, 1, 3, 2, true);
    QCOMPARE(rows, WithHeadings({early, middle, late}));
}

void TestSortRows::ties_data()
{
    QTest::addColumn<QStringList>("testNos");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<QStringList>("expected");
    // Cells after the number tell the rows apart.
    QTest::newRow("ascending keeps the earlier row first")
        << QStringList{"1a", "1b"} << true << QStringList{"1a", "1b"};
    QTest::newRow("descending moves the later row up")
        << QStringList{"1a", "1b"} << false << QStringList{"1b", "1a"};
    QTest::newRow("an exchange reverses equal rows")
        << QStringList{"1a", "1b", "0"} << true << QStringList{"0", "1b", "1a"};
    QTest::newRow("descending, three equal")
        << QStringList{"5a", "5b", "5c"} << false << QStringList{"5c", "5a", "5b"};
}

void TestSortRows::ties()
{
    QFETCH(QStringList, testNos);
    QFETCH(bool, ascending);
    QFETCH(QStringList, expected);
    GridRows records;
    for (const QString &testNo : testNos)
        records << Row(testNo, "", "", "");
    GridRows rows = WithHeadings(records);
    GridRows plain = rows;
    SortRows(rows, 1, int(testNos.size()), 0, ascending);
    SelectionSortRows(plain, 1, int(testNos.size()), 0, ascending);
    QCOMPARE(Column(rows, 0), expected);
    QCOMPARE(Column(plain, 0), expected);
}

void TestSortRows::rangeOutsideTheGridIsClamped()
{
    GridRows rows = WithHeadings({Row("3", "", "", ""), Row("1", "", "", "")});
    SortRows(rows, 1, 40, 0, true);
    QCOMPARE(Column(rows, 0), QStringList({"1", "3"}));
    SortRows(rows, 1, 2, 6, false);
    SortRows(rows, 2, 2, 0, false);
    QCOMPARE(Column(rows, 0), QStringList({"1", "3"}));
}

void TestSortRows::matchesSelectionSort_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("ascending");
    QTest::addColumn<bool>("unusableKeys");
    QTest::addColumn<QString>("locale");
    for (int column = 0; column < RecordColumns; ++column) {
        for (bool ascending : {true, false}) {
            for (bool unusable : {false, true}) {
                // Unusable keys exist in the numeric columns; the texts
                // depend on the locale instead.
                const QString locale = column >= 2 && unusable ? "de_DE" : "C";
                const QByteArray name = QByteArray("column ") + QByteArray::number(column) +
                                        (ascending ? " ascending" : " descending") +
                                        (column < 2 && unusable ? " with unusable keys" : "") +
                                        (locale != "C" ? " in " + locale.toLatin1() : "");
                QTest::newRow(name.constData()) << column << ascending << unusable << locale;
            }
        }
    }
}

void TestSortRows::matchesSelectionSort()
{
    QFETCH(int, column);
    QFETCH(bool, ascending);
    QFETCH(bool, unusableKeys);
    QFETCH(QString, locale);
    const QLocale before;
    QLocale::setDefault(QLocale(locale));
    const auto restore = qScopeGuard([&] { QLocale::setDefault(before); });
    QRandomGenerator random(quint32(1000 + column * 4 + ascending * 2 + unusableKeys));
    for (int grid = 0; grid < 300; ++grid) {
        const int count = 2 + int(random.bounded(grid < 200 ? 12 : 120));
        const GridRows original = RandomGrid(random, count, unusableKeys);
        GridRows expected = original;
        ReferenceSort(expected, count, column, ascending);
        GridRows fast = original;
        SortRows(fast, 1, count, column, ascending);
        GridRows plain = original;
        SelectionSortRows(plain, 1, count, column, ascending);
        if (fast != expected || plain != expected)
            qInfo() << "grid" << grid << "before" << Column(original, column) << "expected"
                    << Column(expected, column) << "SortRows" << Column(fast, column);
        QCOMPARE(fast, expected);
        QCOMPARE(plain, expected);
    }
}

QTEST_GUILESS_MAIN(TestSortRows)
#include "tst_sortrows.moc"
