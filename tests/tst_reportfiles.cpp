// Reports written as the program on this system writes them, complete and
// whole: the hand-worked selection and a long one made on its own thread,
// left in the current folder as report-hand.pdf and report-long.pdf for
// tests/check_report_text.sh to read back with pdftotext (under Wine, where
// there is no pdftotext, tools/test-windows.sh does that on Linux).

#include "handreport.h"

#include "archive/reportflow.h"
#include "archive/reportjob.h"
#include "archive/reportpainter.h"
#include "tools/reportsamples.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

QByteArray Contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The pages of a whole PDF document as its page tree counts them, and its
// page objects; -1 for a document that does not begin and end as one.
struct PdfPages
{
    int counted = -1;
    int objects = -1;
};
PdfPages PagesOf(const QByteArray &pdf)
{
    if (!pdf.startsWith("%PDF-1.") || !pdf.trimmed().endsWith("%%EOF"))
        return {};
    const QString text = QString::fromLatin1(pdf);
    PdfPages pages;
    const QRegularExpressionMatch tree =
        QRegularExpression(QStringLiteral("/Type\\s*/Pages\\b[^>]*/Count\\s+(\\d+)")).match(text);
    if (tree.hasMatch())
        pages.counted = tree.captured(1).toInt();
    pages.objects = int(text.count(QRegularExpression(QStringLiteral("/Type\\s*/Page(?![s\\w])"))));
    return pages;
}

int LaidOutPages(const ReportInput &input)
{
    return ReportLayout(input, PaperOf(QPageSize(QPageSize::A4), QPageLayout::Portrait))
        .PageCount();
}

// 1,509 records of a year, 300 of them listed.
ReportInput LongReport()
{
    ReportInput input = SampleReport(1509, QDate(2010, 1, 4), 365);
    input.recordLimit = 300;
    return input;
}

} // namespace

class TestReportFiles : public QObject
{
    Q_OBJECT

    static QString Here(const char *name) { return QDir::current().filePath(QLatin1String(name)); }

private slots:
    void handWorkedSelection()
    {
        const QString pdf = Here("report-hand.pdf");
        QFile::remove(pdf);
        const ReportInput input = HandReport();
        QString error;
        QCOMPARE(SaveReport(input, pdf, {}, &error), ReportOutcome::Done);
        const PdfPages pages = PagesOf(Contents(pdf));
        QCOMPARE(pages.counted, 2);
        QCOMPARE(pages.objects, 2);
        QCOMPARE(LaidOutPages(input), 2);
    }

    // As the archive window makes it: on a thread of its own, told page by
    // page.
    void longSelectionOnItsOwnThread()
    {
        const QString pdf = Here("report-long.pdf");
        QFile::remove(pdf);
        const ReportInput input = LongReport();
        TReportJob job;
        QSignalSpy progress(&job, &TReportJob::Progress);
        QSignalSpy finished(&job, &TReportJob::Finished);
        job.Save(input, pdf);
        QVERIFY(finished.wait(60000));
        QCOMPARE(finished.first().at(0).value<ReportOutcome>(), ReportOutcome::Done);
        const int laidOut = LaidOutPages(input);
        QVERIFY2(laidOut >= 6, qPrintable(QString::number(laidOut)));
        const PdfPages pages = PagesOf(Contents(pdf));
        QCOMPARE(pages.counted, laidOut);
        QCOMPARE(pages.objects, laidOut);
        QCOMPARE(progress.last(), (QVariantList{laidOut, laidOut}));
    }

    // The old document is replaced only by a complete new one, with no file
    // left beside it, however the new one ends.
    void replacedOnlyWhole_data()
    {
        QTest::addColumn<int>("stopAt"); // the page after which it is stopped; -1: never
        QTest::newRow("made") << -1;
        QTest::newRow("stopped after the first page") << 1;
    }
    void replacedOnlyWhole()
    {
        QFETCH(int, stopAt);
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString pdf = folder.filePath(QStringLiteral("report.pdf"));
        QString error;
        QCOMPARE(SaveReport(HandReport(), pdf, {}, &error), ReportOutcome::Done);
        const QByteArray old = Contents(pdf);
        const ReportOutcome outcome = SaveReport(
            LongReport(), pdf, [&](int done, int) { return done != stopAt; }, &error);
        QCOMPARE(outcome, stopAt < 0 ? ReportOutcome::Done : ReportOutcome::Cancelled);
        const QByteArray now = Contents(pdf);
        if (stopAt < 0)
            QCOMPARE(PagesOf(now).counted, LaidOutPages(LongReport()));
        else
            QCOMPARE(now, old);
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{QStringLiteral("report.pdf")});
    }
};

QTEST_MAIN(TestReportFiles)
#include "tst_reportfiles.moc"
