// The archive window for a whole site: its database chosen (a file or the
// suite's test server), testers due for calibration by the interval kept in
// the archive, and old records deleted behind the administrator password
// through the dialog that names what goes.

#include "archivefixture.h"
#include "guifixture.h"
#include "modalsteps.h"
#include "serverfixture.h"

#include "admin/Massge1.h"
#include "admin/Password.h"
#include "archive/Archive.h"
#include "archive/Database.h"
#include "archive/DeleteOld.h"
#include "archive/chartscale.h"
#include "archive/store/archivechoice.h"
#include "device/Tdate.h"
#include "kit/ccalendar.h"
#include "kit/cspinedit.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <memory>

class TestArchiveSite : public GuiTest
{
    Q_OBJECT
    int FArchives = 0;

    // A new archive, shown: tester n (SN000000n) last calibrated as
    // calibrations[n - 1], with 30 records one a day from 10 (n - 1) days
    // after 1 January 2010 on.
    void NewArchive(const QStringList &calibrations)
    {
        FormArchive->close();
        QTRY_VERIFY(!FormArchive->Busy());
        const QString path = fx->Dir() + QStringLiteral("/site%1.sqlite").arg(++FArchives);
        qputenv(ArchiveEnvironment, "sqlite:" + path.toLocal8Bit());
        ArchiveError error;
        std::unique_ptr<ArchiveStore> store = ArchiveFixture::OpenChosen(fx->Dir(), &error);
        for (int i = 0; i < calibrations.size(); ++i)
            QVERIFY(store->Add(
                ArchiveFixture::Tester("SN000000" + QString::number(i + 1), calibrations[i]),
                ArchiveFixture::Records(i * 10, 30), &error));
        store.reset();
        FormMain->BitBtn7->click();
        QTRY_VERIFY(!FormArchive->Busy());
        fx->Messages.clear();
    }
    QStringList Column(int col)
    {
        QStringList texts;
        for (int row = 0; row < FormArchive->StringGrid1->rowCount(); ++row)
            texts << FormArchive->StringGrid1->item(row, col)->text();
        return texts;
    }
    QByteArray Arc() const { return ArchiveFixture::Bytes(fx->Dir() + "/Kestrune.ARC"); }

private slots:
    void initTestCase()
    {
        QVERIFY(TestServerFolder().isEmpty() || FreshDatabase("kestrune_site"));
        GuiTest::initTestCase();
    }

    void databaseTriedBeforeKept_data()
    {
        QTest::addColumn<bool>("server");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kept"); // Kestrune.ARC's line; empty: refused
        const QString uri = ServerLocation(ServerDriver::Postgres, "kestrune_site").target;
        QTest::newRow("file") << false << "new/site.sqlite"
                              << "sqlite:{dir}/new/site.sqlite";
        QTest::newRow("server") << true << uri << uri;
        QTest::newRow("no server") << true << "postgresql:///k?host=/nonexistent"
                                   << "";
        QTest::newRow("password") << true << uri + "&password=secret"
                                  << "";
    }
    void databaseTriedBeforeKept()
    {
        QFETCH(bool, server);
        QFETCH(QString, text);
        QFETCH(QString, kept);
        REQUIRE_TEST_SERVER();
        NewArchive({});
        qunsetenv(ArchiveEnvironment);
        QFile::remove(fx->Dir() + "/Kestrune.ARC");
        ModalSteps steps;
        steps.On(FormDatabase, [&] {
            (server ? FormDatabase->RadioButton2 : FormDatabase->RadioButton1)->click();
            (server ? FormDatabase->Edit2 : FormDatabase->Edit1)->setText(text);
            FormDatabase->BitBtn1->click();
            QTRY_VERIFY_WITH_TIMEOUT(!FormDatabase->Trying(), 15000);
            QCOMPARE(FormDatabase->isVisible(), kept.isEmpty());
            FormDatabase->close();
        });
        FormArchive->Button4->click();
        QVERIFY(steps.Done());
        QTRY_VERIFY(!FormArchive->Busy());
        ArchiveError error;
        if (kept.isEmpty()) {
            QCOMPARE(fx->Messages.size(), 1);
            QVERIFY(fx->Messages[0].text.startsWith("Cannot use this database !!!\n"));
            QVERIFY(fx->Messages[0].text.contains(server && text.contains("password")
                                                      ? "(PGPASSFILE or ~/.pgpass)"
                                                      : "/nonexistent"));
            QCOMPARE(Arc(), QByteArray());
            return;
        }
        QCOMPARE(fx->TakeTexts(), QStringList());
        QCOMPARE(Arc(), kept.replace("{dir}", fx->Dir()).toUtf8() + "\r\n");
        // Opened at once.
        QCOMPARE(FormArchive->Label7->toolTip(),
                 ArchivePlaceText(ChosenArchiveLocationIn(fx->Dir(), &error)));
    }

    void environmentStillChooses()
    {
        NewArchive({});
        const QString path = qEnvironmentVariable(ArchiveEnvironment).mid(7);
        ArchiveError error;
        QVERIFY(WriteArchiveChoice(fx->Dir(), {ArchiveLocation::Driver::Sqlite, "/k"}, &error));
        QCOMPARE(FormArchive->Label7->toolTip(), path + " (KESTRUNE_ARCHIVE)");
        ModalSteps steps;
        steps.On(FormDatabase, [&] {
            QCOMPARE(FormDatabase->Edit1->text(), path);
            QVERIFY(!FormDatabase->BitBtn1->isEnabled() && FormDatabase->Edit1->isReadOnly());
            QVERIFY(FormDatabase->Label2->text().startsWith("KESTRUNE_ARCHIVE is set"));
            QTest::keyClick(FormDatabase->Edit1, Qt::Key_Escape);
        });
        FormArchive->Button4->click();
        QVERIFY(steps.Done());
        QCOMPARE(Arc(), QByteArray("sqlite:/k\r\n"));
    }

    void calibrationDue()
    {
        const QDate year = QDate::currentDate().addYears(-1);
        const QString current = year.toString("yyyy-MM-dd");
        const QString over = year.addDays(-1).toString("yyyy-MM-dd");
        NewArchive({current, over, "unknown"});
        // Shown in the lists' date style; a text that names no day as it is.
        QCOMPARE(Column(1),
                 QStringList({"", DayText(year.toJulianDay()),
                              DayText(year.addDays(-1).toJulianDay()) + " due", "unknown due"}));
        FormArchive->CheckBox5->click();
        QCOMPARE(Column(0), QStringList({"all testers", "SN0000002", "SN0000003"}));
        QCOMPARE(Column(2).value(0), QStringLiteral("90"));
        // Set in the window, kept in the archive for every PC.
        FormArchive->CSpinEdit1->SetValue(13);
        FormArchive->Button6->click();
        QTRY_VERIFY(!FormArchive->Busy());
        QCOMPARE(fx->TakeTexts(), QStringList({"Calibration interval set to 13 months"}));
        QCOMPARE(Column(0), QStringList({"all testers", "SN0000003"}));
        ArchiveError error;
        QCOMPARE(
            ArchiveFixture::OpenChosen(fx->Dir(), &error)->CalibrationMonths(&error).value_or(0),
            13);
    }

    void retention_data()
    {
        QTest::addColumn<QString>("password");
        QTest::addColumn<int>("tester"); // row of the tester list
        QTest::addColumn<int>("scope");  // chosen in the dialog; -1: as it opened
        QTest::addColumn<int>("answer"); // 1 Yes, 0 No
        QTest::addColumn<QStringList>("said");
        QTest::addColumn<qint64>("left");
        const QString right = QLatin1String(DefaultAdminPassword);
        const QString ask = "Delete %1 records of %2 dated before 01 - Feb - 2010?";
        // Dated before February: 28 records of SN0000001, 18 of SN0000002.
        QTest::newRow("all, Yes") << right << 0 << 2 << 1
                                  << QStringList{ask.arg(46).arg("all 2 testers"),
                                                 "46 records deleted!!!"}
                                  << 14LL;
        QTest::newRow("one, Yes") << right << 2 << -1 << 1
                                  << QStringList{ask.arg(18).arg("tester SN0000002"),
                                                 "18 records deleted!!!"}
                                  << 42LL;
        QTest::newRow("No") << right << 0 << 2 << 0 << QStringList{ask.arg(46).arg("all 2 testers")}
                            << 60LL;
        QTest::newRow("wrong password")
            << "0000" << 0 << -1 << 1 << QStringList{"Wrong password!!!"} << 60LL;
    }
    void retention()
    {
        QFETCH(QString, password);
        QFETCH(int, tester);
        QFETCH(int, scope);
        QFETCH(int, answer);
        QFETCH(QStringList, said);
        QFETCH(qint64, left);
        NewArchive({"2011-03-15", "2011-03-15"});
        FormArchive->SelectTester(tester);
        QTRY_VERIFY(!FormArchive->Busy());
        ModalSteps steps;
        steps.On(FormPassWord, [password] {
            QTest::keyClicks(FormPassWord->Edit1, password);
            QTest::keyClick(FormPassWord->Edit1, Qt::Key_Return);
            if (FormPassWord->isVisible())
                FormPassWord->close();
        });
        QStringList seen;
        if (password == QLatin1String(DefaultAdminPassword)) {
            steps.On(FormDeleteOld, [scope] {
                if (scope >= 0)
                    FormDeleteOld->ComboBox1->setCurrentIndex(scope);
                FormDeleteOld->Button1->click();
            });
            steps.On(DateForm, [] {
                DateForm->CCalendar1->SetDateElement(TCCalendar::Year, 2010);
                DateForm->CCalendar1->SetDateElement(TCCalendar::Month, 2);
                DateForm->CCalendar1->SetDateElement(TCCalendar::Day, 1);
                DateForm->close();
            });
            steps.On(FormDeleteOld, [] {
                QVERIFY(QTest::qWaitFor([] { return !FormDeleteOld->Busy(); }));
                FormDeleteOld->BitBtn1->click();
            });
            steps.On(FormYesNo, [answer, &seen] {
                seen << FormYesNo->Label1->text();
                (answer ? FormYesNo->BitBtn1 : FormYesNo->BitBtn2)->click();
            });
            if (!answer)
                steps.On(FormDeleteOld, [] { FormDeleteOld->close(); });
        }
        FormArchive->Button5->click();
        QTRY_VERIFY(steps.Done());
        QTRY_VERIFY(!FormArchive->Busy());
        QCOMPARE(seen + fx->TakeTexts(), said);
        ArchiveError error;
        QCOMPARE(ArchiveFixture::OpenChosen(fx->Dir(), &error)->Count({}, &error).value_or(-1),
                 left);
        FormArchive->SelectTester(0);
        QTRY_VERIFY(!FormArchive->Busy());
        QCOMPARE(FormArchive->Label5->text(), QStringLiteral("%1 records").arg(left));
    }
};

QTEST_MAIN(TestArchiveSite)
#include "tst_archivesite.moc"
