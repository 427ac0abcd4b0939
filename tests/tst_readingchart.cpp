// The chart of readings as the operator meets it: its title, dots or
// summaries, zooming by dragging and back by a double click, the tips of a
// reading and of a period, and documents and printed pages that are filled
// and carry the title.

#include "pdftext.h"

#include "archive/archivewords.h"
#include "archive/readingchart.h"
#include "archive/verifywords.h"
#include "tools/chartsamples.h"

#include <QPrinter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

qint64 Day(int y, int m, int d)
{
    return QDate(y, m, d).toJulianDay();
}

// A year of readings, too many to draw one by one.
ChartInput YearOfReadings()
{
    ChartSample sample;
    sample.readings = 20000;
    sample.first = QDate(2010, 1, 4);
    sample.days = 365;
    return MakeChartInput(sample);
}

// The rows of a page of a PDF file that hold anything but white, as
// fractions of its height (first, last); nothing without poppler's tools.
std::optional<std::pair<double, double>> InkedRows(const QString &pdf)
{
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (tool.isEmpty())
        return std::nullopt;
    QProcess::execute(tool, {"-r", "30", "-png", "-singlefile", pdf, pdf});
    const QImage page(pdf + QStringLiteral(".png"));
    if (page.isNull())
        return std::nullopt;
    int first = -1;
    int last = -1;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixel(x, y) != qRgb(255, 255, 255)) {
                first = first < 0 ? y : first;
                last = y;
                break;
            }
    return std::make_pair(first / double(page.height()), last / double(page.height()));
}

QString TextOf(const QString &pdf)
{
    QProcess text;
    text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
    text.waitForFinished();
    return QString::fromUtf8(text.readAllStandardOutput()).simplified();
}

} // namespace

class TestReadingChart : public QObject
{
    Q_OBJECT

    TReadingChart *chart = nullptr;

    void Show(ChartInput input)
    {
        chart->SetInput(std::move(input));
        chart->repaint();
        QVERIFY(chart->Frame());
    }
    int X(double day) const { return int(std::lround(chart->Frame()->X(day))); }
    int MiddleY() const { return chart->Frame()->plot.center().y(); }

private slots:
    void init()
    {
        chart = new TReadingChart;
        chart->resize(552, 372);
        chart->show();
        QVERIFY(QTest::qWaitForWindowExposed(chart));
    }
    void cleanup()
    {
        delete chart;
        chart = nullptr;
    }

    void titles_data()
    {
        QTest::addColumn<QString>("tester");
        QTest::addColumn<QString>("period");
        QTest::addColumn<QString>("filter");
        QTest::addColumn<double>("zoomFrom"); // days after 06 Jan 2010; equal: not zoomed
        QTest::addColumn<double>("zoomTo");
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QString>("subheading");
        auto row = [](const char *name, const char *tester, const char *period, const char *filter,
                      double from, double to, const char *heading, const char *subheading) {
            QTest::newRow(name) << tester << period << filter << from << to << heading
                                << subheading;
        };
        row("all testers, the data's days", "", "", "", 0, 0, "Readings in mg/L, all testers",
            "05 - Jan - 2010 to 07 - Jan - 2010");
        row("a tester, a period, a filter", "SN0012345", "01 - Jan - 2010 to 31 - Jan - 2010",
            "FAIL only", 0, 0, "Readings in mg/L, SN0012345",
            "01 - Jan - 2010 to 31 - Jan - 2010, FAIL only");
        row("zoomed within a day", "", "01 - Jan - 2010 to 31 - Jan - 2010", "FAIL only", 0.25, 0.5,
            "Readings in mg/L, all testers",
            "06 - Jan - 2010 06:00 to 06 - Jan - 2010 12:00 (zoomed), FAIL only");
        row("zoomed to a whole day", "SN0012345", "", "", 0, 1, "Readings in mg/L, SN0012345",
            "06 - Jan - 2010 to 06 - Jan - 2010 (zoomed)");
    }
    void titles()
    {
        QFETCH(QString, tester);
        QFETCH(QString, period);
        QFETCH(QString, filter);
        QFETCH(double, zoomFrom);
        QFETCH(double, zoomTo);
        QFETCH(QString, heading);
        QFETCH(QString, subheading);
        ChartInput input;
        input.unit = "mg/L";
        for (int d : {5, 6, 7})
            input.readings << *ChartReadingOf(20100100 + d, u"12:00.00", 0.1f, d, false);
        chart->SetInput(input);
        chart->SetTitle({tester, period, filter});
        const double day = double(Day(2010, 1, 6));
        if (zoomFrom != zoomTo)
            chart->SetView({day + zoomFrom, day + zoomTo});
        QCOMPARE(chart->Zoomed(), zoomFrom != zoomTo);
        QCOMPARE(ChartHeading(chart->Unit(), chart->Title()), heading);
        QCOMPARE(ChartSubheading(chart->Data(), chart->View(), chart->Title()), subheading);
    }

    void dragZoomsAndADoubleClickShowsAll()
    {
        Show(YearOfReadings());
        const ChartView all = chart->View();
        QVERIFY(chart->Style().summary);
        QCOMPARE(chart->Style().period, ChartPeriod::Week);
        QVERIFY(!chart->PointAt({X(all.first + 100.5), MiddleY()}));

        // A drag shorter than a few pixels is a click.
        QTest::mousePress(chart, Qt::LeftButton, {}, {X(all.first + 100), MiddleY()});
        QTest::mouseRelease(chart, Qt::LeftButton, {}, {X(all.first + 100) + 2, MiddleY()});
        QVERIFY(!chart->Zoomed());

        // Dragged backwards over a month: single readings again.
        const int from = X(all.first + 130);
        const int to = X(all.first + 100);
        const double dayFrom = chart->Frame()->DayAt(to);
        const double dayTo = chart->Frame()->DayAt(from);
        QTest::mousePress(chart, Qt::LeftButton, {}, {from, MiddleY()});
        QTest::mouseMove(chart, {(from + to) / 2, MiddleY()});
        QTest::mouseRelease(chart, Qt::LeftButton, {}, {to, MiddleY()});
        // Over more than a few days, whole days.
        QVERIFY(chart->Zoomed());
        QCOMPARE(chart->View().first, std::floor(dayFrom));
        QCOMPARE(chart->View().last, std::ceil(dayTo));
        QVERIFY(!chart->Style().summary);
        QCOMPARE(chart->Style().period, ChartPeriod::Day);
        chart->repaint();
        bool dot = false;
        for (int x = chart->Frame()->plot.left(); x < chart->Frame()->plot.right() && !dot; x += 3)
            for (int y = chart->Frame()->plot.top(); y < chart->Frame()->plot.bottom() && !dot;
                 y += 3)
                dot = chart->PointAt({x, y}).has_value();
        QVERIFY(dot);

        // No zoom beyond ten minutes, and none outside the data.
        chart->SetView({all.first + 100, all.first + 100 + 1.0 / 1440});
        QVERIFY(std::abs(chart->View().Span() - ShortestView) < 1e-9);
        chart->SetView({all.first - 50, all.first + 10});
        QCOMPARE(chart->View().first, all.first);

        QTest::mouseDClick(chart, Qt::LeftButton, {}, {X(all.first + 5), MiddleY()});
        QVERIFY(!chart->Zoomed());
        QVERIFY(chart->View() == all);
        QVERIFY(chart->Style().summary);

        // New readings show all of them.
        chart->SetView({all.first + 100, all.first + 101});
        chart->SetInput(YearOfReadings());
        QVERIFY(!chart->Zoomed());
    }

    void tipOfAReadingTellsItsTime_data()
    {
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("shown");
        QTest::newRow("the tester's clock") << "18:30.15"
                                            << "18:30.15";
        QTest::newRow("colons") << "18:30:15"
                                << "18:30.15";
        QTest::newRow("hours and minutes") << "07:05"
                                           << "07:05.00";
        QTest::newRow("no time") << "--:--"
                                 << "";
    }
    void tipOfAReadingTellsItsTime()
    {
        QFETCH(QString, time);
        QFETCH(QString, shown);
        ChartInput input;
        input.unit = "%BAC";
        input.readings << *ChartReadingOf(20100105, time, 0.125f, 42, true)
                       << *ChartReadingOf(20100101, u"12:00.00", 0.05f, 1, false)
                       << *ChartReadingOf(20100110, u"12:00.00", 0.05f, 2, false);
        input.days = {{20100105, 3, 1}, {20100101, 1, 0}, {20100110, 1, 0}};
        Show(input);
        const ChartReading &r = chart->Points()[1];
        const QPoint at(X(ReadingTime(r)), int(std::lround(chart->Frame()->Y(r.reading))));
        const std::optional<int> hit = chart->PointAt(at + QPoint(3, -2));
        QVERIFY(hit);
        QCOMPARE(chart->PointTip(*hit), "Test No : 00042\nDate : 05 - Jan - 2010\nTime : " + shown +
                                            "\nReading : 0.125 %BAC (FAIL)");
        QVERIFY(!chart->PointAt(at + QPoint(8, 0)));
    }

    void aFailOverAPassIsTheOneTold()
    {
        ChartInput input;
        input.unit = "%BAC";
        input.readings << *ChartReadingOf(20100105, u"12:00.00", 0.1f, 1, false)
                       << *ChartReadingOf(20100105, u"12:00.00", 0.1f, 2, true)
                       << *ChartReadingOf(20100105, u"12:00.00", 0.1f, 3, false);
        Show(input);
        const QPoint at(X(Day(2010, 1, 5) + 0.5), int(std::lround(chart->Frame()->Y(0.1))));
        const std::optional<int> hit = chart->PointAt(at);
        QVERIFY(hit);
        QVERIFY(chart->Points()[*hit].fail);
    }

    void tipOfAPeriod()
    {
        Show(YearOfReadings());
        const double day = chart->View().first + 150.5;
        const QStringList tip =
            chart->PeriodTip({X(day), chart->Frame()->plot.top() + 5}).split(u'\n');
        const qint64 monday = PeriodStart(qint64(day), ChartPeriod::Week);
        const PeriodBar *bar = nullptr;
        for (const PeriodBar &b : chart->Data().Bars(ChartPeriod::Week))
            bar = b.firstDay == monday ? &b : bar;
        QVERIFY(bar);
        QCOMPARE(tip.value(0), "week of " + DayText(monday));
        QVERIFY2(
            tip.value(1).startsWith(QStringLiteral("Tests : %1 (FAIL %2, ")
                                        .arg(GroupedCount(bar->tests), GroupedCount(bar->fails))),
            qPrintable(tip.join(u'|')));
        QVERIFY(tip.value(3).startsWith(QStringLiteral("Median : 0.0")));
        QVERIFY(tip.value(4).startsWith(QStringLiteral("10 % to 90 % : ")));
        // Outside the plot nothing is told.
        QCOMPARE(chart->PeriodTip({2, 2}), QString());

        // With dots, a period is told on its bar only.
        chart->SetView({day - 0.5, day + 0.5});
        chart->repaint();
        QVERIFY(!chart->Style().summary);
        QVERIFY(chart->PeriodTip({X(day), chart->Frame()->plot.top() + 2}).isEmpty());
        QVERIFY(chart->PeriodTip({X(day), chart->Frame()->plot.bottom() - 1})
                    .startsWith(DayText(qint64(day))));
    }

    void messagesInPlaceOfTheChart()
    {
        Show(YearOfReadings());
        chart->SetView({chart->View().first + 10, chart->View().first + 20});
        chart->SetMessage(QStringLiteral("Reading the chart ..."));
        QVERIFY(chart->Points().isEmpty());
        QVERIFY(!chart->Zoomed());
        QCOMPARE(chart->Message(), QStringLiteral("Reading the chart ..."));
        chart->repaint();
        QVERIFY(!chart->Frame());
    }

    void documentsAndPagesAreFilledAndTitled_data()
    {
        QTest::addColumn<bool>("printed");
        QTest::addColumn<bool>("sealed");
        QTest::newRow("saved as PDF") << false << false;
        QTest::newRow("printed") << true << false;
        QTest::newRow("saved as PDF, sealed") << false << true;
        QTest::newRow("printed, sealed") << true << true;
    }
    void documentsAndPagesAreFilledAndTitled()
    {
        QFETCH(bool, printed);
        QFETCH(bool, sealed);
        if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("poppler-utils are not installed");
        QTemporaryDir dir;
        const QString pdf = dir.filePath(QStringLiteral("chart.pdf"));
        chart->SetInput(YearOfReadings());
        chart->SetTitle({QStringLiteral("SN0012345"), QString(), QStringLiteral("FAIL only")});
        // Sealed, the page ends with the selection's fingerprint and the
        // last verify under the chart; else the chart is the whole page.
        ChartPrintout printout = chart->Printout();
        if (sealed) {
            SelectionSeal seal;
            seal.fingerprint = QByteArray(32, 'e') + QByteArray(32, '7');
            seal.lastVerifiedAt = QDateTime(QDate(2026, 12, 8), QTime(9, 30)).toMSecsSinceEpoch();
            seal.lastVerdict = QStringLiteral("intact");
            printout.closing = SelectionSealLines(seal);
        }
        if (printed) {
            QPrinter printer(QPrinter::HighResolution);
            printer.setPageOrientation(QPageLayout::Landscape);
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            QVERIFY(sealed ? PrintChart(printout, printer) : chart->PrintOn(printer));
        } else {
            QString error;
            QVERIFY2(sealed ? SaveChart(printout, pdf, &error) : chart->SaveTo(pdf, &error),
                     qPrintable(error));
        }
        if (sealed)
            QCOMPARE(LastLines(DocumentText(pdf), 2), printout.closing);
        const std::optional<std::pair<double, double>> inked = InkedRows(pdf);
        QVERIFY(inked);
        // From the top margin to the bottom one, not a wide picture on a
        // taller page.
        QVERIFY2(inked->first < 0.1 && inked->second > 0.9,
                 qPrintable(QString::number(inked->first) + u' ' + QString::number(inked->second)));
        const QString text = TextOf(pdf);
        QVERIFY2(text.contains(QStringLiteral("Readings in %BAC, SN0012345")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("04 - Jan - 2010 to 03 - Jan - 2011, FAIL only")));
    }
};

QTEST_MAIN(TestReadingChart)
#include "tst_readingchart.moc"
