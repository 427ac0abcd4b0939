// The windows while the site's server is away: a download from the
// simulated tester is archived on this PC and says it waits for the site;
// the main window's line says why; the archive window shows this PC's
// records under its band and will not delete without the server; nothing
// freezes. Once the server is back the records arrive without a click, and
// every window says so. An import goes the same way. A server that refuses
// the records says so once. Records waiting when the program starts are
// sent at once. The Database window says how many of this PC's records a
// server would get.

#include "guifixture.h"
#include "modalsteps.h"
#include "simulatorrows.h"
#include "sitefixture.h"

#include "archive/Archive.h"
#include "archive/Database.h"
#include "archive/sitestate.h"
#include "archive/store/archiveschema.h"
#include "records/Result.h"
#include "records/data/recordstate.h"
#include "tools/simulator.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QToolButton>
#include <QtTest>

#include <memory>

namespace {
constexpr int LiveLoopMs = 100;
constexpr int BackMs = 30000;
} // namespace

class TestSiteWindows : public GuiTest
{
    Q_OBJECT
    std::unique_ptr<OwnServer> server;
    std::unique_ptr<TesterSimulator> tester;
    int FSites = 0;

    // A new site (an empty database) chosen, and a new archive of this PC.
    ArchiveLocation NewSite()
    {
        const QString database = QStringLiteral("site%1").arg(++FSites);
        if (!server->Fresh(database))
            qWarning("no database %s", qPrintable(database));
        const ArchiveLocation site = server->Location(ServerDriver::Postgres, database);
        qputenv(ArchiveEnvironment, ArchiveLocationText(site).toUtf8());
        qputenv(LocalArchiveEnvironment,
                "sqlite:" + fx->Dir().toUtf8() + "/pc" + QByteArray::number(FSites) + ".sqlite");
        return site;
    }
    // This PC's archive while the site is chosen.
    static ArchiveLocation ThisPc()
    {
        return {ArchiveLocation::Driver::Sqlite,
                qEnvironmentVariable(LocalArchiveEnvironment).mid(int(strlen("sqlite:")))};
    }
    QString StateLine() const { return FormMain->SiteState1->Text(); }
    void Download(int records)
    {
        tester->SetRecordCount(records);
        fx->Answers << mrOk; // records of the download before may go
        FormResult->BitBtn1Click();
        QCOMPARE(RecordCount, records);
    }

private slots:
    void initTestCase()
    {
        REQUIRE_TEST_SERVER();
        server = std::make_unique<OwnServer>();
        QVERIFY(server->Started());
        GuiTest::initTestCase();
        ProgramSiteSender()->SetRetryDelays(300, 1500);
        tester = std::make_unique<TesterSimulator>();
        fx->SetTable({GuiFixture::Usb(0, tester->PortName())});
        FormMain->BitBtn1Click();
        QCOMPARE(Connected, 1);
    }
    void cleanupTestCase()
    {
        if (server)
            server->Thaw();
        tester.reset();
        GuiTest::cleanupTestCase();
        server.reset();
    }
    void cleanup()
    {
        server->Thaw();
        fx->Answers = {mrOk};
        FormArchive->close();
        FormResult->close();
        QTRY_VERIFY(!FormArchive->Busy());
    }

    // Without a server chosen, this PC's archive is all there is.
    void thisPcOnly()
    {
        QCOMPARE(StateLine(), QStringLiteral("This PC's archive only"));
        QVERIFY(FormMain->SiteState1->geometry().left() >= FormMain->BitBtn7->geometry().right());
    }

    void downloadWhileTheServerIsAway_data()
    {
        QTest::addColumn<bool>("frozen"); // else stopped
        QTest::newRow("server stopped") << false;
        QTest::newRow("server frozen") << true;
    }
    void downloadWhileTheServerIsAway()
    {
        QFETCH(bool, frozen);
        NewSite();
        if (frozen)
            server->Freeze();
        else
            QVERIFY(server->Kill());
        FormResult->show();
        Download(12);
        fx->Messages.clear();
        {
            LoopGaps loop;
            const QString archived =
                QStringLiteral("12 new records archived, 0 already there - 12 waiting "
                               "for the site server - calibration due!!!");
            // What was said, should this PC's archive not have taken them.
            QTRY_VERIFY2(FormResult->Label5->text() == archived,
                         qPrintable(FormResult->Label5->text() + QLatin1Char('\n') +
                                    fx->TakeTexts().join(QLatin1Char('\n'))));
            QTRY_VERIFY_WITH_TIMEOUT(StateLine().contains("(server unreachable: "), 15000);
            QVERIFY2(StateLine().startsWith("Site archive: 12 records waiting since "),
                     qPrintable(StateLine()));
            // The archive window shows this PC's records, and says so.
            FormMain->BitBtn7->click();
            QTRY_VERIFY_WITH_TIMEOUT(FormArchive->SiteAway() && !FormArchive->Busy(), 15000);
            QVERIFY(FormArchive->Band1->isVisible());
            QVERIFY2(FormArchive->Band1->text().startsWith("The site server cannot be reached ("),
                     qPrintable(FormArchive->Band1->text()));
            QVERIFY(FormArchive->Band1->text().endsWith("): showing this PC's records; 12 not "
                                                        "yet sent"));
            QCOMPARE(FormArchive->Label5->text(), QStringLiteral("12 records"));
            QCOMPARE(FormArchive->StringGrid1->rowCount(), 2);
            QVERIFY2(loop.LongestMs() < LiveLoopMs, qPrintable(QString::number(loop.LongestMs())));
        }
        // The site's own data needs the site: nothing asked, nothing deleted.
        FormArchive->Button5->click();
        QCOMPARE(fx->Messages.size(), 1);
        QVERIFY2(fx->Messages[0].text.startsWith("Delete Old… needs the site server, which cannot "
                                                 "be reached ("),
                 qPrintable(fx->Messages[0].text));
        QVERIFY(fx->Messages[0].text.endsWith("Nothing was deleted."));
        fx->Messages.clear();
        if (frozen)
            server->Thaw();
        else
            QVERIFY(server->Restart());
        {
            LoopGaps loop;
            QTRY_COMPARE_WITH_TIMEOUT(StateLine(), QStringLiteral("Site archive: up to date"),
                                      BackMs);
            QTRY_COMPARE(FormResult->Label5->text(),
                         QStringLiteral("12 new records archived, 0 already there - on the site "
                                        "server - calibration due!!!"));
            // The window reads the site again by itself.
            QTRY_VERIFY_WITH_TIMEOUT(!FormArchive->SiteAway() && !FormArchive->Busy(), BackMs);
            QVERIFY(!FormArchive->Band1->isVisible());
            QCOMPARE(FormArchive->Label5->text(), QStringLiteral("12 records"));
            QVERIFY2(loop.LongestMs() < LiveLoopMs, qPrintable(QString::number(loop.LongestMs())));
        }
        QCOMPARE(fx->TakeTexts(), QStringList());
    }

    // A data file imported in the archive window goes into this PC's
    // archive first and on to the site without another click; the window
    // reads the site again once the site has the records.
    void importGoesThroughThisPc()
    {
        NewSite();
        const QString database = QStringLiteral("site%1").arg(FSites);
        FormMain->BitBtn7->click();
        QTRY_VERIFY_WITH_TIMEOUT(!FormArchive->Busy(), BackMs);
        QTRY_COMPARE(StateLine(), QStringLiteral("Site archive: up to date"));
        fx->Messages.clear();
        fx->ChosenFiles << ArchiveFixture::DataFile(fx->Dir() + "/site-import.DAT", 0, 2500);
        LoopGaps loop;
        FormArchive->BitBtn4->click();
        QTRY_COMPARE_WITH_TIMEOUT(fx->Messages.size(), 1, BackMs);
        QCOMPARE(fx->TakeTexts(), QStringList({"Files read : 1\nRecords added : 2,500\nRecords "
                                               "already there : 0\nFiles refused : 0"}));
        QTRY_COMPARE_WITH_TIMEOUT(StateLine(), QStringLiteral("Site archive: up to date"), BackMs);
        QTRY_COMPARE_WITH_TIMEOUT(FormArchive->Label5->text(), QStringLiteral("2,500 records"),
                                  BackMs);
        QVERIFY(!FormArchive->SiteAway());
        QVERIFY2(loop.LongestMs() < LiveLoopMs, qPrintable(QString::number(loop.LongestMs())));
        OtherProgram other(database, server->Folder());
        QCOMPARE(other.Run("SELECT COUNT(*) FROM records").toInt(), 2500);
        ArchiveError error;
        auto local = ArchiveStore::Open(ThisPc(), &error);
        QVERIFY2(local, qPrintable(Said(error)));
        QCOMPARE(local->Count({}, &error), 2500);
        QCOMPARE(fx->TakeTexts(), QStringList());
    }

    // A server that will not take this PC's records (here an archive of a
    // newer program) says so once, with its reason, whatever downloads and
    // waits follow; the records wait. Refresh in the archive window tries
    // again once the server is mended.
    void refusalSaidOnce()
    {
        const ArchiveLocation site = NewSite();
        const QString database = QStringLiteral("site%1").arg(FSites);
        ArchiveError error;
        QVERIFY(ArchiveStore::Open(site, &error));
        OtherProgram other(database, server->Folder());
        other.Run("UPDATE archive_schema SET version = 99");
        const auto refusals = [this] {
            int said = 0;
            for (const ShownMessage &m : fx->Messages)
                said += m.text.startsWith("The site server refuses this PC's records: ") &&
                        m.caption == QLatin1String("Failure");
            return said;
        };
        FormResult->show();
        fx->Messages.clear();
        Download(12);
        QTRY_COMPARE_WITH_TIMEOUT(refusals(), 1, BackMs);
        QVERIFY2(StateLine().startsWith("Site archive: 12 records waiting since ") &&
                     StateLine().contains("(refused by the server: "),
                 qPrintable(StateLine()));
        Download(5);
        // Longer than the waits between tries here.
        QTest::qWait(4000);
        QCOMPARE(refusals(), 1);
        other.Run(
            QStringLiteral("UPDATE archive_schema SET version = %1").arg(ArchiveSchemaVersion));
        fx->Messages.clear();
        FormMain->BitBtn7->click();
        FormArchive->BitBtn5->click();
        QTRY_COMPARE_WITH_TIMEOUT(StateLine(), QStringLiteral("Site archive: up to date"), BackMs);
        QCOMPARE(other.Run("SELECT COUNT(*) FROM records").toInt(), 12);
        QCOMPARE(refusals(), 0);
    }

    // The records a server would get: every record of this PC for a new
    // one, what still waits for the one the outbox is kept for.
    void databaseWindowSaysHowMany()
    {
        const ArchiveLocation site = NewSite();
        {
            ArchiveError error;
            auto store = ArchiveStore::Open(ThisPc(), &error);
            QVERIFY(ArchiveOutbox::KeepFor(*store, ArchiveLocationText(site), &error));
            QVERIFY(store->Add(ArchiveFixture::Tester("SN1"), ArchiveFixture::Records(0, 1500),
                               &error));
            QVERIFY(ArchiveOutbox::Sent(*store, ArchiveLocationText(site), {1, 2, 3}, &error));
        }
        qunsetenv(ArchiveEnvironment);
        QStringList said;
        ModalSteps steps;
        steps.On(FormDatabase, [&] {
            FormDatabase->RadioButton2->click();
            for (const QString &text :
                 {ArchiveLocationText(site), QStringLiteral("postgresql:///other"),
                  QStringLiteral("not a server")}) {
                FormDatabase->Edit2->setText(text);
                QTRY_VERIFY(!FormDatabase->Label3->text().isEmpty() || text == "not a server");
                said << FormDatabase->Label3->text();
            }
            FormDatabase->RadioButton1->click();
            said << FormDatabase->Label3->text();
            FormDatabase->close();
        });
        FormMain->BitBtn7->click();
        FormArchive->Button4->click();
        QVERIFY(steps.Done());
        QCOMPARE(said,
                 QStringList({"1,497 records of this PC's archive will be sent to this server.",
                              "1,500 records of this PC's archive will be sent to this server.", "",
                              ""}));
    }

    // The program started anew with records of this PC waiting for the
    // site sends them at once, without a download or a click.
    void sendsAtStart()
    {
        fx = std::make_unique<GuiFixture>();
        const ArchiveLocation site = NewSite();
        const QString database = QStringLiteral("site%1").arg(FSites);
        {
            ArchiveError error;
            auto local = ArchiveStore::Open(ThisPc(), &error);
            QVERIFY(
                local && ArchiveOutbox::KeepFor(*local, ArchiveLocationText(site), &error) &&
                local->Add(ArchiveFixture::Tester("SN3"), ArchiveFixture::Records(0, 40), &error));
        }
        ResetMainState();
        fx->CreateWindows();
        QTRY_COMPARE_WITH_TIMEOUT(StateLine(), QStringLiteral("Site archive: up to date"), BackMs);
        OtherProgram other(database, server->Folder());
        QCOMPARE(other.Run("SELECT COUNT(*) FROM records").toInt(), 40);
    }
};

QTEST_MAIN(TestSiteWindows)
#include "tst_sitewindows.moc"
