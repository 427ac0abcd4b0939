// The audit trail window, opened from the archive window: the batches and
// audit entries of the archive in time order with their PC and user,
// filtered by tester and date, saved as a tab-separated file byte for byte,
// and printed under a title and the filter in words.

#include "archivefixture.h"
#include "guifixture.h"
#include "modalsteps.h"
#include "pdftext.h"

#include "archive/Archive.h"
#include "archive/AuditTrail.h"
#include "kit/printdialog.h"
#include "records/datelist.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <memory>

namespace {
// Moments of this PC's clock, in ms since the epoch.
qint64 At(int year, int month, int day, int hour)
{
    return QDateTime(QDate(year, month, day), QTime(hour, 0)).toMSecsSinceEpoch();
}

const QString Hash(64, u'a');
} // namespace

class TestAuditTrail : public GuiTest
{
    Q_OBJECT
    QString FPath;

    QStringList Column(int col) const
    {
        QStringList texts;
        for (int r = 0; r < FormAuditTrail->StringGrid1->rowCount(); ++r)
            texts << FormAuditTrail->StringGrid1->item(r, col)->text();
        return texts;
    }
    static bool Read()
    {
        return QTest::qWaitFor([] { return !FormAuditTrail->Reading(); });
    }

private slots:
    void initTestCase()
    {
        GuiTest::initTestCase();
        FPath = fx->Dir() + QStringLiteral("/trail.sqlite");
        qputenv(ArchiveEnvironment, "sqlite:" + FPath.toLocal8Bit());
        ArchiveError error;
        {
            std::unique_ptr<ArchiveStore> store = ArchiveFixture::OpenChosen(fx->Dir(), &error);
            QVERIFY2(store, qPrintable(Said(error)));
            QVERIFY(store->Add(ArchiveFixture::Tester("SN0000001"), ArchiveFixture::Records(0, 10),
                               &error));
            QVERIFY(store->Add(ArchiveFixture::Tester("SN0000002"), ArchiveFixture::Records(0, 5),
                               &error));
        }
        // The entries as other PCs left them; the archive's own batches of
        // the records above come after them.
        const QString batch =
            "INSERT INTO batches (tester_id, number, made_at, pc, os_user, kind, source, added,"
            " already, fingerprints, prev_hash, hash) SELECT id, %1, %2, '%3', 'anna', '%4',"
            " '%5', %6, %7, '', '', '" +
            Hash + "%1' FROM testers WHERE serial_number = '%8'";
        const QString audit = "INSERT INTO audit (at, pc, os_user, kind, tester_id, details,"
                              " cutoff, count, fingerprint) VALUES (%1, 'PC-9', 'ben', '%2', %3,"
                              " '%4', %5, %6, '%7')";
        ArchiveFixture::RunOn(
            FPath,
            {batch.arg(101)
                 .arg(At(2021, 3, 1, 9))
                 .arg("PC-7", "download", "")
                 .arg(10)
                 .arg(0)
                 .arg("SN0000001"),
             batch.arg(102)
                 .arg(At(2021, 6, 1, 9))
                 .arg("PC-7", "import", "old tests.DAT")
                 .arg(5)
                 .arg(2)
                 .arg("SN0000002"),
             audit.arg(At(2021, 7, 1, 9))
                 .arg("deletion", "(SELECT id FROM testers WHERE serial_number = 'SN0000001')",
                      "cut-off 20110101", "20110101")
                 .arg(1509)
                 .arg(Hash),
             audit.arg(At(2022, 1, 5, 9))
                 .arg("setting", "NULL", "retention_years 5 -> 7", "NULL")
                 .arg(0)
                 .arg(""),
             audit.arg(At(2022, 2, 5, 9))
                 .arg("deletion", "NULL", "cut-off 20120101", "20120101")
                 .arg(20)
                 .arg(Hash)});
    }
    void init()
    {
        FormArchive->close();
        FormMain->BitBtn7->click();
        QTRY_VERIFY(!FormArchive->Busy());
        FormArchive->SelectTester(0);
        QTRY_VERIFY(!FormArchive->Busy());
        fx->Messages.clear();
    }

    void filtered_data()
    {
        QTest::addColumn<int>("tester"); // item of the tester filter
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QStringList>("entries"); // entry and details of each row
        QTest::addColumn<QString>("count");
        const QString download = "Download 10 new, 0 already there";
        const QString import = "Import 5 new, 2 already there old tests.DAT";
        const QString deletion = "Deletion 1,509 deleted dated before 01 - Jan - 2011";
        const QString setting = "Setting  Keep records at least 5 -> 7 years";
        const QString all = "Deletion 20 deleted dated before 01 - Jan - 2012";
        QTest::newRow("everything, 2021 and 2022")
            << 0 << "2021-01-01"
            << "2022-12-31" << QStringList{download, import, deletion, setting, all} << "5 entries";
        QTest::newRow("a tester and what was done to all")
            << 1 << "2021-01-01"
            << "2022-12-31" << QStringList{download, deletion, setting, all} << "4 entries";
        QTest::newRow("the other tester")
            << 2 << "2021-01-01"
            << "2022-12-31" << QStringList{import, setting, all} << "3 entries";
        QTest::newRow("one day, to its end") << 0 << "2021-07-01"
                                             << "2021-07-01" << QStringList{deletion} << "1 entry";
        QTest::newRow("nothing") << 0 << "2020-01-01"
                                 << "2020-12-31" << QStringList() << "0 entries";
    }
    void filtered()
    {
        QFETCH(int, tester);
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QStringList, entries);
        QFETCH(QString, count);
        ModalSteps steps;
        QStringList shown;
        steps.On(FormAuditTrail, [&] {
            QVERIFY(Read());
            QCOMPARE(FormAuditTrail->windowTitle(), QStringLiteral("Audit Trail"));
            // Unfiltered at first: the five entries, then the archive's own
            // two batches (with no batches kept for them yet, none).
            QVERIFY(FormAuditTrail->Entries().size() >= 5);
            FormAuditTrail->ComboBox1->setCurrentIndex(tester);
            FormAuditTrail->CheckBox1->click();
            ShowOnlyItem(FormAuditTrail->ComboBox2, from);
            ShowOnlyItem(FormAuditTrail->ComboBox3, to);
            FormAuditTrail->Button1->click();
            QVERIFY(Read());
            for (int r = 0; r < FormAuditTrail->StringGrid1->rowCount(); ++r)
                shown << (FormAuditTrail->StringGrid1->item(r, 1)->text() + " " +
                          FormAuditTrail->StringGrid1->item(r, 3)->text() + " " +
                          FormAuditTrail->StringGrid1->item(r, 6)->text())
                             .trimmed();
            QCOMPARE(FormAuditTrail->Label3->text(), count);
            QTest::keyClick(FormAuditTrail->StringGrid1, Qt::Key_Escape);
        });
        FormArchive->Button8->click();
        QVERIFY(steps.Done());
        QCOMPARE(shown, entries);
        QCOMPARE(fx->TakeTexts(), QStringList());
    }

    void savedByteForByte()
    {
        const QString path = fx->Dir() + QStringLiteral("/trail");
        fx->ChosenFiles << path;
        ModalSteps steps;
        steps.On(FormAuditTrail, [&] {
            QVERIFY(Read());
            FormAuditTrail->ComboBox1->setCurrentIndex(1);
            FormAuditTrail->CheckBox1->click();
            ShowOnlyItem(FormAuditTrail->ComboBox2, "2021-07-01");
            ShowOnlyItem(FormAuditTrail->ComboBox3, "2022-01-05");
            FormAuditTrail->Button1->click();
            QVERIFY(Read());
            FormAuditTrail->BitBtn1->click();
            FormAuditTrail->close();
        });
        FormArchive->Button8->click();
        QVERIFY(steps.Done());
        QCOMPARE(fx->TakeTexts(), QStringList());
        QCOMPARE(fx->FileRequests.last().defaultExt, QStringLiteral("tsv"));
        QCOMPARE(ArchiveFixture::Bytes(path + ".tsv"),
                 "\xEF\xBB\xBF"
                 "Time\tEntry\tTester\tRecords\tAlready there\tPC\tUser\tDetails\tFingerprint\r\n"
                 "2021-07-01 09:00:00\tDeletion\tSN0000001\t1509\t\tPC-9\tben\tdated before 01 "
                 "- Jan - 2011\t" +
                     Hash.toLatin1() +
                     "\r\n"
                     "2022-01-05 09:00:00\tSetting\t\t\t\tPC-9\tben\tKeep records at least 5 -> 7 "
                     "years\t\r\n");
    }

    void printedUnderItsFilter()
    {
        const QString pdf = fx->Dir() + QStringLiteral("/trail.pdf");
        SetPrintDialogHandler([&](QPrinter &printer, QWidget *) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            return true;
        });
        ModalSteps steps;
        steps.On(FormAuditTrail, [&] {
            QVERIFY(Read());
            FormAuditTrail->ComboBox1->setCurrentIndex(2);
            FormAuditTrail->Button1->click();
            QVERIFY(Read());
            FormAuditTrail->BitBtn2->click();
            FormAuditTrail->close();
        });
        FormArchive->Button8->click();
        SetPrintDialogHandler({});
        QVERIFY(steps.Done());
        const QString text = PageText(pdf, 1);
        for (const char *said : {"Audit trail", "Tester : SN0000002 and all testers", "Dates : all",
                                 "PC-7 / anna", "old tests.DAT", "page 1 of 1"})
            QVERIFY2(text.contains(QLatin1String(said)), said);
        QVERIFY(!text.contains(QLatin1String("SN0000001")));
    }
};

QTEST_MAIN(TestAuditTrail)
#include "tst_audittrail.moc"
