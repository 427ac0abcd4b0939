// "Delete Old…" in the archive window: behind the administrator password, one
// dialog that names the tester (all testers only when chosen there), takes
// the cut-off typed or picked, counts what would go as the choice changes,
// refuses a cut-off inside the minimum retention and says why, and asks a
// last question that names it all. Cancel and Escape delete nothing.

#include "archivefixture.h"
#include "guifixture.h"
#include "modalsteps.h"

#include "admin/Massge1.h"
#include "admin/Password.h"
#include "archive/Archive.h"
#include "archive/DeleteOld.h"
#include "archive/chartscale.h"
#include "archive/store/archivetrailread.h"
#include "device/Tdate.h"
#include "kit/ccalendar.h"
#include "kit/cspinedit.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QToolButton>
#include <memory>

namespace {
// SN0000001: 400 records, 336 of them dated 2010, and one dated today;
// SN0000002: 100 records dated 2010.
constexpr qint64 FirstTester2010 = 336;
constexpr qint64 SecondTester = 100;
constexpr qint64 AllRecords = 400 + 1 + SecondTester;

GridRow Today()
{
    const QDate today = QDate::currentDate();
    return {QStringLiteral("09999"),      DayText(today.toJulianDay()), QStringLiteral("08:00.00"),
            QStringLiteral("0.000 %BAC"), QStringLiteral("PASS"),       QStringLiteral("-")};
}

QString Question(qint64 count, const QString &of)
{
    return QStringLiteral("Delete %1 records of %2 dated before 01 - Jan - 2011?")
        .arg(count)
        .arg(of);
}
} // namespace

class TestDeleteOld : public GuiTest
{
    Q_OBJECT
    int FArchives = 0;

    // A new archive, shown with the tester of row selected (0: all testers).
    void NewArchive(int row)
    {
        FormArchive->close();
        QTRY_VERIFY(!FormArchive->Busy());
        const QString path = fx->Dir() + QStringLiteral("/old%1.sqlite").arg(++FArchives);
        qputenv(ArchiveEnvironment, "sqlite:" + path.toLocal8Bit());
        ArchiveError error;
        std::unique_ptr<ArchiveStore> store = ArchiveFixture::OpenChosen(fx->Dir(), &error);
        QVERIFY2(store, qPrintable(Said(error)));
        QVERIFY(store->Add(ArchiveFixture::Tester("SN0000001"),
                           ArchiveFixture::Records(0, 400) + GridRows{Today()}, &error));
        QVERIFY(store->Add(ArchiveFixture::Tester("SN0000002"), ArchiveFixture::Records(0, 100),
                           &error));
        store.reset();
        FormMain->BitBtn7->click();
        QTRY_VERIFY(!FormArchive->Busy());
        FormArchive->SelectTester(row);
        QTRY_VERIFY(!FormArchive->Busy());
        fx->Messages.clear();
    }
    qint64 Left()
    {
        ArchiveError error;
        return ArchiveFixture::OpenChosen(fx->Dir(), &error)->Count({}, &error).value_or(-1);
    }
    // The password given, then action in the dialog.
    static void Unlock(ModalSteps &steps)
    {
        steps.On(FormPassWord, [] {
            QTest::keyClicks(FormPassWord->Edit1, QLatin1String(DefaultAdminPassword));
            QTest::keyClick(FormPassWord->Edit1, Qt::Key_Return);
        });
    }
    // What the dialog says under the cut-off, its dates kept on one line.
    static QString Told() { return FormDeleteOld->Label4->text().replace(QChar::Nbsp, u' '); }
    static bool Counted()
    {
        return QTest::qWaitFor([] { return !FormDeleteOld->Busy(); });
    }

private slots:
    void opensOnTheSelectedTester_data()
    {
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("scope");
        QTest::addColumn<QString>("said");
        const QString latest =
            QDate::currentDate().addYears(-5).toString(QStringLiteral("yyyy-MM-dd"));
        QTest::newRow("a tester") << 2 << "Tester SN0000002"
                                  << QString::number(SecondTester) + " records dated before " +
                                         DayText(
                                             QDate::fromString(latest, Qt::ISODate).toJulianDay());
        // All testers are never where the dialog starts.
        QTest::newRow("all testers") << 0 << ""
                                     << "Choose the tester, or all testers";
    }
    void opensOnTheSelectedTester()
    {
        QFETCH(int, row);
        QFETCH(QString, scope);
        QFETCH(QString, said);
        NewArchive(row);
        ModalSteps steps;
        Unlock(steps);
        steps.On(FormDeleteOld, [&] {
            QCOMPARE(FormDeleteOld->windowTitle(), QStringLiteral("Delete Old"));
            QCOMPARE(FormDeleteOld->Label1->text(), QStringLiteral("Delete the records of :"));
            QCOMPARE(FormDeleteOld->Label2->text(), QStringLiteral("dated before :"));
            QCOMPARE(FormDeleteOld->Label3->text(),
                     QStringLiteral("Keep records at least 5 years"));
            QStringList items;
            for (int i = 0; i < FormDeleteOld->ComboBox1->count(); ++i)
                items << FormDeleteOld->ComboBox1->itemText(i);
            QCOMPARE(items, QStringList({"Tester SN0000001", "Tester SN0000002", "All 2 testers"}));
            QCOMPARE(FormDeleteOld->ComboBox1->currentText(), scope);
            // The latest day the retention allows, counted at once.
            QCOMPARE(FormDeleteOld->Edit1->text(),
                     QDate::currentDate().addYears(-5).toString(QStringLiteral("yyyy-MM-dd")));
            QVERIFY(Counted());
            QCOMPARE(Told(), said);
            QCOMPARE(FormDeleteOld->BitBtn1->isEnabled(), row != 0);
            QCOMPARE(FormDeleteOld->BitBtn1->text(), QStringLiteral("Delete"));
            QCOMPARE(FormDeleteOld->BitBtn2->text(), QStringLiteral("Cancel"));
            FormDeleteOld->BitBtn2->click();
        });
        FormArchive->Button5->click();
        QVERIFY(steps.Done());
        QCOMPARE(fx->TakeTexts(), QStringList());
        QCOMPARE(Left(), AllRecords);
    }

    // The minimum retention is changed in the dialog, behind its password.
    void retentionSetHere_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<int>("kept");
        QTest::addColumn<QString>("said");
        const QString range = QStringLiteral("The minimum retention must be 1 to 50 years");
        QTest::newRow("longer") << "7" << 7 << "Minimum retention set to 7 years";
        QTest::newRow("unchanged") << "5" << 5 << "Minimum retention is already 5 years";
        QTest::newRow("too long") << "51" << 5 << range;
        QTest::newRow("none") << "0" << 5 << range;
    }
    void retentionSetHere()
    {
        QFETCH(QString, typed);
        QFETCH(int, kept);
        QFETCH(QString, said);
        NewArchive(2);
        ModalSteps steps;
        Unlock(steps);
        steps.On(FormDeleteOld, [&] {
            QVERIFY(Counted());
            QLineEdit *box = FormDeleteOld->CSpinEdit1->Editor();
            box->selectAll();
            QTest::keyClicks(box, typed);
            FormDeleteOld->Button2->click();
            QTRY_COMPARE(fx->Messages.size(), 1);
            QCOMPARE(fx->TakeTexts(), QStringList{said});
            QCOMPARE(FormDeleteOld->Label3->text(),
                     QStringLiteral("Keep records at least %1 years").arg(kept));
            FormDeleteOld->BitBtn2->click();
        });
        FormArchive->Button5->click();
        QVERIFY(steps.Done());
        ArchiveError error;
        QCOMPARE(ArchiveFixture::OpenChosen(fx->Dir(), &error)->RetentionYears(&error).value_or(0),
                 kept);
        QCOMPARE(Left(), AllRecords);
    }

    void liveCount_data()
    {
        QTest::addColumn<int>("scope"); // item of the scope list
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("said");
        QTest::addColumn<bool>("deletable");
        const QDate latest = QDate::currentDate().addYears(-5);
        const QString refused = "Records are kept at least 5 years: the cut-off can be " +
                                DayText(latest.toJulianDay()) + " at the latest";
        QTest::newRow("tester") << 0 << "2011-01-01"
                                << "336 records dated before 01 - Jan - 2011" << true;
        QTest::newRow("typed as listed") << 0 << "01 - Jan - 2011"
                                         << "336 records dated before 01 - Jan - 2011" << true;
        QTest::newRow("all testers") << 2 << "2011-01-01"
                                     << "436 records dated before 01 - Jan - 2011" << true;
        QTest::newRow("nothing that old") << 1 << "2009-06-30"
                                          << "No records dated before 30 - Jun - 2009" << false;
        QTest::newRow("inside the retention, by a day")
            << 0 << latest.addDays(1).toString("yyyy-MM-dd") << refused << false;
        QTest::newRow("today") << 2 << QDate::currentDate().toString("yyyy-MM-dd") << refused
                               << false;
        QTest::newRow("no such day")
            << 0 << "2011-02-30"
            << "Type the day as 2021-01-01 or 01 - Jan - 2021, or pick it" << false;
    }
    void liveCount()
    {
        QFETCH(int, scope);
        QFETCH(QString, typed);
        QFETCH(QString, said);
        QFETCH(bool, deletable);
        NewArchive(1);
        ModalSteps steps;
        Unlock(steps);
        steps.On(FormDeleteOld, [&] {
            FormDeleteOld->ComboBox1->setCurrentIndex(scope);
            FormDeleteOld->Edit1->selectAll();
            QTest::keyClicks(FormDeleteOld->Edit1, typed);
            QVERIFY(Counted());
            QCOMPARE(Told(), said);
            QCOMPARE(FormDeleteOld->BitBtn1->isEnabled(), deletable);
            // A refusal is said in red.
            const bool red =
                FormDeleteOld->Label4->palette().color(QPalette::WindowText) == QColor(Qt::red);
            QCOMPARE(red, said.startsWith("Records are kept") || said.startsWith("Type"));
            QTest::keyClick(FormDeleteOld->Edit1, Qt::Key_Escape);
        });
        FormArchive->Button5->click();
        QVERIFY(steps.Done());
        QVERIFY(!FormDeleteOld->isVisible());
        QCOMPARE(fx->TakeTexts(), QStringList());
        QCOMPARE(Left(), AllRecords);
    }

    void pickedCutOff()
    {
        NewArchive(1);
        ModalSteps steps;
        Unlock(steps);
        steps.On(FormDeleteOld, [] { FormDeleteOld->Button1->click(); });
        steps.On(DateForm, [] {
            DateForm->CCalendar1->SetDateElement(TCCalendar::Year, 2011);
            DateForm->CCalendar1->SetDateElement(TCCalendar::Month, 1);
            DateForm->CCalendar1->SetDateElement(TCCalendar::Day, 1);
            DateForm->close();
        });
        steps.On(FormDeleteOld, [] {
            QCOMPARE(FormDeleteOld->Edit1->text(), QStringLiteral("2011-01-01"));
            QVERIFY(Counted());
            QCOMPARE(FormDeleteOld->Counted(), std::optional<qint64>(FirstTester2010));
            FormDeleteOld->close();
        });
        FormArchive->Button5->click();
        QTRY_VERIFY(steps.Done());
        QCOMPARE(Left(), AllRecords);
    }

    void lastQuestion_data()
    {
        QTest::addColumn<int>("row");   // selected in the archive window
        QTest::addColumn<int>("scope"); // chosen in the dialog; -1: as it opened
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QString>("question");
        QTest::addColumn<qint64>("left");
        QTest::newRow("a tester, Yes")
            << 1 << -1 << true << Question(FirstTester2010, "tester SN0000001")
            << AllRecords - FirstTester2010;
        QTest::newRow("all testers chosen, Yes")
            << 0 << 2 << true << Question(FirstTester2010 + SecondTester, "all 2 testers")
            << AllRecords - FirstTester2010 - SecondTester;
        QTest::newRow("No") << 2 << -1 << false << Question(SecondTester, "tester SN0000002")
                            << AllRecords;
    }
    void lastQuestion()
    {
        QFETCH(int, row);
        QFETCH(int, scope);
        QFETCH(bool, yes);
        QFETCH(QString, question);
        QFETCH(qint64, left);
        NewArchive(row);
        ModalSteps steps;
        Unlock(steps);
        QString asked;
        steps.On(FormDeleteOld, [&] {
            if (scope >= 0)
                FormDeleteOld->ComboBox1->setCurrentIndex(scope);
            FormDeleteOld->Edit1->setText(QStringLiteral("2011-01-01"));
            QVERIFY(Counted());
            FormDeleteOld->BitBtn1->click();
        });
        steps.On(FormYesNo, [&] {
            asked = FormYesNo->Label1->text();
            (yes ? FormYesNo->BitBtn1 : FormYesNo->BitBtn2)->click();
        });
        if (!yes)
            // No leaves the dialog open, to be changed or cancelled.
            steps.On(FormDeleteOld, [] { FormDeleteOld->BitBtn2->click(); });
        FormArchive->Button5->click();
        QTRY_VERIFY(steps.Done());
        QTRY_VERIFY(!FormArchive->Busy());
        QCOMPARE(asked, question);
        QCOMPARE(fx->TakeTexts(),
                 yes ? QStringList{QStringLiteral("%1 records deleted!!!").arg(AllRecords - left)}
                     : QStringList());
        QCOMPARE(Left(), left);
        // The deletion is in the trail with its tester, cut-off and count.
        ArchiveError error;
        std::unique_ptr<ArchiveStore> store = ArchiveFixture::OpenChosen(fx->Dir(), &error);
        const std::optional<QVector<TrailEntry>> trail = ArchiveTrail::Read(*store, {}, &error);
        QVERIFY2(trail, qPrintable(Said(error)));
        QStringList deletions;
        for (const TrailEntry &e : *trail)
            if (e.kind == TrailKind::Deletion)
                deletions << QStringLiteral("%1 %2 %3")
                                 .arg(e.serialNumber.isEmpty() ? "all" : e.serialNumber)
                                 .arg(e.cutOff)
                                 .arg(e.count);
        const QString who = question.section(u' ', 4, 4) == QLatin1String("tester")
                                ? question.section(u' ', 5, 5)
                                : QStringLiteral("all");
        QCOMPARE(deletions,
                 yes ? QStringList{QStringLiteral("%1 20110101 %2").arg(who).arg(AllRecords - left)}
                     : QStringList());
        store.reset();
        FormArchive->SelectTester(0);
        QTRY_VERIFY(!FormArchive->Busy());
        QCOMPARE(FormArchive->Label5->text(), QStringLiteral("%1 records").arg(left));
    }

    void allTestersOnlyOnPurpose()
    {
        NewArchive(0);
        ModalSteps steps;
        Unlock(steps);
        steps.On(FormDeleteOld, [] {
            FormDeleteOld->Edit1->setText(QStringLiteral("2011-01-01"));
            QVERIFY(Counted());
            // Nothing chosen: nothing to delete, nothing asked.
            QVERIFY(!FormDeleteOld->BitBtn1->isEnabled());
            FormDeleteOld->BitBtn1Click();
            QCOMPARE(Told(), QStringLiteral("Choose the tester, or all testers"));
            FormDeleteOld->ComboBox1->setCurrentIndex(2);
            QVERIFY(Counted());
            QCOMPARE(Told(), QStringLiteral("436 records dated before 01 - Jan - 2011"));
            QTest::keyClick(FormDeleteOld->ComboBox1, Qt::Key_Escape);
        });
        FormArchive->Button5->click();
        QVERIFY(steps.Done());
        QCOMPARE(Left(), AllRecords);
    }

    void wrongPasswordShowsNoDialog()
    {
        NewArchive(1);
        ModalSteps steps;
        steps.On(FormPassWord, [] {
            QTest::keyClicks(FormPassWord->Edit1, QStringLiteral("0000"));
            QTest::keyClick(FormPassWord->Edit1, Qt::Key_Return);
            FormPassWord->close();
        });
        FormArchive->Button5->click();
        QVERIFY(steps.Done());
        QVERIFY(!FormDeleteOld->isVisible());
        QCOMPARE(fx->TakeTexts(), QStringList{"Wrong password!!!"});
        QCOMPARE(Left(), AllRecords);
    }
};

QTEST_MAIN(TestDeleteOld)
#include "tst_deleteold.moc"
