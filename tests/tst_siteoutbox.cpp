// This PC's records reach the site's server however the server behaves: a
// server stopped while PCs archive, then started again; a PC killed in the
// middle of sending; a server whose backend or whole self stops answering
// (given up by the program's watchdog, through Qt's PostgreSQL and ODBC
// drivers); a PC hung in the middle of a transaction; a large import on
// one PC while another downloads the same tester; a server that refuses
// the records for good. Every record ends on the server once, and the
// caller's event loop never waits.

#include "sitefixture.h"

#include "archive/archivewords.h"
#include "archive/store/archiveimport.h"
#include "archive/store/archiveschema.h"
#include "archive/store/archiveserver.h"
#include "archive/store/archiveworker.h"
#include "archive/store/serverwatchdog.h"

#include <QSignalSpy>
#include <QtTest>

#include <memory>

namespace {
// Longer than the watchdog's patience, with room for the retries after it.
constexpr int HungMs = (ServerSilenceSeconds + 15) * 1000;
constexpr int LiveLoopMs = 100;

QString DatabaseName()
{
    return QString::fromLatin1(QTest::currentTestFunction()).toLower() +
           QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression("\\W"), "_");
}
} // namespace

class TestSiteOutbox : public QObject
{
    Q_OBJECT
    std::unique_ptr<OwnServer> server;

    // What the server holds of the tester serial: its records, and the
    // count it keeps of them.
    void ExpectOnServer(const QString &database, const QString &serial, int records)
    {
        OtherProgram site(database, server->Folder());
        QCOMPARE(site.Run("SELECT COUNT(*) FROM records r JOIN testers t ON t.id = r.tester_id"
                          " WHERE t.serial_number = ?",
                          {serial})
                     .toInt(),
                 records);
        QCOMPARE(site.Run("SELECT records FROM testers WHERE serial_number = ?", {serial}).toInt(),
                 records);
    }
    // A fresh database on the server as a site reached through driver: the
    // tables made, and tester serial with one record; std::nullopt, with the
    // reason, when it could not be made.
    std::optional<ArchiveLocation> FreshSite(const QString &database, const QString &serial,
                                             ServerDriver driver = ServerDriver::Postgres)
    {
        if (!server->Fresh(database))
            return std::nullopt;
        const ArchiveLocation site = server->Location(driver, database);
        ArchiveError error;
        auto store = ArchiveStore::Open(site, &error);
        if (!store || !store->Add(ArchiveFixture::Tester(serial), ArchiveFixture::Records(99999, 1),
                                  &error)) {
            qWarning("%s", qPrintable(ArchiveErrorText(error)));
            return std::nullopt;
        }
        return site;
    }

private slots:
    void initTestCase()
    {
        REQUIRE_TEST_SERVER();
        server = std::make_unique<OwnServer>();
        QVERIFY(server->Started());
    }
    void cleanupTestCase() { server.reset(); }
    void cleanup() { server->Thaw(); }

    // PCs archive while the server is away; it comes back: without a word
    // from anyone, every record is on it once.
    void offlineThenOnline_data()
    {
        QTest::addColumn<ServerDriver>("driver");
        QTest::addColumn<QList<int>>("firsts"); // of each PC's 300 records
        const auto pg = ServerDriver::Postgres;
        QTest::newRow("one PC") << pg << QList<int>{0};
        QTest::newRow("two PCs, overlapping records") << pg << QList<int>{0, 150};
        QTest::newRow("two PCs, the same records") << pg << QList<int>{0, 0};
        QTest::newRow("one PC, through odbc") << ServerDriver::Odbc << QList<int>{0};
    }
    void offlineThenOnline()
    {
        QFETCH(ServerDriver, driver);
        QFETCH(QList<int>, firsts);
        const QString database = DatabaseName();
        QVERIFY(server->Fresh(database));
        const ArchiveLocation site = server->Location(driver, database);
        QVERIFY(server->Kill());
        std::vector<std::unique_ptr<SitePc>> pcs;
        for (const int first : firsts) {
            pcs.push_back(std::make_unique<SitePc>());
            QVERIFY(pcs.back()->Take(site, "SN7", first, 300));
        }
        {
            LoopGaps loop;
            for (const auto &pc : pcs)
                pc->Sender.Start({pc->Local, site});
            for (const auto &pc : pcs) {
                QTRY_COMPARE(pc->Sender.State().why, SiteState::Why::Unreachable);
                QCOMPARE(pc->Sender.State().waiting, 300);
            }
            QVERIFY2(loop.LongestMs() < LiveLoopMs, qPrintable(QString::number(loop.LongestMs())));
        }
        QVERIFY(server->Restart());
        {
            LoopGaps loop;
            for (const auto &pc : pcs)
                QTRY_COMPARE_WITH_TIMEOUT(pc->Sender.State().kind, SiteState::Kind::UpToDate,
                                          20000);
            QVERIFY2(loop.LongestMs() < LiveLoopMs, qPrintable(QString::number(loop.LongestMs())));
        }
        for (const auto &pc : pcs)
            QCOMPARE(pc->Waiting(), 0);
        ExpectOnServer(database, "SN7", 300 + *std::max_element(firsts.begin(), firsts.end()));
    }

    // A PC killed in the middle of sending starts again: nothing lost,
    // nothing twice.
    void killedWhileSending()
    {
        const QString database = DatabaseName();
        const std::optional<ArchiveLocation> fresh = FreshSite(database, "SN8");
        QVERIFY(fresh);
        const ArchiveLocation site = *fresh;
        SitePc pc;
        const int records = 30000;
        QVERIFY(pc.Take(site, "SN8", 0, records));
        OtherProgram other(database, server->Folder());
        const QStringList send{"--send", ArchiveLocationText(pc.Local), ArchiveLocationText(site)};
        QProcess child;
        child.start(QStringLiteral(KESTRUNE_ARCHIVE_CHILD), send);
        int arrived = 0;
        QVERIFY(QTest::qWaitFor(
            [&] {
                arrived = other.Run("SELECT COUNT(*) FROM records").toInt();
                return arrived > 1;
            },
            30000));
        child.kill();
        QVERIFY(child.waitForFinished(10000));
        QVERIFY2(arrived < records, qPrintable(QString::number(arrived)));
        QVERIFY(pc.Waiting() > 0);
        child.start(QStringLiteral(KESTRUNE_ARCHIVE_CHILD), send);
        QVERIFY(child.waitForFinished(60000));
        QVERIFY2(child.exitCode() == 0, child.readAllStandardError().constData());
        QCOMPARE(pc.Waiting(), 0);
        ExpectOnServer(database, "SN8", records + 1);
    }

    // The server stops answering in the middle of a batch, held up first by
    // a lock so that the batch surely waits on it: its backend stopped, or
    // every process of it. The program gives it up after its patience
    // (through libpq the call is cut; through ODBC its thread is left);
    // the state says why; once the server answers again the outbox drains.
    void hungServer_data()
    {
        QTest::addColumn<ServerDriver>("driver");
        QTest::addColumn<bool>("whole");
        QTest::newRow("its backend stopped") << ServerDriver::Postgres << false;
        QTest::newRow("the whole server stopped") << ServerDriver::Postgres << true;
        QTest::newRow("the whole server stopped, odbc") << ServerDriver::Odbc << true;
    }
    void hungServer()
    {
        QFETCH(ServerDriver, driver);
        QFETCH(bool, whole);
        const QString database = DatabaseName();
        const std::optional<ArchiveLocation> fresh = FreshSite(database, "SN9", driver);
        QVERIFY(fresh);
        const ArchiveLocation site = *fresh;
        SitePc pc;
        QVERIFY(pc.Take(site, "SN9", 0, 500));
        OtherProgram other(database, server->Folder());
        QVERIFY(other.Db().transaction());
        other.Run("UPDATE testers SET records = records");
        LoopGaps loop;
        QElapsedTimer took;
        took.start();
        pc.Sender.Start({pc.Local, site});
        QVERIFY(other.WaitForLockWaiters(1));
        if (whole) {
            server->Freeze();
        } else {
            const pid_t backend =
                pid_t(other.Run("SELECT pid FROM pg_stat_activity WHERE wait_event_type = 'Lock'")
                          .toLongLong());
            server->Freeze(backend);
            QVERIFY(other.Db().rollback());
        }
        QTRY_COMPARE_WITH_TIMEOUT(pc.Sender.State().why, SiteState::Why::Unreachable, HungMs);
        QCOMPARE(pc.Sender.State().reason.code, ArchiveErrorCode::ServerSilent);
        QVERIFY2(took.elapsed() >= ServerSilenceSeconds * 1000,
                 qPrintable(QString::number(took.elapsed())));
        QCOMPARE(pc.Sender.State().waiting, 500);
        QVERIFY2(loop.LongestMs() < LiveLoopMs, qPrintable(QString::number(loop.LongestMs())));
        // Through libpq the call was cut and its thread goes on; through
        // ODBC the thread still waits in its call, given up.
        QCOMPARE(ArchiveWorker::ThreadsGivenUp() > 0, driver == ServerDriver::Odbc);
        if (whole) {
            // A PC that ends while it connects to the silent server ends at
            // once: the thread that waits is given up.
            {
                SitePc ending;
                QVERIFY(ending.Take(site, "SN9", 600, 10));
                ending.Sender.Start({ending.Local, site});
                QTest::qWait(300);
                took.restart();
            }
            QVERIFY2(took.elapsed() < 2000, qPrintable(QString::number(took.elapsed())));
        }
        server->Thaw();
        if (whole)
            QVERIFY(other.Db().rollback());
        QTRY_COMPARE_WITH_TIMEOUT(pc.Sender.State().kind, SiteState::Kind::UpToDate, HungMs);
        QCOMPARE(pc.Waiting(), 0);
        ExpectOnServer(database, "SN9", 501);
        // Those threads end by themselves once their calls return.
        QTRY_COMPARE_WITH_TIMEOUT(ArchiveWorker::ThreadsGivenUp(), 0, HungMs);
    }

    // A PC hangs in the middle of a transaction, holding the tester's lock.
    // Another PC's batch waits for it until the server's statement time-out:
    // no error for the operator, the server is busy and the records stay in
    // the outbox. The server ends the hung PC's idle transaction by itself,
    // and the records arrive.
    void hungPcLetsGo()
    {
        const QString database = DatabaseName();
        const std::optional<ArchiveLocation> fresh = FreshSite(database, "SN5");
        QVERIFY(fresh);
        const ArchiveLocation site = *fresh;
        SitePc pc;
        QVERIFY(pc.Take(site, "SN5", 0, 200));
        QSignalSpy refused(&pc.Sender, &SiteSender::Refused);
        // Connected as the program connects.
        OtherProgram hung(database, server->Folder());
        QVERIFY(hung.Db().transaction());
        hung.Run("UPDATE testers SET records = records");
        QElapsedTimer took;
        took.start();
        pc.Sender.Start({pc.Local, site});
        QTRY_COMPARE_WITH_TIMEOUT(pc.Sender.State().why, SiteState::Why::Busy, 15000);
        QVERIFY2(ArchiveErrorText(pc.Sender.State().reason).contains("statement timeout"),
                 qPrintable(ArchiveErrorText(pc.Sender.State().reason)));
        QCOMPARE(pc.Sender.State().waiting, 200);
        QTRY_COMPARE_WITH_TIMEOUT(pc.Sender.State().kind, SiteState::Kind::UpToDate,
                                  (ServerIdleTransactionSeconds + 20) * 1000);
        QVERIFY2(took.elapsed() >= (ServerIdleTransactionSeconds - 1) * 1000,
                 qPrintable(QString::number(took.elapsed())));
        QCOMPARE(refused.size(), 0);
        QCOMPARE(pc.Waiting(), 0);
        ExpectOnServer(database, "SN5", 201);
    }

    // One PC imports a data file of 100,000 records of a tester while
    // another downloads the same tester nine times: both send at once, and
    // every record is on the server once.
    void importAndDownloadsAtOnce()
    {
        const QString database = DatabaseName();
        QVERIFY(server->Fresh(database));
        const ArchiveLocation site = server->Location(ServerDriver::Postgres, database);
        SitePc importing;
        SitePc downloading;
        QTemporaryDir files;
        const QString file = ArchiveFixture::DataFile(files.filePath("big.DAT"), 0, 100000);
        importing.Sender.Start({importing.Local, site});
        downloading.Sender.Start({downloading.Local, site});
        ArchiveWorker worker;
        worker.Open(importing.Local);
        std::optional<ArchiveResult<ImportSummary>> imported;
        worker.Run(
            this,
            [file, site](ArchiveStore &store, const ArchiveJob &,
                         ArchiveError *error) -> std::optional<ImportSummary> {
                if (!ArchiveOutbox::KeepFor(store, ArchiveLocationText(site), error))
                    return std::nullopt;
                return ImportDataFiles(store, {file});
            },
            [&](const ArchiveResult<ImportSummary> &summary) {
                imported = summary;
                importing.Sender.Kick();
            });
        // Downloads archived as the program does: on a worker, then sent.
        ArchiveWorker downloads;
        downloads.Open(downloading.Local);
        int downloaded = 0;
        LoopGaps loop;
        for (int i = 0; i < 9; ++i) {
            downloads.Run(
                this,
                [i, site](ArchiveStore &store, const ArchiveJob &, ArchiveError *error) {
                    return ArchiveOutbox::KeepFor(store, ArchiveLocationText(site), error)
                               ? store.Add(ArchiveFixture::Tester("KT1"),
                                           ArchiveFixture::Records(98000 + i * 300, 500), error)
                               : std::nullopt;
                },
                [&](const ArchiveResult<ArchiveCounts> &counts) {
                    downloaded += counts ? 1 : 0;
                    downloading.Sender.Kick();
                });
            QTest::qWait(150);
        }
        QTRY_COMPARE_WITH_TIMEOUT(downloaded, 9, 30000);
        QTRY_VERIFY_WITH_TIMEOUT(imported.has_value(), 60000);
        QVERIFY2(imported->value && imported->value->added == 100000,
                 qPrintable(ArchiveErrorText(imported->error)));
        for (SitePc *pc : {&importing, &downloading})
            QTRY_VERIFY_WITH_TIMEOUT(
                pc->Sender.State().kind == SiteState::Kind::UpToDate && pc->Waiting() == 0, 120000);
        QVERIFY2(loop.LongestMs() < LiveLoopMs, qPrintable(QString::number(loop.LongestMs())));
        ExpectOnServer(database, "KT1", 100000 + 900);
    }

    // A server that will not take the records for a reason no wait mends
    // stops the sender, which says so once; asked to try again once it is
    // mended, it sends them.
    void refusedForGood_data()
    {
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("mend");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no right to add records")
            << "REVOKE INSERT, UPDATE ON records, testers FROM clerk"
            << "GRANT INSERT, UPDATE ON records, testers TO clerk"
            << "clerk"
            << "permission denied for table testers";
        QTest::newRow("the archive of a newer program")
            << "UPDATE archive_schema SET version = 99"
            << QString("UPDATE archive_schema SET version = %1").arg(ArchiveSchemaVersion)
            << "postgres"
            << "newer Kestrune";
    }
    void refusedForGood()
    {
        QFETCH(QString, refusal);
        QFETCH(QString, mend);
        QFETCH(QString, user);
        QFETCH(QString, reason);
        const QString database = DatabaseName();
        QVERIFY(FreshSite(database, "SN6"));
        OtherProgram other(database, server->Folder());
        other.Run("DO $$ BEGIN CREATE ROLE clerk LOGIN;"
                  " EXCEPTION WHEN duplicate_object THEN NULL; END $$");
        other.Run("GRANT ALL ON ALL TABLES IN SCHEMA public TO clerk");
        other.Run(refusal);
        const ArchiveLocation site =
            ServerLocation(ServerDriver::Postgres, database, user, server->Folder());
        SitePc pc;
        QVERIFY(pc.Take(site, "SN6", 0, 20));
        QSignalSpy refused(&pc.Sender, &SiteSender::Refused);
        pc.Sender.Start({pc.Local, site});
        QTRY_COMPARE(pc.Sender.State().kind, SiteState::Kind::Refused);
        QCOMPARE(pc.Sender.State().why, SiteState::Why::Refusal);
        QVERIFY2(ArchiveErrorText(pc.Sender.State().reason).contains(reason),
                 qPrintable(ArchiveErrorText(pc.Sender.State().reason)));
        // Neither the waits nor new records make it say so again.
        QVERIFY(pc.Take(site, "SN6", 20, 5));
        pc.Sender.Kick();
        QTest::qWait(2000);
        QCOMPARE(refused.size(), 1);
        QCOMPARE(pc.Sender.State().kind, SiteState::Kind::Refused);
        QCOMPARE(pc.Waiting(), 25);
        other.Run(mend);
        pc.Sender.Retry();
        QTRY_COMPARE_WITH_TIMEOUT(pc.Sender.State().kind, SiteState::Kind::UpToDate, 20000);
        QCOMPARE(pc.Waiting(), 0);
        ExpectOnServer(database, "SN6", 26);
    }
};

QTEST_GUILESS_MAIN(TestSiteOutbox)
#include "tst_siteoutbox.moc"
