// The archive window as a daily tool: the calibration interval typed and
// what "Set" says it did, one style for dates and counts, the chart's unit
// (kept from one start to the next) and title, printouts that say what they
// hold, and the import's progress counting the records of every chosen file.

#include "archivefixture.h"
#include "guifixture.h"
#include "pdftext.h"

#include "archive/Archive.h"
#include "archive/archivemodel.h"
#include "archive/chartunitfile.h"
#include "archive/readingchart.h"
#include "archive/verifywords.h"
#include "kit/cspinedit.h"
#include "kit/printdialog.h"
#include "records/datelist.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

namespace {

// Records of a tester as one that writes its dates with slashes and its
// times with colons.
GridRows SlashedRecords(int first, int count)
{
    GridRows rows = ArchiveFixture::Records(first, count);
    for (GridRow &row : rows) {
        row[1].replace(QStringLiteral(" - "), QStringLiteral(" / "));
        row[2].replace(u'.', u':');
    }
    return rows;
}

} // namespace

class TestArchiveUse : public GuiTest
{
    Q_OBJECT

    GridRows FMostlyMg;

    static bool Settled()
    {
        return QTest::qWaitFor([] { return !FormArchive->Busy(); });
    }
    void Open()
    {
        FormArchive->close();
        FormMain->BitBtn7->click();
        QVERIFY(FormArchive->isVisible());
        QVERIFY(Settled());
        fx->Messages.clear();
    }
    static int StoredMonths()
    {
        ArchiveError error;
        return ArchiveFixture::OpenChosen(QString(), &error)->CalibrationMonths(&error).value_or(0);
    }

private slots:
    void initTestCase()
    {
        GuiTest::initTestCase();
        ArchiveError error;
        std::unique_ptr<ArchiveStore> store = ArchiveFixture::OpenChosen(QString(), &error);
        QVERIFY2(store, qPrintable(Said(error)));
        // Twelve testers: more than the list shows at once.
        for (int t = 0; t < 12; ++t) {
            const QString serial = QStringLiteral("SN%1").arg(4711000 + t);
            const GridRows rows = t % 2 ? SlashedRecords(t * 100, 100 + t * 100)
                                        : ArchiveFixture::Records(t * 100, 100 + t * 100);
            QVERIFY(store->Add(ArchiveFixture::Tester(serial, "2010-03-01"), rows, &error));
        }
        // And one whose readings are mostly in mg/L.
        FMostlyMg = ArchiveFixture::Records(3000, 200);
        for (int i = 0; i < FMostlyMg.size(); ++i)
            if (i % 5 != 0)
                FMostlyMg[i][3] = QStringLiteral("0.%1 mg/L").arg(100 + i);
        QVERIFY(store->Add(ArchiveFixture::Tester(QStringLiteral("SN9990001")), FMostlyMg, &error));
    }
    void init() { Open(); }

    void calibrationIntervalTyped_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("enter"); // Enter in the box instead of "Set"
        QTest::addColumn<QString>("said");
        QTest::addColumn<int>("stored");
        const QString range = QStringLiteral("The calibration interval must be 1 to 120 months");
        QTest::newRow("24, no twelve clicks")
            << "24" << false << "Calibration interval set to 24 months" << 24;
        QTest::newRow("Enter sets it")
            << "36" << true << "Calibration interval set to 36 months" << 36;
        QTest::newRow("one month") << "1" << false << "Calibration interval set to 1 month" << 1;
        QTest::newRow("the longest")
            << "120" << false << "Calibration interval set to 120 months" << 120;
        QTest::newRow("nothing to change")
            << "12" << false << "Calibration interval is already 12 months" << 12;
        QTest::newRow("letters are not taken")
            << "1x8" << false << "Calibration interval set to 18 months" << 18;
        QTest::newRow("zero") << "0" << false << range << 12;
        QTest::newRow("too long") << "121" << false << range << 12;
        QTest::newRow("four digits at most") << "12000" << true << range << 12;
        QTest::newRow("nothing typed") << "" << false << range << 12;
    }
    void calibrationIntervalTyped()
    {
        QFETCH(QString, typed);
        QFETCH(bool, enter);
        QFETCH(QString, said);
        QFETCH(int, stored);
        {
            ArchiveError error;
            QVERIFY(
                ArchiveFixture::OpenChosen(QString(), &error)->SetCalibrationMonths(12, &error));
        }
        Open();
        QLineEdit *box = FormArchive->CSpinEdit1->Editor();
        box->selectAll();
        QTest::keyClick(box, Qt::Key_Delete);
        QTest::keyClicks(box, typed);
        if (enter)
            QTest::keyClick(box, Qt::Key_Return);
        else
            FormArchive->Button6->click();
        QVERIFY(Settled());
        QCOMPARE(fx->TakeTexts(), QStringList{said});
        QCOMPARE(fx->Messages.isEmpty(), true);
        QCOMPARE(StoredMonths(), stored);
        // The arrows go on from what was typed.
        if (stored != 12) {
            FormArchive->CSpinEdit1->DownButton()->click();
            QCOMPARE(FormArchive->CSpinEdit1->Value(), std::max(1, stored - 1));
        }
    }

    void oneStyleForDatesAndCounts()
    {
        // Six testers' records are dated with slashes, six with dashes: the
        // list shows them all as the results window writes dates, and the
        // times as they are stored.
        FormArchive->SelectTester(2);
        QVERIFY(Settled());
        const QModelIndex date = FormArchive->Records->index(0, 1);
        const QString stored = date.data().toString();
        QVERIFY2(stored.contains(QStringLiteral(" / ")), qPrintable(stored));
        const auto *dates =
            qobject_cast<QStyledItemDelegate *>(FormArchive->StringGrid2->itemDelegateForColumn(1));
        QVERIFY(dates);
        QCOMPARE(dates->displayText(date.data(), {}),
                 QString(stored).replace(QStringLiteral(" / "), QStringLiteral(" - ")));
        QCOMPARE(FormArchive->StringGrid2->itemDelegateForColumn(2), nullptr);
        QVERIFY(FormArchive->Records->index(0, 2).data().toString().count(u':') == 2);

        // Counts grouped alike everywhere.
        FormArchive->SelectTester(0);
        QVERIFY(Settled());
        QCOMPARE(FormArchive->Label5->text(), QStringLiteral("8,000 records"));
        QCOMPARE(FormArchive->StringGrid1->item(0, 2)->text(), QStringLiteral("8,000"));
        QCOMPARE(FormArchive->StringGrid1->item(12, 2)->text(), QStringLiteral("1,200"));
        const QRegularExpression dayStyle(QStringLiteral("^\\d\\d - [A-Z][a-z][a-z] - \\d{4}$"));
        const QRegularExpression momentStyle(
            QStringLiteral("^\\d\\d - [A-Z][a-z][a-z] - \\d{4} \\d\\d:\\d\\d$"));
        for (int row = 0; row < FormArchive->StringGrid1->rowCount(); ++row) {
            for (int col : {3, 4})
                QVERIFY(
                    dayStyle.match(FormArchive->StringGrid1->item(row, col)->text()).hasMatch());
            QVERIFY2(momentStyle.match(FormArchive->StringGrid1->item(row, 5)->text()).hasMatch(),
                     qPrintable(FormArchive->StringGrid1->item(row, 5)->text()));
        }
    }

    // The chart's unit is the most common of the selection until the
    // operator picks one, which stays picked; a reading filter names it. Its
    // bars count every test, its title names the selection.
    void chartOfTheSelection()
    {
        TReadingChart *chart = FormArchive->Chart1;
        FormArchive->SelectTester(13);
        QVERIFY(Settled());
        QCOMPARE(chart->Unit(), QStringLiteral("mg/L"));
        QCOMPARE(FormArchive->ComboBox5->currentText(), QStringLiteral("mg/L"));
        qsizetype inMg = 0;
        for (const GridRow &row : FMostlyMg)
            inMg += row[3].endsWith(QLatin1String("mg/L"));
        QVERIFY(inMg > 150);
        QCOMPARE(chart->Points().size(), inMg);
        qint64 tests = 0;
        for (const PeriodBar &bar : chart->Data().Bars(ChartPeriod::Month))
            tests += bar.tests;
        QCOMPARE(tests, 200);
        QCOMPARE(ChartHeading(chart->Unit(), chart->Title()),
                 QStringLiteral("Readings in mg/L, SN9990001"));
        FormArchive->SelectTester(1);
        QVERIFY(Settled());
        QCOMPARE(chart->Unit(), QStringLiteral("%BAC"));
        QCOMPARE(chart->Title().tester, QStringLiteral("SN4711000"));

        // Picked, and kept for the next selection.
        FormArchive->ComboBox5->setCurrentIndex(FormArchive->ComboBox5->findText("mg/L"));
        emit FormArchive->ComboBox5->activated(FormArchive->ComboBox5->currentIndex());
        QVERIFY(Settled());
        QCOMPARE(chart->Unit(), QStringLiteral("mg/L"));
        FormArchive->SelectTester(0);
        QVERIFY(Settled());
        QCOMPARE(chart->Unit(), QStringLiteral("mg/L"));
        QCOMPARE(ChartHeading(chart->Unit(), chart->Title()),
                 QStringLiteral("Readings in mg/L, all testers"));

        // The filter in the title, its unit the chart's.
        FormArchive->CheckBox3->click();
        FormArchive->ComboBox3->setCurrentIndex(FormArchive->ComboBox3->findText("%BAC"));
        emit FormArchive->ComboBox3->activated(FormArchive->ComboBox3->currentIndex());
        FormArchive->CheckBox2->click();
        ShowOnlyItem(FormArchive->ComboBox1, QStringLiteral("2010-02-01"));
        ShowOnlyItem(FormArchive->ComboBox2, QStringLiteral("2010-06-30"));
        FormArchive->CheckBox4->click();
        FormArchive->ComboBox4->setCurrentIndex(1);
        FormArchive->Button1->click();
        QVERIFY(Settled());
        QCOMPARE(chart->Unit(), QStringLiteral("%BAC"));
        QVERIFY(!FormArchive->ComboBox5->isEnabled());
        const QString subheading = ChartSubheading(chart->Data(), chart->View(), chart->Title());
        QVERIFY2(subheading.startsWith(QStringLiteral("01 - Feb - 2010 to 30 - Jun - 2010, "
                                                      "Reading 0.000 to 0.500 %BAC; Test "
                                                      "Result FAIL")),
                 qPrintable(subheading));
        for (const ChartReading &r : chart->Points())
            QVERIFY(r.fail);

        // Saved as a document, the title comes with it, and last the
        // fingerprint of the filtered selection.
        const QString pdf = fx->Dir() + QStringLiteral("/chart.pdf");
        fx->ChosenFiles << pdf;
        FormArchive->Button2->click();
        QVERIFY(Settled());
        QCOMPARE(fx->TakeTexts(), QStringList());
        ArchiveError error;
        const std::optional<SelectionSeal> seal = ArchiveFixture::OpenChosen(QString(), &error)
                                                      ->Seal(FormArchive->Records->Query(), &error);
        QVERIFY2(seal, qPrintable(Said(error)));
        QCOMPARE(seal->records, FormArchive->Records->Records());
        QCOMPARE(LastLines(DocumentText(pdf), 2), SelectionSealLines(*seal));
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {pdf, QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString said = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY2(said.contains(QStringLiteral("Readings in %BAC, all testers")), qPrintable(said));
        QVERIFY(said.contains(QStringLiteral("Test Result FAIL")));
    }

    // The unit picked stays picked from one start to the next. A selection
    // without readings in it starts in its most common unit instead, and
    // the unit stays remembered for the selections that have them.
    void chartUnitKeptFromStartToStart()
    {
        const auto pick = [](const char *unit) {
            FormArchive->ComboBox5->setCurrentIndex(FormArchive->ComboBox5->findText(unit));
            emit FormArchive->ComboBox5->activated(FormArchive->ComboBox5->currentIndex());
            QVERIFY(Settled());
        };
        const auto select = [](int row) {
            FormArchive->SelectTester(row);
            QVERIFY(Settled());
        };
        const auto shows = [](const char *unit) {
            return FormArchive->Chart1->Unit() == QLatin1String(unit) &&
                   FormArchive->ComboBox5->currentText() == QLatin1String(unit);
        };
        const auto restart = [this] {
            DestroyForms();
            ResetMainState();
            fx->CreateWindows();
            Open();
        };

        // Picked for a selection without a reading in it: shown all the
        // same, also when the list is sorted anew.
        select(0);
        pick("g/L");
        QVERIFY(shows("g/L"));
        emit FormArchive->StringGrid2->horizontalHeader()->sectionClicked(3);
        QVERIFY(Settled());
        QVERIFY(shows("g/L"));
        // At the next start no selection has one: each its most common unit.
        restart();
        QVERIFY(shows("%BAC"));
        select(13);
        QVERIFY(shows("mg/L"));

        // Picked where it is not the most common: so it comes up at the
        // next start, for every selection that has readings in it.
        select(1);
        QVERIFY(shows("%BAC"));
        pick("mg/L");
        QVERIFY(shows("mg/L"));
        restart();
        QVERIFY(shows("mg/L"));
        select(1);
        QVERIFY(shows("mg/L"));
        QCOMPARE(fx->TakeTexts(), QStringList());

        // A start directory that cannot keep it: the unit is shown, and
        // nothing is said.
        const QString kept = QDir(fx->Dir()).filePath(QLatin1String(ChartUnitFileName));
        QVERIFY(QFile::remove(kept) && QDir().mkdir(kept));
        pick("ug/L");
        QVERIFY(shows("ug/L"));
        QCOMPARE(fx->TakeTexts(), QStringList());
        QVERIFY(QDir().rmdir(kept));
    }

    // Every page of a printed selection says what it holds and which page
    // of how many it is.
    void printoutExplainsItself()
    {
        FormArchive->SelectTester(13);
        FormArchive->CheckBox4->click();
        FormArchive->ComboBox4->setCurrentIndex(0);
        FormArchive->Button1->click();
        QVERIFY(Settled());
        const qint64 records = FormArchive->Records->Records();
        QVERIFY(records > 64);
        const QString pdf = fx->Dir() + QStringLiteral("/printed.pdf");
        SetPrintDialogHandler([&](QPrinter &printer, QWidget *) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        FormArchive->BitBtn3->click();
        QVERIFY(Settled());
        SetPrintDialogHandler({});
        QCOMPARE(fx->TakeTexts(), QStringList());
        const QString today = QDate::currentDate().toString(QStringLiteral("dd"));
        const int pages = int((records + 63) / 64);
        for (int page = 1; page <= pages + 1; ++page) {
            QProcess text;
            text.start(QStringLiteral("pdftotext"),
                       {"-f", QString::number(page), "-l", QString::number(page), pdf, "-"});
            QVERIFY(text.waitForFinished(30000));
            const QString said = QString::fromUtf8(text.readAllStandardOutput());
            if (page > pages) {
                QVERIFY(said.isEmpty());
                break;
            }
            for (const QString &line :
                 {QStringLiteral("Archived records"), QStringLiteral("Tester : SN9990001"),
                  QStringLiteral("Filter : Test Result PASS"), QStringLiteral("Period : all dates"),
                  QStringLiteral("Records : ") + QString::number(records),
                  QStringLiteral("Printed : ") + today,
                  QStringLiteral("page %1 of %2").arg(page).arg(pages)})
                QVERIFY2(said.contains(line),
                         qPrintable(line + QStringLiteral(" on page ") + QString::number(page)));
        }
    }

    void importCountsTheRecordsOfEveryFile()
    {
        QStringList paths;
        const int counts[] = {9000, 15000, 6000};
        int first = 50000;
        for (int count : counts) {
            paths << ArchiveFixture::DataFile(
                fx->Dir() + QStringLiteral("/import%1.DAT").arg(paths.size()), first, count);
            first += count;
        }
        // What the box shows while the files come in.
        int range = -1;
        QStringList labels;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (auto *box = FormArchive->findChild<QProgressDialog *>()) {
                if (auto *bar = box->findChild<QProgressBar *>())
                    range = std::max(range, bar->maximum());
                const QString text = box->labelText();
                if (!text.isEmpty() && !labels.contains(text))
                    labels << text;
            }
        });
        watch.start(5);
        fx->ChosenFiles << paths.join(u'\n');
        FormArchive->BitBtn4->click();
        QVERIFY(Settled());
        watch.stop();
        QCOMPARE(range, 30000);
        QVERIFY(!labels.isEmpty());
        for (const QString &label : labels)
            QVERIFY2(QRegularExpression(QStringLiteral("^File [1-3] of 3 : import[0-2]\\.DAT\\n"
                                                       "[0-9,]+ of 30,000 records$"))
                         .match(label)
                         .hasMatch(),
                     qPrintable(label));
        QCOMPARE(fx->TakeTexts(), QStringList{"Files read : 3\nRecords added : 30,000\n"
                                              "Records already there : 0\nFiles refused : 0"});
    }
};

QTEST_MAIN(TestArchiveUse)
#include "tst_archiveuse.moc"
