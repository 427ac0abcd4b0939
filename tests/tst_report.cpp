// The report as an auditor is handed it: a PDF document (or paper) read
// back with poppler's pdftotext, its figures against a selection worked out
// by hand, "page N of M" on every page, the record list cut at its limit,
// and a document that is written whole or not at all.

#include "handreport.h"
#include "pdftext.h"

#include "archive/reportflow.h"
#include "archive/reportjob.h"
#include "archive/reportpainter.h"
#include "archive/testerlist.h"
#include "archive/verifywords.h"
#include "records/data/recordvalues.h"
#include "tools/reportsamples.h"

#include <QDir>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

// 1,509 records of a year, in %BAC and mg/L.
ReportInput LongReport(int limit)
{
    ReportInput input = SampleReport(1509, QDate(2010, 1, 4), 365);
    input.recordLimit = limit;
    return input;
}

} // namespace

class TestReport : public QObject
{
    Q_OBJECT

    QTemporaryDir dir;
    QString Path(const char *name) const { return dir.filePath(QLatin1String(name)); }

    // Writes input to a fresh file; its path.
    QString Save(const ReportInput &input, const char *name = "report.pdf")
    {
        const QString pdf = Path(name);
        QFile::remove(pdf);
        QString error;
        if (SaveReport(input, pdf, {}, &error) != ReportOutcome::Done)
            qWarning() << error;
        return pdf;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY2(!QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty(),
                 "poppler-utils is missing: bash tools/deps.sh");
    }

    void handWorkedSelection_data()
    {
        QTest::addColumn<QString>("line");
        QTest::newRow("title") << "Records report";
        QTest::newRow("tester") << "SN-77  V1.02  15 - Mar - 2009  due (since 16 - Mar - 2010)";
        QTest::newRow("calibration interval")
            << "The site's calibration interval is 12 months; judged on 05 - Apr - 2010.";
        QTest::newRow("period") << "Period  01 - Mar - 2010 to 30 - Apr - 2010";
        QTest::newRow("filter") << "Filter  Test No 1 to 6";
        QTest::newRow("records") << "Records  6";
        QTest::newRow("summary names") << "Tests  PASS  FAIL  Fail rate";
        QTest::newRow("summary") << "6  4  2  33.3 %";
        QTest::newRow("unit headings")
            << "Unit  Readings  No number  Minimum  Median  90th percentile  Maximum";
        QTest::newRow("%BAC") << "%BAC  4  1  0.000  0.020  0.045  0.045";
        QTest::newRow("mg/L") << "mg/L  1  0  0.210  0.210  0.210  0.210";
        QTest::newRow("percentile method") << "Median and 90th percentile by nearest rank";
        QTest::newRow("March") << "Mar 2010  3  2  1  33.3 %";
        QTest::newRow("April") << "Apr 2010  3  2  1  33.3 %";
        QTest::newRow("chart") << "Readings in %BAC, SN-77";
        QTest::newRow("record headings")
            << "Test No  Date  Time  Reading  Test Result  Sampling Type";
        QTest::newRow("record") << "00002  11 - Mar - 2010  09:10.00  0.045 %BAC  FAIL  Manual";
        QTest::newRow("all listed") << "All 6 records, in the order of the archive window's list.";
        QTest::newRow("made") << "Made 05 - Apr - 2010 14:30 by " + ProgramWords();
        QTest::newRow("first page") << "page 1 of 2";
        QTest::newRow("second page") << "page 2 of 2";
    }
    void handWorkedSelection()
    {
        QFETCH(QString, line);
        static const QString pdf = Save(HandReport(), "hand.pdf");
        QCOMPARE(Pages(pdf), 2);
        const QString text = PageText(pdf, 1) + PageText(pdf, 2);
        QVERIFY2(HasLine(text, line), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("more records")));
        QVERIFY(!text.contains(QStringLiteral("Fingerprint")));
    }

    // The tester table writes a last calibration as the archive window's
    // tester list does, whatever form the tester gave it in.
    void lastCalibrationAsListed_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("words");
        const QString unread = QStringLiteral("due (the last calibration cannot be read)");
        QTest::newRow("slashes") << "2009/03/15"
                                 << "15 - Mar - 2009"
                                 << "due (since 16 - Mar - 2010)";
        QTest::newRow("as a record's date") << "15 / Mar / 2009"
                                            << "15 - Mar - 2009"
                                            << "due (since 16 - Mar - 2010)";
        QTest::newRow("no such day: as given") << "2009-02-30"
                                               << "2009-02-30" << unread;
        QTest::newRow("words: as given") << "by service"
                                         << "by service" << unread;
    }
    void lastCalibrationAsListed()
    {
        QFETCH(QString, stored);
        QFETCH(QString, shown);
        QFETCH(QString, words);
        ReportInput input = HandReport();
        input.testers.first().lastCalibration = stored;
        const QString text = PageText(Save(input), 1);
        QVERIFY2(
            HasLine(text, QStringLiteral("SN-77  V1.02  ") + shown + QStringLiteral("  ") + words),
            qPrintable(text));
        // The tester list, judged on the same day, writes the same.
        ArchiveTester tester;
        tester.serialNumber = input.testers.first().serialNumber;
        tester.lastCalibration = stored;
        const GridRows rows = TesterRows({tester}, {12, input.made.date(), false});
        QVERIFY(rows.value(1).value(1).startsWith(shown));
    }

    // Every page says which it is; pages after the first name the report;
    // the record list's headings stand on every page it runs over.
    void pageNOfMOnEveryPage()
    {
        const ReportInput input = LongReport(300);
        const QString pdf = Save(input);
        const int pages = Pages(pdf);
        QVERIFY2(pages >= 6, qPrintable(QString::number(pages)));
        QCOMPARE(ReportLayout(input, PaperOf(QPageSize(QPageSize::A4), QPageLayout::Portrait))
                     .PageCount(),
                 pages);
        const QRegularExpression record(QStringLiteral("\\d{5} +\\d\\d - \\w{3} - \\d{4}"));
        int listing = 0;
        for (int n = 1; n <= pages; ++n) {
            const QString text = PageText(pdf, n);
            QVERIFY2(HasLine(text, QStringLiteral("page %1 of %2").arg(n).arg(pages)),
                     qPrintable(text));
            QCOMPARE(text.contains(QStringLiteral("Records report: all testers")), n > 1);
            if (record.match(text).hasMatch()) {
                ++listing;
                QVERIFY(HasLine(text, QStringLiteral("Test No  Date  Time  Reading")));
            }
        }
        QVERIFY(listing >= 5);
    }

    void recordLimit_data()
    {
        QTest::addColumn<int>("limit");
        QTest::addColumn<QString>("listed");
        QTest::addColumn<QString>("more");
        QTest::newRow("over the limit")
            << 10 << "The first 10 of 1,509 records"
            << "and 1,499 more records: export the selection as an Excel workbook";
        QTest::newRow("at the limit") << 1509 << "All 1,509 records" << QString();
    }
    void recordLimit()
    {
        QFETCH(int, limit);
        QFETCH(QString, listed);
        QFETCH(QString, more);
        ReportInput input = LongReport(limit);
        const QString pdf = Save(input);
        const int pages = Pages(pdf);
        QString all;
        for (int n = 1; n <= pages; ++n)
            all += PageText(pdf, n);
        QVERIFY(HasLine(all, QStringLiteral("Records  1,509")));
        QVERIFY(HasLine(all, listed));
        QCOMPARE(all.contains(QStringLiteral("more records")), !more.isEmpty());
        if (!more.isEmpty()) {
            QVERIFY(HasLine(PageText(pdf, pages), more));
            QVERIFY(all.contains(input.records.at(limit - 1).at(1)));
            // The record after the limit is not listed: its test number and
            // time stand nowhere together.
            const GridRow &next = input.records.at(limit);
            QVERIFY(!HasLine(all, next.at(0) + QStringLiteral("  ") + next.at(1) +
                                      QStringLiteral("  ") + next.at(2)));
        }
    }

    void emptySelection()
    {
        ReportInput input;
        input.testers = {{QStringLiteral("SN-77"), QString(), QStringLiteral("2010-03-01")}};
        input.chart.unit = QStringLiteral("%BAC");
        input.made = QDateTime(QDate(2010, 4, 5), QTime(9, 0));
        const QString fingerprint(QStringLiteral("9f86d081884c7d659a2feaa0c55ad015a3bf4f1b2b0b822c"
                                                 "d15d6c15b0f00a08"));
        input.fingerprint = fingerprint;
        const QString pdf = Save(input);
        QCOMPARE(Pages(pdf), 1);
        const QString text = PageText(pdf, 1);
        for (const QString &line :
             {QStringLiteral("all dates"), QStringLiteral("Filter  none"),
              QStringLiteral("Records  0"), QStringLiteral("0  0  0  -"),
              QStringLiteral("No readings with a unit."), QStringLiteral("No dated tests."),
              QStringLiteral("No readings in %BAC."),
              QStringLiteral("No records in the selection."),
              QStringLiteral("not due (until 01 - Mar - 2011)"), QStringLiteral("page 1 of 1"),
              QStringLiteral("Fingerprint (SHA-256)  ") + fingerprint})
            QVERIFY2(HasLine(text, line), qPrintable(line));
    }

    // A stopped report leaves the file that was there as it was, and no
    // other file beside it.
    void stoppedReportLeavesNoFile_data()
    {
        QTest::addColumn<int>("stopAt");
        QTest::newRow("before the first page") << 0;
        QTest::newRow("after the second") << 2;
        QTest::newRow("after the last") << -1;
    }
    void stoppedReportLeavesNoFile()
    {
        QFETCH(int, stopAt);
        QTemporaryDir folder;
        const QString pdf = folder.filePath(QStringLiteral("report.pdf"));
        {
            QFile old(pdf);
            QVERIFY(old.open(QIODevice::WriteOnly));
            old.write("the report of last week");
        }
        QString error;
        const ReportOutcome outcome = SaveReport(
            LongReport(300), pdf,
            [&](int done, int pages) { return done != (stopAt < 0 ? pages : stopAt); }, &error);
        QCOMPARE(outcome, ReportOutcome::Cancelled);
        QFile old(pdf);
        QVERIFY(old.open(QIODevice::ReadOnly));
        QCOMPARE(old.readAll(), QByteArray("the report of last week"));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("report.pdf")});
    }

    void unwritableFolderFails()
    {
        const QString pdf = Path("no such folder/report.pdf");
        QString error;
        QCOMPARE(SaveReport(HandReport(), pdf, {}, &error), ReportOutcome::Failed);
        QVERIFY2(error.contains(QDir::toNativeSeparators(pdf)), qPrintable(error));
        QVERIFY(!QFile::exists(pdf));
    }

    // Made on a thread of its own, the report tells its pages and its end
    // through the window's event queue.
    void jobOnItsOwnThread_data()
    {
        QTest::addColumn<bool>("cancel");
        QTest::newRow("made") << false;
        QTest::newRow("cancelled") << true;
    }
    void jobOnItsOwnThread()
    {
        QFETCH(bool, cancel);
        const QString pdf = Path("job.pdf");
        QFile::remove(pdf);
        TReportJob job;
        QSignalSpy progress(&job, &TReportJob::Progress);
        QSignalSpy finished(&job, &TReportJob::Finished);
        job.Save(LongReport(300), pdf);
        QVERIFY(job.Busy());
        if (cancel)
            job.Cancel();
        QVERIFY(finished.wait(30000));
        QVERIFY(!job.Busy());
        QCOMPARE(finished.first().at(0).value<ReportOutcome>(),
                 cancel ? ReportOutcome::Cancelled : ReportOutcome::Done);
        QCOMPARE(QFile::exists(pdf), !cancel);
        // Before the first page and after each.
        for (int i = 0; !cancel && i <= Pages(pdf); ++i)
            QCOMPARE(progress.value(i), (QVariantList{i, Pages(pdf)}));
    }

    void jobGoneWhileBusyLeavesNoFile()
    {
        const QString pdf = Path("gone.pdf");
        QFile::remove(pdf);
        {
            TReportJob job;
            job.Save(LongReport(ReportRecordLimit), pdf);
        }
        QVERIFY(!QFile::exists(pdf));
    }

    // The printer gets the pages of the document, on its own paper.
    void printsTheSamePages()
    {
        const ReportInput input = LongReport(300);
        const QString saved = Save(input);
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        const QString printed = Path("printed.pdf");
        printer.setOutputFileName(printed);
        printer.setPageSize(QPageSize(QPageSize::A4));
        QString error;
        QCOMPARE(PrintReport(input, printer, {}, &error), ReportOutcome::Done);
        QCOMPARE(Pages(printed), Pages(saved));
        QCOMPARE(PageText(printed, 1), PageText(saved, 1));
    }

    // Nothing stands beyond the margins, on any paper.
    void fitsThePaper_data()
    {
        QTest::addColumn<QPageSize>("size");
        QTest::addColumn<QPageLayout::Orientation>("orientation");
        QTest::newRow("A4") << QPageSize(QPageSize::A4) << QPageLayout::Portrait;
        QTest::newRow("Letter") << QPageSize(QPageSize::Letter) << QPageLayout::Portrait;
        QTest::newRow("A4 landscape") << QPageSize(QPageSize::A4) << QPageLayout::Landscape;
        QTest::newRow("A5") << QPageSize(QPageSize::A5) << QPageLayout::Portrait;
    }
    void fitsThePaper()
    {
        QFETCH(QPageSize, size);
        QFETCH(QPageLayout::Orientation, orientation);
        // With the longest of everything: a fingerprint, a title, counts of
        // millions, other results besides PASS and FAIL.
        ReportInput input = LongReport(300);
        input.fingerprint = QString(64, u'f');
        input.title = QStringLiteral("Records report of the breath-alcohol testers of the site");
        input.figures.tests = 12345678;
        input.figures.pass = 10345678;
        input.figures.fail = 1000000;
        SelectionSeal seal;
        seal.fingerprint = QByteArray(64, 'f');
        seal.lastVerifiedAt = QDateTime(QDate(2026, 12, 28), QTime(23, 59)).toMSecsSinceEpoch();
        seal.lastVerdict = QStringLiteral("1,234,567 breaks");
        input.seal = seal;
        const ReportLayout layout(input, PaperOf(size, orientation));
        // The seal's lines end the last page's body whole, each on a line of
        // its own.
        QStringList last;
        for (const ReportItem &item : layout.Page(layout.PageCount() - 1))
            if (item.kind == ReportItem::Kind::Text && item.rect.top() >= ReportStyle::MarginTop &&
                item.rect.bottom() <= layout.Paper().height() - ReportStyle::MarginBottom)
                last << item.text;
        QCOMPARE(last.mid(last.size() - 2), SelectionSealLines(seal));
        const QSizeF paper = layout.Paper();
        // Within 18 mm of the sides and 9 mm of the top and bottom.
        const QRectF inside(QPointF(510, 250), QPointF(paper.width() - 510, paper.height() - 250));
        const ReportFonts fonts;
        int charts = 0;
        for (int n = 0; n < layout.PageCount(); ++n)
            for (const ReportItem &item : layout.Page(n)) {
                const QString where = QStringLiteral("page %1: %2").arg(n + 1).arg(item.text);
                QVERIFY2(inside.contains(item.rect.adjusted(0.5, 0.5, -0.5, -0.5)),
                         qPrintable(where));
                charts += item.kind == ReportItem::Kind::Chart ? 1 : 0;
                // A line of text is drawn whole.
                if (item.kind == ReportItem::Kind::Text && (item.flags & Qt::TextSingleLine))
                    QVERIFY2(fonts.Metrics(item.font).horizontalAdvance(item.text) <=
                                 item.rect.width() + 0.5,
                             qPrintable(where));
            }
        QCOMPARE(charts, 1);
        // A5 is drawn as A4 made smaller.
        QCOMPARE(layout.Paper().width() * layout.Scale(), PaperOf(size, orientation).width());
        QCOMPARE(layout.Scale() < 1, size.id() == QPageSize::A5);
    }
};

QTEST_MAIN(TestReport)
#include "tst_report.moc"
