// The chart's data made ready: the unit it shows, whether readings are drawn
// one by one or summed up per day, week or month, the periods, quantiles,
// bars and summaries, a reading taken from an archived record, and the unit
// the operator picked, kept in its file from one start to the next.

#include "archive/chartsummary.h"
#include "archive/chartunitfile.h"
#include "archive/store/chartinput.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

namespace {

qint64 Day(int y, int m, int d)
{
    return QDate(y, m, d).toJulianDay();
}

ChartReading At(qint64 day, int second, float reading, bool fail = false, qint32 testNo = 1)
{
    return {qint32(day), reading, testNo, quint32(second), 1u, fail ? 1u : 0u};
}

using UnitCounts = QVector<ChartUnitCount>;

} // namespace

Q_DECLARE_METATYPE(UnitCounts)
Q_DECLARE_METATYPE(ChartPeriod)

class TestChartSummary : public QObject
{
    Q_OBJECT

private slots:
    void unitOfTheChart_data()
    {
        QTest::addColumn<UnitCounts>("counts");
        QTest::addColumn<QString>("filterUnit"); // "-": none
        QTest::addColumn<QString>("picked");     // "-": none
        QTest::addColumn<QString>("unit");
        QTest::addColumn<bool>("remembered"); // picked for another selection or start
        auto row = [](const char *name, const UnitCounts &counts, const char *filter,
                      const char *picked, const char *unit, bool remembered = false) {
            QTest::newRow(name) << counts << filter << picked << unit << remembered;
        };
        row("the most readings", {{"%BAC", 10}, {"mg/L", 30}, {"g/L", 5}}, "-", "-", "mg/L");
        row("counts of one unit add up", {{"mg/L", 8}, {"%BAC", 5}, {"%BAC", 5}}, "-", "-", "%BAC");
        row("a tie goes to %BAC", {{"mg/L", 7}, {"%BAC", 7}}, "-", "-", "%BAC");
        row("a tie without %BAC goes to the earlier in the list",
            {{"ug/L", 4}, {"g/L", 4}, {"o/oo ", 4}, {"%BAC", 1}}, "-", "-", "o/oo ");
        row("list order, not count order", {{"ug/L", 4}, {"mg/L", 4}}, "-", "-", "mg/L");
        row("no readings: %BAC", {}, "-", "-", "%BAC");
        row("only zero counts: %BAC", {{"mg/L", 0}}, "-", "-", "%BAC");
        row("a unit outside the list never counts", {{"ppm", 50}, {"g/L", 1}}, "-", "-", "g/L");
        row("the operator's pick stays", {{"%BAC", 90}, {"mg/L", 1}}, "-", "mg/L", "mg/L");
        row("the pick stays without readings in it", {{"%BAC", 90}}, "-", "ug/L", "ug/L");
        row("a reading filter names the unit", {{"%BAC", 90}}, "g/L", "mg/L", "g/L");
        row("remembered, with readings in it", {{"%BAC", 90}, {"mg/L", 1}}, "-", "mg/L", "mg/L",
            true);
        row("remembered, without readings: the most common", {{"%BAC", 10}, {"mg/L", 30}}, "-",
            "ug/L", "mg/L", true);
        row("remembered, counted with none", {{"g/L", 0}, {"o/oo ", 2}}, "-", "g/L", "o/oo ", true);
        row("remembered, no readings at all", {}, "-", "mg/L", "%BAC", true);
        row("remembered, its readings in two counts", {{"%BAC", 9}, {"g/L", 1}, {"g/L", 1}}, "-",
            "g/L", "g/L", true);
        row("a reading filter before a remembered unit", {{"mg/L", 9}}, "g/L", "mg/L", "g/L", true);
    }
    void unitOfTheChart()
    {
        QFETCH(UnitCounts, counts);
        QFETCH(QString, filterUnit);
        QFETCH(QString, picked);
        QFETCH(QString, unit);
        QFETCH(bool, remembered);
        ChartUnitChoice choice;
        if (filterUnit != QLatin1String("-"))
            choice.filterUnit = filterUnit;
        if (picked != QLatin1String("-"))
            choice.picked = picked;
        choice.remembered = remembered;
        QCOMPARE(ChooseChartUnit(counts, choice), unit);
        // The counts alone are read the same in any order.
        UnitCounts reversed(counts.rbegin(), counts.rend());
        QCOMPARE(MostCommonUnit(reversed), MostCommonUnit(counts));
    }

    void pointsOrPeriods_data()
    {
        QTest::addColumn<qint64>("points");
        QTest::addColumn<double>("span");
        QTest::addColumn<bool>("summary");
        QTest::addColumn<ChartPeriod>("period");
        auto row = [](const char *name, qint64 points, double span, bool summary,
                      ChartPeriod period) {
            QTest::newRow(name) << points << span << summary << period;
        };
        row("a few hundred over three years", 300, 1096, false, ChartPeriod::Month);
        row("as many as are drawn", MostPointsDrawn, 1096, false, ChartPeriod::Month);
        row("one more: summaries", MostPointsDrawn + 1, 1096, true, ChartPeriod::Month);
        row("a million over three years", 1000000, 1096, true, ChartPeriod::Month);
        row("a leap year in weeks", 1000000, 366, true, ChartPeriod::Week);
        row("54 weeks in weeks", 1000000, 378, true, ChartPeriod::Week);
        row("a little over 54 weeks in months", 1000000, 378.5, true, ChartPeriod::Month);
        row("nine weeks in days", 50000, 63, true, ChartPeriod::Day);
        row("a little over nine weeks in weeks", 50000, 63.1, true, ChartPeriod::Week);
        row("a zoom to a week", 6300, 7, true, ChartPeriod::Day);
        row("a zoom to two days: points", 1800, 2, false, ChartPeriod::Day);
        row("an hour", 40, 1.0 / 24, false, ChartPeriod::Day);
        row("nothing in view", 0, 30, false, ChartPeriod::Day);
    }
    void pointsOrPeriods()
    {
        QFETCH(qint64, points);
        QFETCH(double, span);
        QFETCH(bool, summary);
        QFETCH(ChartPeriod, period);
        const ChartStyle style = StyleOfView(points, span);
        QCOMPARE(style.summary, summary);
        QCOMPARE(style.period, period);
    }

    void periods_data()
    {
        QTest::addColumn<qint64>("day");
        QTest::addColumn<ChartPeriod>("period");
        QTest::addColumn<qint64>("start");
        QTest::addColumn<qint64>("end");
        QTest::newRow("a day") << Day(2010, 1, 5) << ChartPeriod::Day << Day(2010, 1, 5)
                               << Day(2010, 1, 6);
        QTest::newRow("a Tuesday's week")
            << Day(2010, 1, 5) << ChartPeriod::Week << Day(2010, 1, 4) << Day(2010, 1, 11);
        QTest::newRow("a Monday starts its week")
            << Day(2010, 1, 4) << ChartPeriod::Week << Day(2010, 1, 4) << Day(2010, 1, 11);
        QTest::newRow("a Sunday ends its week")
            << Day(2010, 1, 10) << ChartPeriod::Week << Day(2010, 1, 4) << Day(2010, 1, 11);
        QTest::newRow("a week across the year")
            << Day(2010, 1, 1) << ChartPeriod::Week << Day(2009, 12, 28) << Day(2010, 1, 4);
        QTest::newRow("February of a leap year")
            << Day(2012, 2, 29) << ChartPeriod::Month << Day(2012, 2, 1) << Day(2012, 3, 1);
        QTest::newRow("December") << Day(2010, 12, 31) << ChartPeriod::Month << Day(2010, 12, 1)
                                  << Day(2011, 1, 1);
    }
    void periods()
    {
        QFETCH(qint64, day);
        QFETCH(ChartPeriod, period);
        QFETCH(qint64, start);
        QFETCH(qint64, end);
        QCOMPARE(PeriodStart(day, period), start);
        QCOMPARE(PeriodEnd(start, period), end);
        QCOMPARE(PeriodStart(end - 1, period), start);
    }

    void quantiles_data()
    {
        QTest::addColumn<QVector<float>>("values");
        QTest::addColumn<double>("q");
        QTest::addColumn<float>("quantile");
        QTest::newRow("one value") << QVector<float>{0.3f} << 0.9 << 0.3f;
        QTest::newRow("median between two") << QVector<float>{2, 1} << 0.5 << 1.5f;
        QTest::newRow("median of an odd count") << QVector<float>{5, 1, 3, 2, 4} << 0.5 << 3.0f;
        QTest::newRow("tenth of eleven")
            << QVector<float>{10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0} << 0.1 << 1.0f;
        QTest::newRow("ninetieth between") << QVector<float>{0, 10, 20, 30, 40, 50} << 0.9 << 45.0f;
        QTest::newRow("the highest") << QVector<float>{3, 1, 2} << 1.0 << 3.0f;
    }
    void quantiles()
    {
        QFETCH(QVector<float>, values);
        QFETCH(double, q);
        QFETCH(float, quantile);
        std::vector<float> v(values.begin(), values.end());
        QCOMPARE(Quantile(v, q), quantile);
    }

    // A period's low, median and high are those Quantile gives, whatever
    // the count and however many readings are alike.
    void summaryAsQuantiles_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("distinct"); // how many different readings there are
        for (const int count : {1, 2, 3, 4, 5, 9, 10, 11, 12, 19, 21, 101, 1000, 4099})
            for (const int distinct : {1, 3, 1000000})
                QTest::addRow("%d readings, %d values", count, distinct) << count << distinct;
    }
    void summaryAsQuantiles()
    {
        QFETCH(int, count);
        QFETCH(int, distinct);
        QRandomGenerator random(quint32(count * 7 + distinct));
        QVector<ChartReading> sorted;
        std::vector<float> values;
        for (int i = 0; i < count; ++i) {
            const float reading = float(random.bounded(distinct)) / 1000;
            sorted << At(Day(2010, 3, 1), i, reading);
            values.push_back(reading);
        }
        const QVector<PeriodSummary> days = PeriodSummaries(sorted, ChartPeriod::Day);
        QCOMPARE(days.size(), 1);
        std::vector<float> copy = values;
        QCOMPARE(days[0].low, Quantile(copy, 0.1));
        copy = values;
        QCOMPARE(days[0].median, Quantile(copy, 0.5));
        copy = values;
        QCOMPARE(days[0].high, Quantile(copy, 0.9));
    }

    void barsCountEveryTestOfTheirPeriod()
    {
        const QVector<ChartDayCount> days{{20100105, 4, 1},   {20100104, 2, 0}, {20100111, 3, 3},
                                          {20100230, 50, 50}, {20100105, 1, 1}, {20100301, 7, 0}};
        const QVector<PeriodBar> weeks = PeriodBars(days, ChartPeriod::Week);
        QCOMPARE(weeks.size(), 3); // the day that is none is left out, empty weeks too
        QCOMPARE(weeks[0].firstDay, Day(2010, 1, 4));
        QCOMPARE(weeks[0].tests, 7);
        QCOMPARE(weeks[0].fails, 2);
        QCOMPARE(weeks[1].tests, 3);
        QCOMPARE(weeks[1].fails, 3);
        QCOMPARE(weeks[2].firstDay, Day(2010, 3, 1));
        const QVector<PeriodBar> months = PeriodBars(days, ChartPeriod::Month);
        QCOMPARE(months.size(), 2);
        QCOMPARE(months[0].tests, 10);
        QCOMPARE(months[0].endDay, Day(2010, 2, 1));
        QVERIFY(PeriodBars({}, ChartPeriod::Day).isEmpty());
    }

    void summariesOfEachPeriod()
    {
        QVector<ChartReading> sorted;
        for (int i = 0; i < 11; ++i)
            sorted << At(Day(2010, 1, 4), i * 60, float(i) / 100);
        sorted << At(Day(2010, 1, 20), 0, 0.5f) << At(Day(2010, 2, 1), 0, 0.2f);
        const QVector<PeriodSummary> weeks = PeriodSummaries(sorted, ChartPeriod::Week);
        QCOMPARE(weeks.size(), 3);
        QCOMPARE(weeks[0].readings, 11);
        QCOMPARE(weeks[0].low, 0.01f);
        QCOMPARE(weeks[0].median, 0.05f);
        QCOMPARE(weeks[0].high, 0.09f);
        QCOMPARE(weeks[1].firstDay, Day(2010, 1, 18));
        QCOMPARE(weeks[1].median, 0.5f);
        const QVector<PeriodSummary> months = PeriodSummaries(sorted, ChartPeriod::Month);
        QCOMPARE(months.size(), 2);
        QCOMPARE(months[0].readings, 12);
        QCOMPARE(months[1].high, 0.2f);
    }

    void dataMadeReady()
    {
        ChartInput input;
        input.unit = "mg/L";
        input.readings = {At(Day(2010, 3, 2), 100, 0.3f, true, 7), At(Day(2010, 3, 1), 5, 0.1f),
                          At(Day(2010, 3, 2), 50, 0.2f), At(Day(2010, 3, 1), 5, 0.05f, false, 0),
                          At(Day(2010, 3, 1), 9, qInf())};
        input.days = {{20100227, 3, 1}, {20100302, 2, 1}};
        const ChartData data = PrepareChart(input);
        QCOMPARE(data.unit, QStringLiteral("mg/L"));
        // In time order, ties by test number; a reading that is no number goes.
        QCOMPARE(data.readings.size(), 4);
        const float order[] = {0.05f, 0.1f, 0.2f, 0.3f};
        for (int i = 0; i < 4; ++i)
            QCOMPARE(data.readings[i].reading, order[i]);
        QVERIFY(data.readings[3].fail);
        // The days of tests reach further than those of readings.
        QCOMPARE(data.firstDay, Day(2010, 2, 27));
        QCOMPARE(data.lastDay, Day(2010, 3, 2));
        QCOMPARE(data.lowest, 0.05f);
        QCOMPARE(data.highest, 0.3f);
        QCOMPARE(data.Bars(ChartPeriod::Month).size(), 2);
        QCOMPARE(data.Summaries(ChartPeriod::Day).size(), 2);
        QCOMPARE(data.Summaries(ChartPeriod::Week).size(), 1);

        const auto [first, end] =
            ReadingsBetween(data.readings, double(Day(2010, 3, 1)) + 6 / 86400.0,
                            double(Day(2010, 3, 2)) + 50 / 86400.0);
        QCOMPARE(first, 2);
        QCOMPARE(end, 3);
        QCOMPARE(ReadingsBetween(data.readings, 0, 1), std::make_pair(qsizetype(0), qsizetype(0)));
    }

    void readingOfARecord_data()
    {
        QTest::addColumn<qlonglong>("dateKey");
        QTest::addColumn<QString>("time");
        QTest::addColumn<float>("reading");
        QTest::addColumn<qlonglong>("testNo");
        QTest::addColumn<bool>("taken");
        QTest::addColumn<int>("second"); // -1: no time
        QTest::addColumn<int>("storedNo");
        auto row = [](const char *name, qlonglong key, const char *time, float reading,
                      qlonglong testNo, bool taken, int second, int storedNo) {
            QTest::newRow(name) << key << QString(time) << reading << testNo << taken << second
                                << storedNo;
        };
        row("the tester's clock", 20100105, "18:30.15", 0.25f, 12, true, 66615, 12);
        row("colons", 20100105, "18:30:15", 0.25f, 12, true, 66615, 12);
        row("a time that is none", 20100105, "25:00.00", 0.25f, 12, true, -1, 12);
        row("a date that is none", 20100230, "18:30.15", 0.25f, 12, false, 0, 0);
        row("a reading that is no number", 20100105, "18:30.15", qQNaN(), 12, false, 0, 0);
        row("a test number beyond 32 bits", 20100105, "18:30.15", 0.25f, 9999999999LL, true, 66615,
            2147483647);
    }
    void readingOfARecord()
    {
        QFETCH(qlonglong, dateKey);
        QFETCH(QString, time);
        QFETCH(float, reading);
        QFETCH(qlonglong, testNo);
        QFETCH(bool, taken);
        QFETCH(int, second);
        QFETCH(int, storedNo);
        const std::optional<ChartReading> r =
            ChartReadingOf(long(dateKey), time, reading, testNo, true);
        QCOMPARE(r.has_value(), taken);
        if (!r)
            return;
        QCOMPARE(qint64(r->day), Day(2010, 1, 5));
        QCOMPARE(bool(r->timed), second >= 0);
        QCOMPARE(int(r->second), std::max(0, second));
        QCOMPARE(r->reading, reading);
        QCOMPARE(r->testNo, storedNo);
        QVERIFY(r->fail);
        QCOMPARE(ReadingTime(*r), double(Day(2010, 1, 5)) + std::max(0, second) / 86400.0);
    }

    // What the file holds, as an operator's editor or a full disk may have
    // left it; "-": no unit.
    void keptUnitRead_data()
    {
        QTest::addColumn<QByteArray>("bytes"); // "<folder>": a folder of the file's name
        QTest::addColumn<QString>("unit");
        QTest::newRow("as written") << QByteArray("mg/L\r\n") << "mg/L";
        QTest::newRow("o/oo without its blank") << QByteArray("o/oo\r\n") << "o/oo ";
        QTest::newRow("the first line counts") << QByteArray("g/L\r\nmg/L\r\n") << "g/L";
        QTest::newRow("no unit of the list") << QByteArray("ppm\r\n") << "-";
        QTest::newRow("empty") << QByteArray() << "-";
        QTest::newRow("far too long") << QByteArray("mg/L") + QByteArray(400, ' ') << "-";
        QTest::newRow("a folder") << QByteArray("<folder>") << "-";
    }
    void keptUnitRead()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, unit);
        QTemporaryDir dir;
        const QString path = QDir(dir.path()).filePath(QLatin1String(ChartUnitFileName));
        if (bytes == "<folder>") {
            QVERIFY(QDir(dir.path()).mkdir(QLatin1String(ChartUnitFileName)));
        } else {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(bytes);
        }
        const std::optional<QString> read = ReadChartUnit(dir.path());
        QCOMPARE(read.value_or(QStringLiteral("-")), unit);
    }
};

QTEST_GUILESS_MAIN(TestChartSummary)
#include "tst_chartsummary.moc"
