// The chart's arithmetic: value ticks, date ticks, the bars of months and
// where a test lies in time, whichever of the testers' time forms it has.

#include "archive/chartscale.h"
#include "archive/chartsummary.h"

#include <QDate>
#include <QTest>

namespace {
qint64 Day(int y, int m, int d)
{
    return QDate(y, m, d).toJulianDay();
}
} // namespace

Q_DECLARE_METATYPE(ChartPeriod)

class TestChartScale : public QObject
{
    Q_OBJECT

private slots:
    void niceTicks_data()
    {
        QTest::addColumn<double>("lo");
        QTest::addColumn<double>("hi");
        QTest::addColumn<int>("maxTicks");
        QTest::addColumn<bool>("whole");
        QTest::addColumn<QStringList>("texts");
        auto row = [](const char *name, double lo, double hi, int maxTicks, bool whole,
                      const QStringList &texts) {
            QTest::newRow(name) << lo << hi << maxTicks << whole << texts;
        };
        row("BAC up to a bound on a tick", 0, 0.4, 5, false, {"0.0", "0.1", "0.2", "0.3", "0.4"});
        row("BAC, fewer ticks", 0, 0.5, 4, false, {"0.0", "0.2", "0.4", "0.6"});
        row("reversed range", 0.4, 0, 5, false, {"0.0", "0.1", "0.2", "0.3", "0.4"});
        row("micrograms", 0, 2345, 5, false, {"0", "500", "1000", "1500", "2000", "2500"});
        row("two and a half", 0, 10, 4, false, {"0.0", "2.5", "5.0", "7.5", "10.0"});
        row("counts skip 2.5", 0, 10, 4, true, {"0", "5", "10"});
        row("few counts stay whole", 0, 3, 6, true, {"0", "1", "2", "3"});
        row("straddling a decade", 0.95, 1.05, 1, false, {"0", "2"});
        row("one value", 3, 3, 4, false, {"1", "2", "3", "4", "5"});
        row("only zero", 0, 0, 5, false, {"0.0", "0.1", "0.2", "0.3", "0.4", "0.5"});
        row("not a number", qQNaN(), 1, 2, false, {"0.0", "0.5", "1.0"});
    }
    void niceTicks()
    {
        QFETCH(double, lo);
        QFETCH(double, hi);
        QFETCH(int, maxTicks);
        QFETCH(bool, whole);
        QFETCH(QStringList, texts);
        const ValueTicks ticks = NiceTicks(lo, hi, maxTicks, whole);
        QStringList shown;
        for (double v : ticks.values)
            shown << TickText(v, ticks.decimals);
        QCOMPARE(shown, texts);
        QVERIFY(ticks.values.size() - 1 <= maxTicks);
        QCOMPARE(ticks.values.first(), ticks.first);
        QCOMPARE(ticks.values.last(), ticks.last);
        if (!qIsNaN(lo)) {
            QVERIFY(ticks.first <= std::min(lo, hi));
            QVERIFY(ticks.last >= std::max(lo, hi));
        }
    }

    void dateTicks_data()
    {
        QTest::addColumn<qint64>("first");
        QTest::addColumn<qint64>("last");
        QTest::addColumn<int>("maxTicks");
        QTest::addColumn<QStringList>("labels");
        QTest::newRow("days") << Day(2010, 1, 1) << Day(2010, 1, 5) << 10
                              << QStringList{"01 Jan", "02 Jan", "03 Jan", "04 Jan", "05 Jan"};
        QTest::newRow("every second day") << Day(2010, 2, 26) << Day(2010, 3, 4) << 4
                                          << QStringList{"26 Feb", "28 Feb", "02 Mar", "04 Mar"};
        QTest::newRow("Mondays") << Day(2010, 1, 1) << Day(2010, 1, 31) << 5
                                 << QStringList{"04 Jan", "11 Jan", "18 Jan", "25 Jan"};
        QTest::newRow("months from the first whole one")
            << Day(2009, 12, 15) << Day(2010, 5, 20) << 6
            << QStringList{"Jan 2010", "Feb 2010", "Mar 2010", "Apr 2010", "May 2010"};
        QTest::newRow("quarters") << Day(2009, 1, 1) << Day(2010, 6, 30) << 6
                                  << QStringList{"Jan 2009", "Apr 2009", "Jul 2009",
                                                 "Oct 2009", "Jan 2010", "Apr 2010"};
        QTest::newRow("years") << Day(2008, 3, 1) << Day(2012, 6, 30) << 5
                               << QStringList{"2009", "2010", "2011", "2012"};
        QTest::newRow("reversed") << Day(2010, 1, 3) << Day(2010, 1, 1) << 5
                                  << QStringList{"01 Jan", "02 Jan", "03 Jan"};
    }
    void dateTicks()
    {
        QFETCH(qint64, first);
        QFETCH(qint64, last);
        QFETCH(int, maxTicks);
        QFETCH(QStringList, labels);
        QStringList shown;
        qint64 previous = 0;
        for (const DateTick &tick : DateTicks(first, last, maxTicks)) {
            shown << tick.label;
            QVERIFY(tick.day >= std::min(first, last) && tick.day <= std::max(first, last));
            QVERIFY(tick.day > previous);
            previous = tick.day;
        }
        QCOMPARE(shown, labels);
    }

    void monthBarsCountEveryTestOfTheirMonth()
    {
        // Tests on the last moment of January, the first of March, in
        // December and on New Year's Day.
        const QVector<ChartDayCount> days{
            {20100131, 1, 0}, {20100301, 1, 1}, {20091201, 1, 0}, {20100101, 1, 0}};
        const QVector<PeriodBar> bars = PeriodBars(days, ChartPeriod::Month);
        QCOMPARE(bars.size(), 3);
        const qint64 tests[] = {1, 2, 1};
        const qint64 firsts[] = {Day(2009, 12, 1), Day(2010, 1, 1), Day(2010, 3, 1)};
        const qint64 ends[] = {Day(2010, 1, 1), Day(2010, 2, 1), Day(2010, 4, 1)};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(bars[i].tests, tests[i]);
            QCOMPARE(bars[i].firstDay, firsts[i]);
            QCOMPARE(bars[i].endDay, ends[i]);
        }
        QCOMPARE(bars[2].fails, 1);
        QVERIFY(PeriodBars({}, ChartPeriod::Month).isEmpty());
    }

    void timeOfATest_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<double>("fraction"); // -1: none
        QTest::newRow("morning") << "09:00.00" << 0.375;
        QTest::newRow("last second") << "23:59.59" << 86399 / 86400.0;
        QTest::newRow("midnight") << "00:00.00" << 0.0;
        QTest::newRow("hour 24") << "24:00.00" << -1.0;
        QTest::newRow("minute 60") << "10:60.00" << -1.0;
        // Read as the records' other times are: the hour with one digit too,
        // seconds after a colon, or no seconds.
        QTest::newRow("one-digit hour") << "9:00.00" << 0.375;
        QTest::newRow("colons") << "09:00:00" << 0.375;
        QTest::newRow("last second with colons") << "23:59:59" << 86399 / 86400.0;
        QTest::newRow("hours and minutes") << "18:30" << 0.770833333333333;
        QTest::newRow("blanks around") << " 06:00:00 " << 0.25;
        QTest::newRow("seconds 60") << "10:00:60" << -1.0;
        QTest::newRow("dot and colon mixed up") << "10.00:00" << -1.0;
        QTest::newRow("letter") << "12:3a.00" << -1.0;
        QTest::newRow("empty") << "" << -1.0;
    }
    void timeOfATest()
    {
        QFETCH(QString, time);
        QFETCH(double, fraction);
        // As the chart places a record of 5 January 2010 with that time.
        const std::optional<ChartReading> r = ChartReadingOf(20100105, time, 0.1f, 1, false);
        QVERIFY(r);
        QCOMPARE(bool(r->timed), fraction >= 0);
        const double got = ReadingTime(*r) - Day(2010, 1, 5);
        QVERIFY2(std::abs(got - std::max(0.0, fraction)) < 1e-9, qPrintable(QString::number(got)));
    }

    void readingsOfRecords()
    {
        QCOMPARE(DayOfDateKey(20100105), std::optional<qint64>(Day(2010, 1, 5)));
        QCOMPARE(DayOfDateKey(20120229), std::optional<qint64>(Day(2012, 2, 29)));
        for (long bad : {0L, -20100105L, 20100230L, 20101301L, 20100100L, 2010L})
            QVERIFY2(!DayOfDateKey(bad), qPrintable(QString::number(bad)));

        // As the archive gives them: a test at 18:00, one on a day that is
        // none (left out), one whose time cannot be read (at the start of
        // its day).
        const std::optional<ChartReading> evening =
            ChartReadingOf(20100105, u"18:00.00", 0.25f, 7, true);
        QVERIFY(evening);
        QCOMPARE(ReadingTime(*evening), Day(2010, 1, 5) + 0.75);
        QCOMPARE(evening->reading, 0.25f);
        QVERIFY(evening->fail);
        QCOMPARE(evening->testNo, 7);
        QVERIFY(!ChartReadingOf(20100230, u"09:00.00", 0.1f, 8, false));
        const std::optional<ChartReading> untimed =
            ChartReadingOf(20100106, u"bad", 0.05f, 9, false);
        QVERIFY(untimed);
        QCOMPARE(ReadingTime(*untimed), double(Day(2010, 1, 6)));
        QVERIFY(!untimed->timed);
    }

    void timeTicks_data()
    {
        QTest::addColumn<double>("from");
        QTest::addColumn<double>("to");
        QTest::addColumn<int>("maxTicks");
        QTest::addColumn<QStringList>("labels");
        const double d = double(Day(2010, 1, 5));
        QTest::newRow("weeks: the date ticks")
            << d << d + 28 << 6 << QStringList{"11 Jan", "18 Jan", "25 Jan", "01 Feb"};
        QTest::newRow("a day in six hours")
            << d << d + 1 << 6 << QStringList{"05 Jan", "06:00", "12:00", "18:00", "06 Jan"};
        QTest::newRow("a morning by the hour")
            << d + 0.25 << d + 0.5 << 8
            << QStringList{"06:00", "07:00", "08:00", "09:00", "10:00", "11:00", "12:00"};
        QTest::newRow("half an hour by ten minutes")
            << d + 0.5 << d + 0.5 + 1.0 / 48 << 6
            << QStringList{"12:00", "12:10", "12:20", "12:30"};
        QTest::newRow("over midnight")
            << d + 0.75 << d + 1.25 << 4 << QStringList{"18:00", "06 Jan", "06:00"};
        QTest::newRow("reversed") << d + 0.5 << d + 0.25 << 2 << QStringList{"06:00", "12:00"};
    }
    void timeTicks()
    {
        QFETCH(double, from);
        QFETCH(double, to);
        QFETCH(int, maxTicks);
        QFETCH(QStringList, labels);
        QStringList shown;
        double previous = 0;
        for (const TimeTick &tick : TimeTicks(from, to, maxTicks)) {
            shown << tick.label;
            QVERIFY(tick.at >= std::min(from, to) - 1e-9 && tick.at <= std::max(from, to) + 1e-9);
            QVERIFY(tick.at > previous);
            previous = tick.at;
        }
        QVERIFY(shown.size() <= maxTicks);
        QCOMPARE(shown, labels);
    }

    void textsOfAPeriod_data()
    {
        QTest::addColumn<double>("at");
        QTest::addColumn<ChartPeriod>("period");
        QTest::addColumn<QString>("moment");
        QTest::addColumn<QString>("name");
        const double d = double(Day(2010, 1, 5));
        QTest::newRow("midnight, a day") << d << ChartPeriod::Day << "05 - Jan - 2010"
                                         << "05 - Jan - 2010";
        QTest::newRow("a morning, a week")
            << d + 0.25 << ChartPeriod::Week << "05 - Jan - 2010 06:00"
            << "week of 05 - Jan - 2010";
        QTest::newRow("a minute before midnight, a month")
            << d + 1439.0 / 1440 << ChartPeriod::Month << "05 - Jan - 2010 23:59"
            << "Jan 2010";
        QTest::newRow("rounded up to midnight")
            << d + 0.99999 << ChartPeriod::Day << "06 - Jan - 2010"
            << "05 - Jan - 2010";
    }
    void textsOfAPeriod()
    {
        QFETCH(double, at);
        QFETCH(ChartPeriod, period);
        QFETCH(QString, moment);
        QFETCH(QString, name);
        QCOMPARE(MomentText(at), moment);
        QCOMPARE(PeriodText(qint64(std::floor(at)), period), name);
    }

    void textsOfAPoint()
    {
        QCOMPARE(DayText(Day(2010, 1, 5)), QStringLiteral("05 - Jan - 2010"));
        QCOMPARE(ReadingText(0.12f, "%BAC"), QStringLiteral("0.120 %BAC"));
        QCOMPARE(ReadingText(0.5f, "o/oo "), QStringLiteral("0.500 o/oo "));
        QCOMPARE(ReadingText(120, "ug/100mL"), QStringLiteral("120 ug/100mL"));
        QCOMPARE(TickText(-0.0, 1), QStringLiteral("0.0"));
        QCOMPARE(TimeText(0), QStringLiteral("00:00.00"));
        QCOMPARE(TimeText(18 * 3600 + 30 * 60 + 15), QStringLiteral("18:30.15"));
        QCOMPARE(TimeText(86399), QStringLiteral("23:59.59"));
        QCOMPARE(PeriodName(ChartPeriod::Week), QStringLiteral("week"));
    }
};

QTEST_GUILESS_MAIN(TestChartScale)
#include "tst_chartscale.moc"
