// The archive window for a whole site: testers due for calibration by the
// interval kept in the archive, the filter of testers due, and old records
// deleted behind the administrator password.

#include "archivefixture.h"
#include "guifixture.h"
#include "modalsteps.h"

#include "admin/Massge1.h"
#include "admin/Password.h"
#include "archive/Archive.h"
#include "archive/archivemodel.h"
#include "device/Tdate.h"
#include "device/ccalendar.h"
#include "device/cspinedit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <memory>

namespace {
QString Day(const QDate &date)
{
    return date.toString(QStringLiteral("yyyy-MM-dd"));
}
} // namespace

class TestArchiveSite : public QObject
{
    Q_OBJECT

    std::unique_ptr<GuiFixture> fx;
    int FArchives = 0;

    // A new archive holding these testers (serial, last calibration), each
    // with its records.
    void NewArchive(const QList<std::pair<QString, QString>> &testers,
                    const QList<GridRows> &records)
    {
        FormArchive->close();
        QTRY_VERIFY(!FormArchive->ChartLoading());
        const QString path = fx->Dir() + QStringLiteral("/site%1.sqlite").arg(++FArchives);
        qputenv(ArchiveEnvironment, "sqlite:" + path.toLocal8Bit());
        QString error;
        std::unique_ptr<ArchiveStore> store = OpenChosenArchive(&error);
        QVERIFY2(store, qPrintable(error));
        for (int i = 0; i < testers.size(); ++i)
            QVERIFY2(store->Add(ArchiveFixture::Tester(testers[i].first, testers[i].second),
                                records.value(i, ArchiveFixture::Records(0, 1)), &error),
                     qPrintable(error));
        store.reset();
        FormMain->BitBtn7->click();
        QVERIFY(FormArchive->isVisible());
        QTRY_VERIFY(!FormArchive->ChartLoading());
        fx->Messages.clear();
    }

    QStringList Column(int col)
    {
        QStringList texts;
        for (int row = 0; row < FormArchive->StringGrid1->rowCount(); ++row)
            texts << FormArchive->StringGrid1->item(row, col)->text();
        return texts;
    }

    qint64 ArchivedRecords()
    {
        QString error;
        std::unique_ptr<ArchiveStore> store = OpenChosenArchive(&error);
        return store ? store->Count({}, &error).value_or(-1) : -1;
    }

private slots:
    void initTestCase()
    {
        fx = std::make_unique<GuiFixture>();
        fx->CreateWindows();
    }
    void cleanupTestCase() { fx.reset(); }

    // The interval is set in the window, kept in the archive for every PC,
    // and judged to the day: on the day the interval ends a tester is still
    // current.
    void calibrationDueAtTheEdges_data()
    {
        const QDate today = QDate::currentDate();
        QTest::addColumn<int>("months");
        QTest::addColumn<QString>("calibration");
        QTest::addColumn<bool>("due");
        QTest::newRow("12 months to the day") << 12 << Day(today.addMonths(-12)) << false;
        QTest::newRow("12 months and a day") << 12 << Day(today.addMonths(-12).addDays(-1)) << true;
        QTest::newRow("calibrated today") << 1 << Day(today) << false;
        QTest::newRow("6 months, 7 ago") << 6 << Day(today.addMonths(-7)) << true;
        QTest::newRow("24 months, 13 ago") << 24 << Day(today.addMonths(-13)) << false;
        QTest::newRow("as a record's date") << 120 << "15 - Mar - 2011" << true;
        QTest::newRow("unreadable") << 12 << "unknown" << true;
    }
    void calibrationDueAtTheEdges()
    {
        QFETCH(int, months);
        QFETCH(QString, calibration);
        QFETCH(bool, due);
        NewArchive({{"SN0000001", calibration}}, {});
        QCOMPARE(FormArchive->CSpinEdit1->Value(), DefaultCalibrationMonths);
        FormArchive->CSpinEdit1->SetValue(months);
        FormArchive->Button6->click();
        QCOMPARE(fx->TakeTexts(), QStringList({"Setting complete!!!"}));
        QCOMPARE(Column(1).value(1), due ? calibration + " due" : calibration);

        FormArchive->CheckBox5->click();
        QCOMPARE(Column(0),
                 due ? QStringList({"all testers", "SN0000001"}) : QStringList({"all testers"}));

        // Kept in the archive: another program reads it, the window shows it again.
        QString error;
        QCOMPARE(OpenChosenArchive(&error)->CalibrationMonths(&error).value_or(0), months);
        FormArchive->close();
        FormMain->BitBtn7->click();
        QCOMPARE(FormArchive->CSpinEdit1->Value(), months);
        QVERIFY(!FormArchive->CheckBox5->isChecked());
    }

    // Only the testers due are listed; all testers stay one entry above them.
    void dueFilter()
    {
        const QDate today = QDate::currentDate();
        NewArchive({{"SN0000001", Day(today.addMonths(-2))},
                    {"SN0000002", "2011-03-15"},
                    {"SN0000003", Day(today)},
                    {"SN0000004", Day(today.addYears(-3))}},
                   {ArchiveFixture::Records(0, 3), ArchiveFixture::Records(0, 4),
                    ArchiveFixture::Records(0, 5), ArchiveFixture::Records(0, 6)});
        QCOMPARE(Column(1).mid(1), QStringList({Day(today.addMonths(-2)), "2011-03-15 due",
                                                Day(today), Day(today.addYears(-3)) + " due"}));
        FormArchive->SelectTester(2);
        QCOMPARE(FormArchive->Label2->text(), QStringLiteral("4 records"));

        FormArchive->CheckBox5->click();
        QCOMPARE(Column(0), QStringList({"all testers", "SN0000002", "SN0000004"}));
        QCOMPARE(Column(2).value(0), QStringLiteral("18"));
        // The selected tester is still listed and still selected.
        QCOMPARE(FormArchive->StringGrid1->currentRow(), 1);
        QCOMPARE(FormArchive->Label2->text(), QStringLiteral("4 records"));
        FormArchive->SelectTester(2);
        QCOMPARE(FormArchive->Testers().value(1).serialNumber, QStringLiteral("SN0000004"));
        QCOMPARE(FormArchive->Label2->text(), QStringLiteral("6 records"));

        FormArchive->CheckBox5->click();
        QCOMPARE(Column(0).size(), 5);
        QCOMPARE(FormArchive->Label2->text(), QStringLiteral("6 records"));
        QCOMPARE(fx->TakeTexts(), QStringList());
    }

    // Old records go only behind the right password, after a Yes that was
    // told how many; the count of what went is reported.
    void retention_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("tester"); // row of the tester list
        QTest::addColumn<QString>("before");
        QTest::addColumn<int>("answer"); // 1 Yes, 0 No, -1 no question
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<int>("left");
        const QString yes = "Are you sure you want to delete %1 records before %2?";
        const QString right = QLatin1String(DefaultAdminPassword);
        QTest::newRow("all testers, Yes")
            << right << 0 << "2010-02-01" << 1
            << QStringList{yes.arg(46).arg("2010-02-01"), "46 records deleted!!!"} << 24;
        QTest::newRow("one tester, Yes")
            << right << 2 << "2010-02-01" << 1
            << QStringList{yes.arg(18).arg("2010-02-01"), "18 records deleted!!!"} << 52;
        QTest::newRow("No") << right << 0 << "2010-02-01" << 0
                            << QStringList{yes.arg(46).arg("2010-02-01")} << 70;
        QTest::newRow("nothing that old")
            << right << 0 << "2009-12-31" << -1 << QStringList{"No Data !!!"} << 70;
        QTest::newRow("wrong password")
            << "0000" << 0 << QString() << -1 << QStringList{"Wrong password!!!"} << 70;
    }
    void retention()
    {
        QFETCH(QString, password);
        QFETCH(int, tester);
        QFETCH(QString, before);
        QFETCH(int, answer);
        QFETCH(QStringList, said);
        QFETCH(int, left);
        // From 1 January 2010 on, one a day: 28 of SN0000001 and 18 of
        // SN0000002 are dated before February.
        NewArchive({{"SN0000001", "2011-03-15"}, {"SN0000002", "2011-03-15"}},
                   {ArchiveFixture::Records(0, 40), ArchiveFixture::Records(10, 30)});
        FormArchive->SelectTester(tester);

        ModalSteps steps;
        steps.On(FormPassWord, [password] {
            QTest::keyClicks(FormPassWord->Edit1, password);
            QTest::keyClick(FormPassWord->Edit1, Qt::Key_Return);
            if (FormPassWord->isVisible())
                FormPassWord->close();
        });
        if (!before.isEmpty())
            steps.On(DateForm, [before] {
                const QDate date = QDate::fromString(before, QStringLiteral("yyyy-MM-dd"));
                DateForm->CCalendar1->SetDateElement(TCCalendar::Year, date.year());
                DateForm->CCalendar1->SetDateElement(TCCalendar::Month, date.month());
                DateForm->CCalendar1->SetDateElement(TCCalendar::Day, date.day());
                DateForm->close();
            });
        QString question;
        if (answer >= 0)
            steps.On(FormYesNo, [answer, &question] {
                question = FormYesNo->Label1->text();
                (answer ? FormYesNo->BitBtn1 : FormYesNo->BitBtn2)->click();
            });
        FormArchive->Button5->click();
        QVERIFY(steps.Done());
        QCOMPARE(AdminUnlocked, 0);
        QCOMPARE(ConfirmResult, 0);

        for (const ShownMessage &m : fx->Messages)
            QCOMPARE(m.caption, answer == 1 ? "Completion" : "Failure");
        QStringList seen = fx->TakeTexts();
        if (!question.isEmpty())
            seen.prepend(question);
        QCOMPARE(seen, said);
        QCOMPARE(ArchivedRecords(), left);
        FormArchive->SelectTester(0);
        QCOMPARE(FormArchive->Label2->text(), QStringLiteral("%1 records").arg(left));
    }
};

QTEST_MAIN(TestArchiveSite)
#include "tst_archivesite.moc"
