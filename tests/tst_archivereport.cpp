// The archive window's "report": the selection's report saved as a PDF
// document and printed, read back with poppler's pdftotext, its figures
// against the same records counted in memory, its record list in the
// table's order, its end the selection's fingerprint (worked out here from
// the records' texts) and the archive's last verify; a cancelled report
// leaves no file and says nothing, a failed one says why.

#include "archivefixture.h"
#include "guifixture.h"
#include "pdftext.h"

#include "archive/Archive.h"
#include "archive/archivemodel.h"
#include "archive/archivewords.h"
#include "archive/readingchart.h"
#include "archive/report.h"
#include "archive/reportrun.h"
#include "archive/store/archivetrail.h"
#include "archive/store/recordfingerprint.h"
#include "archive/testerlist.h"
#include "archive/verifywords.h"
#include "kit/printdialog.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QMenu>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

class TestArchiveReport : public GuiTest
{
    Q_OBJECT

    GridRows FRecordsA, FRecordsB;

    static bool Settled()
    {
        return QTest::qWaitFor(
            [] { return !FormArchive->Busy() && !FormArchive->Report->Running(); }, 30000);
    }
    // The menu's two items: save, print.
    static QAction *Item(int index) { return FormArchive->BitBtn7->menu()->actions().value(index); }
    static QProgressDialog *Box() { return FormArchive->findChild<QProgressDialog *>(); }
    // As the operator does: the box's own Cancel button.
    static void ClickCancel(QProgressDialog *box) { box->findChild<QPushButton *>()->click(); }

    // Saves the report of the selection shown to name; its path.
    QString SaveReport(const char *name)
    {
        const QString pdf = fx->Dir() + u'/' + QLatin1String(name);
        QFile::remove(pdf);
        fx->ChosenFiles << pdf;
        Item(0)->trigger();
        return pdf;
    }

    // The report ends with the seal of the selection shown: the fingerprint
    // of its records (fingerprints, theirs in the order archived), as the
    // store gives it too, and the archive's last verify; then only the last
    // page's footer.
    static void EndsWithSeal(const QString &pdf, const QByteArray &fingerprints)
    {
        ArchiveError error;
        std::unique_ptr<ArchiveStore> store = ArchiveFixture::OpenChosen(QString(), &error);
        QVERIFY2(store, qPrintable(Said(error)));
        const std::optional<SelectionSeal> seal =
            store->Seal(FormArchive->Records->Query(), &error);
        QVERIFY2(seal, qPrintable(Said(error)));
        QCOMPARE(seal->fingerprint, SetFingerprint(fingerprints));
        const QStringList lines = SelectionSealLines(*seal);
        QVERIFY2(lines.value(1).endsWith(QStringLiteral(", intact")), qPrintable(lines.value(1)));
        const QString text = DocumentText(pdf);
        const QStringList last = LastLines(text, 3);
        QCOMPARE(last.mid(0, 2), lines);
        QVERIFY2(last.value(2).startsWith(QStringLiteral("Made ")), qPrintable(last.value(2)));
        // The selection's part names the same.
        QVERIFY(HasLine(text, QStringLiteral("Fingerprint (SHA-256)  ") +
                                  QString::fromLatin1(seal->fingerprint)));
    }

private slots:
    void initTestCase()
    {
        GuiTest::initTestCase();
        FRecordsA = ArchiveFixture::Records(0, 1200);
        FRecordsB = ArchiveFixture::Records(5000, 300);
        ArchiveError error;
        std::unique_ptr<ArchiveStore> store = ArchiveFixture::OpenChosen(QString(), &error);
        QVERIFY2(store, qPrintable(Said(error)));
        QVERIFY(store->Add(ArchiveFixture::Tester("SN0000001", "2010-03-01"), FRecordsA, &error));
        QVERIFY(store->Add(ArchiveFixture::Tester("SN0000002", "2019-01-01"), FRecordsB, &error));
        // Verified once: reports name when.
        QVERIFY2(store->Verify(ThisWorkstation(), {}, &error), qPrintable(Said(error)));
    }
    void init()
    {
        FormArchive->close();
        FormMain->BitBtn7->click();
        QVERIFY(Settled());
        fx->Messages.clear();
        fx->FileRequests.clear();
    }

    void savedReport_data()
    {
        QTest::addColumn<int>("testerRow"); // 0: all testers
        QTest::addColumn<bool>("failOnly");
        QTest::addColumn<bool>("newestFirst");
        QTest::newRow("one tester, newest first") << 1 << false << true;
        QTest::newRow("all testers") << 0 << false << false;
        QTest::newRow("one tester, FAIL only") << 2 << true << false;
    }
    void savedReport()
    {
        QFETCH(int, testerRow);
        QFETCH(bool, failOnly);
        QFETCH(bool, newestFirst);
        FormArchive->SelectTester(testerRow);
        if (failOnly) {
            FormArchive->CheckBox4->click();
            FormArchive->ComboBox4->setCurrentIndex(FormArchive->ComboBox4->findText("FAIL"));
            FormArchive->Button1->click();
        }
        QVERIFY(Settled());
        if (newestFirst) {
            emit FormArchive->StringGrid2->horizontalHeader()->sectionClicked(0);
            emit FormArchive->StringGrid2->horizontalHeader()->sectionClicked(0);
            QVERIFY(Settled());
            QVERIFY(!FormArchive->Records->Sort().ascending);
        }
        // The records of the selection, counted here.
        GridRows selected;
        QByteArray fingerprints;
        for (const GridRows *records : {&FRecordsA, &FRecordsB})
            if (testerRow == 0 || (records == &FRecordsA) == (testerRow == 1))
                for (const GridRow &r : *records)
                    if (!failOnly || r[4] == QLatin1String("FAIL")) {
                        selected.append(r);
                        fingerprints +=
                            RecordFingerprint(records == &FRecordsA ? "SN0000001" : "SN0000002", r);
                    }
        QCOMPARE(FormArchive->Records->Records(), qint64(selected.size()));
        const QString firstListed =
            FormArchive->Records->data(FormArchive->Records->index(0, 0), Qt::DisplayRole)
                .toString();

        const QString pdf = SaveReport("saved.pdf");
        QVERIFY(FormArchive->Report->Running());
        QVERIFY(Settled());
        QCOMPARE(fx->TakeTexts(), QStringList());
        QCOMPARE(fx->FileRequests.last().filter, QStringLiteral("PDF document (*.pdf)|*.pdf"));

        const QString text = DocumentText(pdf);
        const bool hasA = testerRow != 2;
        const bool hasB = testerRow != 1;
        QCOMPARE(text.contains(QStringLiteral("SN0000001")), hasA);
        QCOMPARE(text.contains(QStringLiteral("SN0000002")), hasB);
        QCOMPARE(text.contains(QStringLiteral("all testers")), testerRow == 0);
        // Each tester's last calibration as the tester list writes it, not
        // as the tester gave it ("2010-03-01").
        for (int row = 1; row < FormArchive->StringGrid1->rowCount(); ++row) {
            const ArchiveTester &tester = FormArchive->Testers().at(row - 1);
            QString listed = FormArchive->StringGrid1->item(row, 1)->text();
            const QString due = QStringLiteral(" ") + QLatin1String(CalibrationDueMark);
            if (listed.endsWith(due))
                listed.chop(due.size());
            QCOMPARE(HasLine(text, tester.serialNumber + QStringLiteral("  ") +
                                       tester.softwareVersion + QStringLiteral("  ") + listed),
                     text.contains(tester.serialNumber));
            QVERIFY(!text.contains(tester.lastCalibration));
        }
        QVERIFY2(HasLine(text, failOnly ? QStringLiteral("Filter  Test Result FAIL")
                                        : QStringLiteral("Filter  none")),
                 qPrintable(text.left(3000)));
        const ReportFigures figures = FiguresOf(selected);
        QVERIFY(HasLine(text, QStringLiteral("Tests  PASS  FAIL  Fail rate")));
        QVERIFY2(
            HasLine(text, QStringList{GroupedCount(figures.tests), GroupedCount(figures.pass),
                                      GroupedCount(figures.fail), PercentText(figures.FailRate())}
                              .join(QStringLiteral("  "))),
            qPrintable(text.left(3000)));
        for (const UnitFigures &unit : figures.units)
            QVERIFY2(HasLine(text, unit.unit.trimmed() + QStringLiteral("  ") +
                                       GroupedCount(unit.readings)),
                     qPrintable(unit.unit));
        // The chart as the window shows it.
        QVERIFY(text.contains(FormArchive->Chart1->Title().tester.isEmpty()
                                  ? QStringLiteral("all testers")
                                  : FormArchive->Chart1->Title().tester));
        // The record list starts with the table's first record.
        const int headings = text.indexOf(QStringLiteral("Sampling Type"));
        QVERIFY(headings > 0);
        QCOMPARE(QRegularExpression(QStringLiteral("\\d{5}")).match(text, headings).captured(),
                 firstListed);
        const int pages = Pages(pdf);
        QVERIFY(pages > 1);
        for (int n = 1; n <= pages; ++n)
            QVERIFY2(HasLine(PageText(pdf, n), QStringLiteral("page %1 of %2").arg(n).arg(pages)),
                     qPrintable(QString::number(n)));
        EndsWithSeal(pdf, fingerprints);
    }

    void printedReportOfAllTesters()
    {
        FormArchive->SelectTester(0);
        QVERIFY(Settled());
        const QString pdf = fx->Dir() + QStringLiteral("/printed.pdf");
        QWidget *owner = nullptr;
        SetPrintDialogHandler([&](QPrinter &printer, QWidget *parent) {
            owner = parent;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        Item(1)->trigger();
        QVERIFY(Settled());
        SetPrintDialogHandler({});
        QCOMPARE(owner, FormArchive);
        QCOMPARE(fx->TakeTexts(), QStringList());
        const QString text = DocumentText(pdf);
        QVERIFY(text.contains(QStringLiteral("all testers")));
        QVERIFY(text.contains(QStringLiteral("SN0000001")) && text.contains("SN0000002"));
        QVERIFY(HasLine(text, QStringLiteral("Records  ") +
                                  GroupedCount(FRecordsA.size() + FRecordsB.size())));
        QVERIFY(Pages(pdf) > 1);
        QByteArray fingerprints;
        for (const GridRow &r : std::as_const(FRecordsA))
            fingerprints += RecordFingerprint(QStringLiteral("SN0000001"), r);
        for (const GridRow &r : std::as_const(FRecordsB))
            fingerprints += RecordFingerprint(QStringLiteral("SN0000002"), r);
        EndsWithSeal(pdf, fingerprints);
    }

    void cancelledLeavesNothing_data()
    {
        QTest::addColumn<bool>("atOnce"); // while gathering, or while making the pages
        QTest::newRow("while the records are read") << true;
        QTest::newRow("while the pages are made") << false;
    }
    void cancelledLeavesNothing()
    {
        QFETCH(bool, atOnce);
        FormArchive->SelectTester(0);
        QVERIFY(Settled());
        QSignalSpy finished(FormArchive->Report, &TReportRun::Finished);
        const QString pdf = SaveReport("cancelled.pdf");
        QVERIFY(FormArchive->Report->Running());
        // Up at once and modal: the selection cannot change under it.
        QVERIFY(Box() && Box()->isVisible());
        QCOMPARE(Box()->windowModality(), Qt::ApplicationModal);
        if (atOnce)
            ClickCancel(Box());
        else
            QVERIFY(QTest::qWaitFor(
                [] {
                    QProgressDialog *box = Box();
                    if (box && box->labelText().startsWith(QStringLiteral("Making the report")))
                        ClickCancel(box);
                    return !FormArchive->Report->Running();
                },
                30000));
        QVERIFY(Settled());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(fx->TakeTexts(), QStringList());
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(!Box());

        // What the cancelled report still had coming is dropped: the next
        // one is made whole, of its own selection.
        FormArchive->SelectTester(2);
        QVERIFY(Settled());
        const QString next = SaveReport("next.pdf");
        QVERIFY(Settled());
        QCOMPARE(fx->TakeTexts(), QStringList());
        QCOMPARE(finished.count(), 2);
        const QString text = DocumentText(next);
        QVERIFY(HasLine(text, QStringLiteral("Records  ") + GroupedCount(FRecordsB.size())));
        QVERIFY(!text.contains(QStringLiteral("SN0000001")));
        QVERIFY(!QFile::exists(pdf));
    }

    void failureIsTold()
    {
        const QString pdf = fx->Dir() + QStringLiteral("/no such folder/report.pdf");
        fx->ChosenFiles << pdf;
        Item(0)->trigger();
        QVERIFY(Settled());
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Failure"));
        QVERIFY2(fx->Messages[0].text.startsWith(QStringLiteral("Report not made : ")),
                 qPrintable(fx->Messages[0].text));
        QVERIFY(!QFile::exists(pdf));
        QVERIFY(!Box());
    }

    void nothingAskedWhenTheDialogIsCancelled()
    {
        Item(0)->trigger();
        QVERIFY(!FormArchive->Report->Running());
        SetPrintDialogHandler([](QPrinter &, QWidget *) { return false; });
        Item(1)->trigger();
        SetPrintDialogHandler({});
        QVERIFY(!FormArchive->Report->Running());
        QCOMPARE(fx->TakeTexts(), QStringList());
        QVERIFY(!Box());
    }
};

QTEST_MAIN(TestArchiveReport)
#include "tst_archivereport.moc"
