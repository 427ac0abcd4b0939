// The report's figures against small selections worked out by hand, and
// the words it uses for the selection, the calibration and the rest.

#include "archive/report.h"

#include <QTest>

namespace {

// "reading|result|date" a record; the test number and time do not count.
GridRows Records(const QStringList &lines)
{
    GridRows rows;
    for (const QString &line : lines) {
        const QStringList f = line.split(u'|');
        rows.append({QStringLiteral("00001"), f.value(2, QStringLiteral("11 - Mar - 2010")),
                     QStringLiteral("08:00.00"), f.value(0), f.value(1), QStringLiteral("Manual")});
    }
    return rows;
}

// "unit readings noNumber minimum median p90 maximum".
QStringList UnitLines(const ReportFigures &figures)
{
    QStringList lines;
    for (const UnitFigures &u : figures.units) {
        QString line =
            QStringLiteral("%1 %2 %3").arg(u.unit.trimmed()).arg(u.readings).arg(u.noNumber);
        if (u.readings > 0)
            for (double v : {u.minimum, u.median, u.percentile90, u.maximum})
                line += u' ' + QString::number(v, 'f', 3);
        lines << line;
    }
    return lines;
}

QStringList MonthLines(const ReportFigures &figures)
{
    QStringList lines;
    for (const MonthTests &m : figures.months)
        lines << QStringLiteral("%1 %2/%3/%4")
                     .arg(MonthText(m.year, m.month))
                     .arg(m.tests)
                     .arg(m.pass)
                     .arg(m.fail);
    return lines;
}

} // namespace

class TestReportFigures : public QObject
{
    Q_OBJECT

private slots:
    void figures_data()
    {
        QTest::addColumn<QStringList>("records");
        // tests pass fail noUnit undated
        QTest::addColumn<QList<qint64>>("counts");
        QTest::addColumn<QStringList>("units");
        QTest::addColumn<QString>("failRate");

        QTest::newRow("empty selection")
            << QStringList() << QList<qint64>{0, 0, 0, 0, 0} << QStringList() << "-";
        QTest::newRow("one record")
            << QStringList{"0.045 %BAC|PASS"} << QList<qint64>{1, 1, 0, 0, 0}
            << QStringList{"%BAC 1 0 0.045 0.045 0.045 0.045"} << "0.0 %";
        // Median: rank 2 of 4; 90th percentile: rank 4 of 4.
        QTest::newRow("ties") << QStringList{"0.020 %BAC|PASS", "0.050 %BAC|FAIL",
                                             "0.020 %BAC|PASS", "0.020 %BAC|PASS"}
                              << QList<qint64>{4, 3, 1, 0, 0}
                              << QStringList{"%BAC 4 0 0.020 0.020 0.050 0.050"} << "25.0 %";
        // Ten readings in any order: median rank 5, 90th percentile rank 9.
        QTest::newRow("ten readings")
            << QStringList{"0.070 %BAC|FAIL", "0.010 %BAC|PASS", "0.100 %BAC|FAIL",
                           "0.040 %BAC|PASS", "0.030 %BAC|PASS", "0.090 %BAC|FAIL",
                           "0.020 %BAC|PASS", "0.060 %BAC|FAIL", "0.050 %BAC|PASS",
                           "0.080 %BAC|FAIL"}
            << QList<qint64>{10, 5, 5, 0, 0} << QStringList{"%BAC 10 0 0.010 0.050 0.090 0.100"}
            << "50.0 %";
        // Counted as tests and results, left out of the readings' figures.
        QTest::newRow("readings that are no number")
            << QStringList{"----- %BAC|FAIL", "Err   %BAC|-", "0.030 %BAC|PASS", " %BAC|PASS",
                           "0.0.1 %BAC|PASS"}
            << QList<qint64>{5, 3, 1, 0, 0} << QStringList{"%BAC 1 4 0.030 0.030 0.030 0.030"}
            << "25.0 %";
        QTest::newRow("only readings that are no number")
            << QStringList{"----- mg/L|PASS"} << QList<qint64>{1, 1, 0, 0, 0}
            << QStringList{"mg/L 0 1"} << "0.0 %";
        // In the unit list's order whatever the records' order; a reading
        // without a unit counts only as a test.
        QTest::newRow("several units")
            << QStringList{"0.210 mg/L|PASS",  "0.045 %BAC|PASS",
                           "12 ug/100mL|PASS", "0.190 mg/L|FAIL",
                           "0.450 o/oo |PASS", "0.045|PASS",
                           "0.230 mg/L|PASS",  "|PASS"}
            << QList<qint64>{8, 7, 1, 2, 0}
            << QStringList{"o/oo 1 0 0.450 0.450 0.450 0.450", "%BAC 1 0 0.045 0.045 0.045 0.045",
                           "mg/L 3 0 0.190 0.210 0.230 0.230",
                           "ug/100mL 1 0 12.000 12.000 12.000 12.000"}
            << "12.5 %";
        QTest::newRow("results other than PASS and FAIL, undated tests")
            << QStringList{"0.010 %BAC|-|11 - Mar - 2010", "0.020 %BAC| FAIL |xx - Foo - 2010",
                           "0.030 %BAC||31 - Feb - 2010"}
            << QList<qint64>{3, 0, 1, 0, 2} << QStringList{"%BAC 3 0 0.010 0.020 0.030 0.030"}
            << "100.0 %";
    }
    void figures()
    {
        QFETCH(QStringList, records);
        QFETCH(QList<qint64>, counts);
        QFETCH(QStringList, units);
        QFETCH(QString, failRate);
        const ReportFigures f = FiguresOf(Records(records));
        QCOMPARE((QList<qint64>{f.tests, f.pass, f.fail, f.noUnit, f.undated}), counts);
        QCOMPARE(UnitLines(f), units);
        QCOMPARE(PercentText(f.FailRate()), failRate);
        QCOMPARE(f.OtherResults(), f.tests - f.pass - f.fail);
    }

    // A tally fed a page at a time gives what one pass over all gives.
    void tallyFedInPagesAddsUp()
    {
        const GridRows all = Records({"0.070 %BAC|FAIL", "0.010 %BAC|PASS", "0.100 mg/L|FAIL",
                                      "0.040 %BAC|PASS|01 - Apr - 2010", "----- %BAC|PASS"});
        ReportTally tally;
        for (int i = 0; i < all.size(); ++i) {
            // Figures asked for between pages change nothing.
            if (i == 2)
                (void)tally.Figures();
            tally.Add(all[i]);
        }
        const ReportFigures paged = tally.Figures();
        const ReportFigures whole = FiguresOf(all);
        QCOMPARE(UnitLines(paged), UnitLines(whole));
        QCOMPARE(MonthLines(paged), MonthLines(whole));
        QCOMPARE(paged.tests, whole.tests);
    }

    void nearestRank_data()
    {
        QTest::addColumn<QList<double>>("values");
        QTest::addColumn<int>("percent");
        QTest::addColumn<double>("expected");
        const QList<double> ten{10, 1, 9, 2, 8, 3, 7, 4, 6, 5};
        QTest::newRow("median of ten") << ten << 50 << 5.0;
        QTest::newRow("90th of ten") << ten << 90 << 9.0;
        QTest::newRow("100th is the maximum") << ten << 100 << 10.0;
        QTest::newRow("1st of ten is the minimum") << ten << 1 << 1.0;
        QTest::newRow("one value") << QList<double>{3} << 90 << 3.0;
        QTest::newRow("median of two is the lower") << QList<double>{2, 1} << 50 << 1.0;
        QList<double> thirty;
        for (int i = 30; i >= 1; --i)
            thirty << i;
        // 0.9 x 30 is 27 exactly: rank 27, not 28.
        QTest::newRow("90th of thirty") << thirty << 90 << 27.0;
        QTest::newRow("90th of eleven") << thirty.mid(19) << 90 << 10.0;
    }
    void nearestRank()
    {
        QFETCH(QList<double>, values);
        QFETCH(int, percent);
        QFETCH(double, expected);
        std::vector<double> v(values.begin(), values.end());
        QCOMPARE(NearestRank(v, percent), expected);
    }

    void months_data()
    {
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QStringList>("months");
        QTest::newRow("none") << QStringList{"0.010 %BAC|PASS|xx"} << QStringList();
        QTest::newRow("a month without tests between, across the year")
            << QStringList{"0.010 %BAC|FAIL|05 - Jan - 2010", "0.010 %BAC|PASS|31 - Nov - 2009",
                           "0.010 %BAC|PASS|30 - Nov - 2009", "0.010 %BAC|-|01 - Jan - 2010"}
            << QStringList{"Nov 2009 1/1/0", "Dec 2009 0/0/0", "Jan 2010 2/0/1"};
        // Twenty-one years apart: only the months with tests.
        QTest::newRow("too long a span")
            << QStringList{"0.010 %BAC|PASS|05 - Jan - 1990", "0.010 %BAC|PASS|05 - Mar - 2011"}
            << QStringList{"Jan 1990 1/1/0", "Mar 2011 1/1/0"};
    }
    void months()
    {
        QFETCH(QStringList, records);
        QFETCH(QStringList, months);
        QCOMPARE(MonthLines(FiguresOf(Records(records))), months);
    }

    void periodWords_data()
    {
        QTest::addColumn<bool>("byDate");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QString>("words");
        QTest::newRow("dates in either order")
            << true << "2010-03-31"
            << "2010-03-01" << QStringList() << "01 - Mar - 2010 to 31 - Mar - 2010";
        QTest::newRow("all dates, from the tests")
            << false << ""
            << "" << QStringList{"0|PASS|04 - Jan - 2010", "0|PASS|11 - Mar - 2010"}
            << "all dates (tests from 04 - Jan - 2010 to 11 - Mar - 2010)";
        QTest::newRow("all dates without a dated test")
            << false << ""
            << "" << QStringList{"0|PASS|xx"} << "all dates";
    }
    void periodWords()
    {
        QFETCH(bool, byDate);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, records);
        QFETCH(QString, words);
        SearchCriteria c;
        c.byDate = byDate;
        c.dateFrom = from;
        c.dateTo = to;
        QCOMPARE(PeriodWords(c, FiguresOf(Records(records))), words);
    }

    void filterWords_data()
    {
        QTest::addColumn<QStringList>("switched"); // testno, reading, result
        QTest::addColumn<QString>("words");
        QTest::newRow("none") << QStringList() << "none";
        QTest::newRow("dates are the period's") << QStringList{"date"} << "none";
        QTest::newRow("test numbers in order") << QStringList{"testno"} << "Test No 100 to 200";
        QTest::newRow("every criterion")
            << QStringList{"testno", "reading", "result"}
            << "Test No 100 to 200; Reading 0.000 to 0.080 %BAC; Test Result FAIL";
    }
    void filterWords()
    {
        QFETCH(QStringList, switched);
        QFETCH(QString, words);
        SearchCriteria c;
        c.byDate = switched.contains(QLatin1String("date"));
        c.byTestNo = switched.contains(QLatin1String("testno"));
        c.testNoFrom = QStringLiteral("200");
        c.testNoTo = QStringLiteral("100");
        c.byReading = switched.contains(QLatin1String("reading"));
        c.unit = QStringLiteral("%BAC");
        c.readingFrom = QStringLiteral("0.000");
        c.readingTo = QStringLiteral("0.080");
        c.byResult = switched.contains(QLatin1String("result"));
        c.result = QStringLiteral("FAIL");
        QCOMPARE(FilterWords(c), words);
    }

    void calibrationWords_data()
    {
        QTest::addColumn<QString>("lastCalibration");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("words");
        QTest::newRow("within the interval")
            << "2010-03-15" << QDate(2010, 9, 1) << "not due (until 15 - Mar - 2011)";
        QTest::newRow("the interval's last day")
            << "2010-03-15" << QDate(2011, 3, 15) << "not due (until 15 - Mar - 2011)";
        QTest::newRow("the day after")
            << "2010-03-15" << QDate(2011, 3, 16) << "due (since 16 - Mar - 2011)";
        QTest::newRow("as the tester writes dates")
            << "15 - Mar - 2010" << QDate(2012, 1, 1) << "due (since 16 - Mar - 2011)";
        QTest::newRow("cannot be read")
            << "soon" << QDate(2010, 1, 1) << "due (the last calibration cannot be read)";
    }
    void calibrationWords()
    {
        QFETCH(QString, lastCalibration);
        QFETCH(QDate, day);
        QFETCH(QString, words);
        QCOMPARE(CalibrationWords(lastCalibration, 12, day), words);
    }

    void texts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("expected");
        QTest::newRow("nothing left out") << MoreRecordsText(10000, 10000) << "";
        QTest::newRow("more records")
            << MoreRecordsText(133456, 10000)
            << "and 123,456 more records: export the selection as an Excel workbook";
        QTest::newRow("value in %BAC") << ValueText(0.045, QStringLiteral("%BAC")) << "0.045";
        QTest::newRow("value in micrograms") << ValueText(12, QStringLiteral("ug/100mL")) << "12";
        ReportInput input;
        input.testers = {{QStringLiteral("SN-77"), QString(), QString()}};
        QTest::newRow("one tester") << TestersWords(input) << "SN-77";
        input.allTesters = true;
        QTest::newRow("all testers") << TestersWords(input) << "all testers";
    }
    void texts()
    {
        QFETCH(QString, text);
        QFETCH(QString, expected);
        QCOMPARE(text, expected);
    }
};

QTEST_GUILESS_MAIN(TestReportFigures)
#include "tst_reportfigures.moc"
