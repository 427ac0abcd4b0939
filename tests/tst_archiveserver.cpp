// The records archive on a real PostgreSQL server, through Qt's PostgreSQL
// and ODBC drivers: the same tables and statements as on SQLite, several
// programs archiving at once, a server that goes away, a wrong password, a
// newer archive, the site's calibration interval, the retention delete and
// the chart's tally of every day's tests.

#include "archivefixture.h"
#include "chartcompare.h"
#include "searchcriteria.h"
#include "serverfixture.h"

#include "archive/archivewords.h"
#include "archive/store/archiveschema.h"
#include "archive/store/archiveserver.h"
#include "archive/store/archivesql.h"
#include "archive/store/calibration.h"
#include "archive/store/charttally.h"
#include "archive/store/sqlconnection.h"

#include <QTemporaryDir>
#include <QtTest>

namespace {

void DriverRows(bool sqlite = false)
{
    QTest::addColumn<ServerDriver>("driver");
    QTest::newRow("postgresql") << ServerDriver::Postgres;
    QTest::newRow("odbc") << ServerDriver::Odbc;
    if (sqlite)
        QTest::newRow("sqlite") << ServerDriver::Sqlite;
}

// How many sessions on the server hold a temporary table of that name.
int SessionTables(const QString &database, const char *name)
{
    SqlConnection connection(QStringLiteral("QPSQL"));
    QSqlDatabase db = connection.Db();
    ArchiveError error;
    if (!OpenServer(db, ServerLocation(ServerDriver::Postgres, database), &error))
        return -1;
    QSqlQuery query(db);
    QString reason;
    if (!RunSql(query, "SELECT COUNT(*) FROM pg_class WHERE relname = ? AND relpersistence = 't'",
                {QString::fromLatin1(name)}, &reason) ||
        !query.next())
        return -1;
    return query.value(0).toInt();
}

// A fresh database on the server through driver, and beside it an SQLite
// archive whose answers the server's are compared with.
struct BesideSqlite
{
    explicit BesideSqlite(ServerDriver driver)
        : server(FreshStore(driver, &database)),
          local(ArchiveStore::Open(
              {ArchiveLocation::Driver::Sqlite, dir.filePath(QStringLiteral("a.sqlite"))}, &error))
    {
    }
    bool Open() const { return server && local; }
    // The same records into both.
    bool Add(const QStringList &tester, const GridRows &rows)
    {
        for (ArchiveStore *s : {server.get(), local.get()})
            if (!s->Add(tester, rows, &error)) {
                qWarning("%s", qPrintable(ArchiveErrorText(error)));
                return false;
            }
        return true;
    }

    QString database;
    ArchiveError error;
    QTemporaryDir dir;
    std::unique_ptr<ArchiveStore> server;
    std::unique_ptr<ArchiveStore> local;
};

QProcess *StartChild(QObject *owner, const ArchiveLocation &where, int first, int count)
{
    auto *child = new QProcess(owner);
    child->start(QStringLiteral(KESTRUNE_ARCHIVE_CHILD),
                 {ArchiveLocationText(where), QStringLiteral("SN7"), QString::number(first),
                  QString::number(count)});
    return child;
}

} // namespace

class TestArchiveServer : public QObject
{
    Q_OBJECT

private slots:
    void init() { REQUIRE_TEST_SERVER(); }

    void storeOnServer_data() { DriverRows(); }
    void storeOnServer()
    {
        QFETCH(ServerDriver, driver);
        QString database;
        ArchiveError error;
        auto store = FreshStore(driver, &database);
        QVERIFY(store);
        // Batches of several statements and a part batch, then records
        // half of which are there.
        auto counts =
            store->Add(ArchiveFixture::Tester("SN1"), ArchiveFixture::Records(0, 300), &error);
        QVERIFY2(counts, qPrintable(ArchiveErrorText(error)));
        QCOMPARE(counts->added, 300);
        // Through Qt's PostgreSQL driver the records go by COPY into a table
        // of the store's session, which the server shows while it lasts.
        QCOMPARE(SessionTables(database, "kestrune_incoming"),
                 driver == ServerDriver::Postgres ? 1 : 0);
        counts =
            store->Add(ArchiveFixture::Tester("SN1"), ArchiveFixture::Records(200, 200), &error);
        QCOMPARE(counts->added, 100);
        QCOMPARE(counts->already, 100);
        ArchiveQuery fails;
        fails.criteria.byResult = true;
        fails.criteria.result = QStringLiteral("FAIL");
        QCOMPARE(store->Count(fails, &error), 100); // every fourth
        const auto page = store->Page({}, {0, false}, 0, 3, &error);
        QVERIFY2(page, qPrintable(ArchiveErrorText(error)));
        QCOMPARE(page->value(0).cells.value(0), QStringLiteral("00400"));
        QVERIFY(!store->Readings({}, QStringLiteral("%BAC"), &error)->isEmpty());
        QCOMPARE(store->Testers(&error)->value(0).records, 400);
        OtherProgram other(database);
        QCOMPARE(ArchiveSchemaVersionOf(other.Db(), &error), ArchiveSchemaVersion);
    }

    // Every sort gives the records as on SQLite: a whole page, the last
    // page, and one pass.
    void sortedAsOnSqlite_data() { DriverRows(); }
    void sortedAsOnSqlite()
    {
        QFETCH(ServerDriver, driver);
        BesideSqlite stores(driver);
        QVERIFY(stores.Open());
        QVERIFY(stores.Add(ArchiveFixture::Tester("SN1"), ArchiveFixture::Records(0, 120)));
        ArchiveStore *const store = stores.server.get();
        ArchiveStore *const local = stores.local.get();
        ArchiveError error;
        ArchiveQuery fails;
        fails.criteria.byResult = true;
        fails.criteria.result = QStringLiteral("FAIL");
        const auto cells = [&error](ArchiveStore &s, const ArchiveQuery &q, ArchiveSort sort,
                                    qint64 first, int limit) {
            QStringList rows;
            for (const ArchivedRecord &r :
                 s.Page(q, sort, first, limit, &error).value_or(QVector<ArchivedRecord>()))
                rows << r.cells.join(u'|');
            s.ForEachRecord(
                q, sort, 1000,
                [&rows](const ArchivedRecord &r) {
                    rows << r.cells.join(u'|');
                    return true;
                },
                &error);
            return rows;
        };
        // Every page of 16 sought from the one read before it, scrolling
        // down or up.
        const auto scrolled = [&error](ArchiveStore &s, const ArchiveQuery &q, ArchiveSort sort,
                                       qint64 count, bool down) {
            QVector<QStringList> pages((count + 15) / 16);
            std::optional<ArchiveAnchor> near;
            for (qint64 i = 0; i < pages.size(); ++i) {
                const qint64 page = down ? i : pages.size() - 1 - i;
                ArchivePageAsk ask{page * 16, 16, count, {}, {}};
                (down ? ask.before : ask.after) = near;
                const auto read = s.Page(q, sort, ask, &error).value_or(QVector<ArchivedRecord>());
                for (const ArchivedRecord &r : read)
                    pages[page] << QString::number(r.id) + ' ' + r.cells.join(u'|');
                if (read.isEmpty())
                    break;
                near = down ? ArchiveAnchor{page * 16 + read.size() - 1, KeyOf(read.last())}
                            : ArchiveAnchor{page * 16, KeyOf(read.first())};
            }
            QStringList rows;
            for (const QStringList &page : pages)
                rows += page;
            return rows;
        };
        ArchiveQuery readings;
        readings.criteria.byReading = true;
        readings.criteria.unit = QStringLiteral("%BAC");
        readings.criteria.readingFrom = QStringLiteral("0.000");
        readings.criteria.readingTo = QStringLiteral("0.250");
        for (const ArchiveQuery &query : {ArchiveQuery(), fails, readings})
            for (int column = 0; column < RecordColumns; ++column)
                for (const bool ascending : {true, false}) {
                    const ArchiveSort sort{column, ascending};
                    const qint64 count = local->Count(query, &error).value_or(-1);
                    QCOMPARE(store->Count(query, &error), count);
                    for (const qint64 first : {qint64(0), count - 20}) {
                        const QStringList expected = cells(*local, query, sort, first, 20);
                        QVERIFY(expected.size() > 20);
                        QCOMPARE(cells(*store, query, sort, first, 20), expected);
                    }
                    for (const bool down : {true, false}) {
                        const QStringList expected = scrolled(*local, query, sort, count, down);
                        QCOMPARE(expected.size(), count);
                        QCOMPARE(scrolled(*store, query, sort, count, down), expected);
                    }
                }
    }

    // Every connection of the program limits its statements and its idle
    // transactions on the server itself.
    void sessionLimits_data() { DriverRows(); }
    void sessionLimits()
    {
        QFETCH(ServerDriver, driver);
        const ArchiveLocation where = ServerLocation(driver, QStringLiteral("postgres"));
        SqlConnection connection(ArchiveDriverName(where.driver));
        ArchiveError error;
        QVERIFY2(OpenServer(connection.Db(), where, &error), qPrintable(ArchiveErrorText(error)));
        QStringList settings;
        for (const char *name : {"statement_timeout", "idle_in_transaction_session_timeout"}) {
            QSqlQuery query(connection.Db());
            QVERIFY(query.exec(QStringLiteral("SHOW ") + QLatin1String(name)) && query.next());
            settings << query.value(0).toString();
        }
        QCOMPARE(settings, QStringList({"5s", "30s"}));
    }

    // A selection saved or exported at the pace of a slow file: the server
    // counts that time as the statement's, and the pass outlasts the usual
    // time of a statement (5 s) whole.
    void slowReaderGetsAll()
    {
        QString database;
        auto store = FreshStore(ServerDriver::Postgres, &database);
        QVERIFY(store);
        ArchiveError error;
        constexpr int Records = 30000;
        QVERIFY(
            store->Add(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, Records), &error));
        int read = 0;
        const bool whole = store->ForEachRecord(
            {}, {3, true}, Records,
            [&](const ArchivedRecord &) {
                if (++read % 500 == 0)
                    QThread::msleep(100);
                return true;
            },
            &error);
        QVERIFY2(whole, qPrintable(ArchiveErrorText(error)));
        QCOMPARE(read, Records);
    }

    // Texts that a server's bulk path must escape (tab, backslash, line
    // breaks, "\N", which COPY reads as no value) and readings that must come
    // back as the very same number: kept, sorted and filtered as on SQLite,
    // and the tester's device lines as they came.
    void oddTextsAsOnSqlite_data() { DriverRows(); }
    void oddTextsAsOnSqlite()
    {
        QFETCH(ServerDriver, driver);
        BesideSqlite stores(driver);
        QVERIFY(stores.Open());
        GridRows rows = ArchiveFixture::Records(0, 20);
        rows.append({"00101", "01 - Jan - 2010", "08:00.00", "0.1\t%BAC", "PASS", "a\\tb"});
        rows.append({"00102", "02 - Jan - 2010", "\\N", "0.100 %BAC", "FAIL\n", "Manual\r\n"});
        rows.append({"00103", "03 - Jan - 2010", "\\", "0.30000000000000004 %BAC", "\\\\.",
                     QStringLiteral("\u00e9\u00b5 \u00fc")});
        rows.append({"00104", "", "", "", "", ""});
        rows.append({"00105", "04 - Jan - 2010", "\\.", "0.401 %BAC", "\t", "\r"});
        const QStringList tester = ArchiveFixture::Tester("SN\t\\1");
        QVERIFY(stores.Add(tester, rows));
        ArchiveError error;
        const ArchiveQuery readings{std::nullopt, Criteria("", "", "%BAC|0.100|0.400", "")};
        for (const ArchiveQuery &query : {ArchiveQuery(), readings})
            for (const int column : {0, 3}) {
                const auto expected = stores.local->Page(query, {column, true}, 0, 100, &error);
                QVERIFY(expected && !expected->isEmpty());
                const auto page = stores.server->Page(query, {column, true}, 0, 100, &error);
                QVERIFY2(page, qPrintable(ArchiveErrorText(error)));
                QCOMPARE(page->size(), expected->size());
                for (int i = 0; i < page->size(); ++i)
                    QCOMPARE((*page)[i].cells, (*expected)[i].cells);
            }
        QCOMPARE(stores.server->Testers(&error)->value(0).deviceInfo, tester);
    }

    // The calibration interval came with a later version of the tables.
    void upgradeAndNewerSchema_data() { DriverRows(); }
    void upgradeAndNewerSchema()
    {
        QFETCH(ServerDriver, driver);
        const QString database = QStringLiteral("upgrade_") + QTest::currentDataTag();
        QVERIFY(FreshDatabase(database));
        OtherProgram other(database);
        ArchiveError error;
        QVERIFY2(UpgradeArchiveSchema(other.Db(), ArchiveLocation::Driver::Postgres,
                                      ArchiveSchemaVersion - 1, &error),
                 qPrintable(ArchiveErrorText(error)));
        auto store = ArchiveStore::Open(ServerLocation(driver, database), &error);
        QVERIFY2(store, qPrintable(ArchiveErrorText(error)));
        QCOMPARE(store->CalibrationMonths(&error), DefaultCalibrationMonths);
        QVERIFY(store->Add(ArchiveFixture::Tester("SN2"), ArchiveFixture::Records(0, 10), &error));
        store.reset();
        other.Run("UPDATE archive_schema SET version = ?", {ArchiveSchemaVersion + 1});
        QVERIFY(!ArchiveStore::Open(ServerLocation(driver, database), &error));
        QVERIFY2(ArchiveErrorText(error).contains("newer"), qPrintable(ArchiveErrorText(error)));
        QCOMPARE(other.Run("SELECT COUNT(*) FROM records").toInt(), 10);
    }

    void connectFailures_data()
    {
        QTest::addColumn<ServerDriver>("driver");
        QTest::addColumn<QString>("user");
        QTest::addColumn<QString>("database");
        QTest::addColumn<QByteArray>("passfile"); // the password file's line
        QTest::addColumn<QString>("place");       // the suite's server, "silent" or "nowhere"
        QTest::addColumn<QString>("reason");      // empty: opens
        const QByteArray right = "*:*:*:kestrune_pw:kestrune-secret\n";
        const QByteArray wrong = "*:*:*:kestrune_pw:not-the-secret\n";
        const auto pg = ServerDriver::Postgres;
        const auto odbc = ServerDriver::Odbc;
        const QString pw = QStringLiteral("kestrune_pw");
        QTest::newRow("right password") << pg << pw << pw << right << ""
                                        << "";
        QTest::newRow("wrong password") << pg << pw << pw << wrong << ""
                                        << "password authentication failed";
        QTest::newRow("no password") << pg << pw << pw << QByteArray() << ""
                                     << "no password supplied";
        QTest::newRow("odbc, wrong password") << odbc << pw << pw << wrong << ""
                                              << "password authentication failed";
        QTest::newRow("no such database") << pg << "postgres"
                                          << "nosuchdb" << QByteArray() << ""
                                          << "does not exist";
        QTest::newRow("no server") << pg << "postgres"
                                   << "k" << QByteArray() << "nowhere"
                                   << "No such file or directory";
        QTest::newRow("server never answers") << pg << "postgres"
                                              << "k" << QByteArray() << "silent"
                                              << "timeout expired";
        QTest::newRow("odbc, server never answers") << odbc << "postgres"
                                                    << "k" << QByteArray() << "silent"
                                                    << "timeout expired";
    }
    void connectFailures()
    {
        QFETCH(ServerDriver, driver);
        QFETCH(QString, user);
        QFETCH(QString, database);
        QFETCH(QByteArray, passfile);
        QFETCH(QString, place);
        QFETCH(QString, reason);
        QTemporaryDir dir;
        QFile file(dir.filePath("pgpass"));
        QVERIFY(file.open(QIODevice::WriteOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner));
        file.write(passfile);
        file.close();
        qputenv("PGPASSFILE", file.fileName().toLocal8Bit());
        SilentPort silent;
        const ArchiveLocation where =
            place == "silent" ? ServerLocation(driver, database, user, "127.0.0.1", silent.Port())
            : place == "nowhere" ? ServerLocation(driver, database, user, dir.path())
                                 : ServerLocation(driver, database, user);
        ArchiveError failed;
        auto store = ArchiveStore::Open(where, &failed);
        const QString error = ArchiveErrorText(failed);
        qunsetenv("PGPASSFILE");
        QVERIFY2((store != nullptr) == reason.isEmpty(), qPrintable(error));
        QVERIFY2(error.contains(reason), qPrintable(error));
        QVERIFY(!error.contains("secret"));
    }

    // Two programs archive the same tester's records at once, let go at the
    // same moment by a lock another program held.
    void concurrentArchiving_data()
    {
        QTest::addColumn<bool>("newTester"); // else archived before, its row locked
        QTest::addColumn<int>("secondFirst");
        QTest::addColumn<ServerDriver>("secondDriver");
        const auto pg = ServerDriver::Postgres;
        QTest::newRow("same records") << false << 0 << pg;
        QTest::newRow("overlapping records") << false << 150 << pg;
        QTest::newRow("same records, new tester") << true << 0 << pg;
        QTest::newRow("overlapping, one through odbc") << true << 150 << ServerDriver::Odbc;
    }
    void concurrentArchiving()
    {
        QFETCH(bool, newTester);
        QFETCH(int, secondFirst);
        QFETCH(ServerDriver, secondDriver);
        QString database;
        ArchiveError error;
        auto store = FreshStore(ServerDriver::Postgres, &database);
        QVERIFY(store);
        OtherProgram other(database);
        if (!newTester)
            QVERIFY(store->Add(ArchiveFixture::Tester("SN7"), {}, &error));
        QVERIFY(other.Db().transaction());
        if (newTester)
            other.Run("INSERT INTO testers (serial_number, software_version, last_calibration,"
                      " device_heading, serial_line, software_line, calibration_line, records,"
                      " last_download) VALUES ('SN7', '', '', '', '', '', '', 0, 0)");
        else
            other.Run("UPDATE testers SET records = records");
        QProcess *a = StartChild(this, ServerLocation(ServerDriver::Postgres, database), 0, 300);
        QProcess *b = StartChild(this, ServerLocation(secondDriver, database), secondFirst, 300);
        QVERIFY(other.WaitForLockWaiters(2));
        QVERIFY(newTester ? other.Db().rollback() : other.Db().commit());
        qint64 added = 0;
        for (QProcess *child : {a, b}) {
            QVERIFY(child->waitForFinished(60000));
            QVERIFY2(child->exitCode() == 0, child->readAllStandardError().constData());
            const QList<QByteArray> said = child->readAllStandardOutput().trimmed().split(' ');
            QCOMPARE(said.value(0).toLongLong() + said.value(1).toLongLong(), 300);
            added += said.value(0).toLongLong();
        }
        const int distinct = 300 + secondFirst;
        QCOMPARE(added, distinct);
        QCOMPARE(other.Run("SELECT COUNT(*) FROM records").toInt(), distinct);
        QCOMPARE(other.Run("SELECT records FROM testers").toInt(), distinct);
        QCOMPARE(other.Run("SELECT COUNT(*) FROM testers").toInt(), 1);
    }

    // An archiving waits for a lock; then the server stops at once, or the
    // lock is never let go. Either way the archiving ends with the reason and
    // leaves nothing of itself.
    void serverGoneMidArchive_data()
    {
        QTest::addColumn<bool>("stopServer");
        QTest::addColumn<QString>("reason");
        QTest::newRow("server stopped") << true << "terminat";
        QTest::newRow("lock never let go") << false << "statement timeout";
    }
    void serverGoneMidArchive()
    {
        QFETCH(bool, stopServer);
        QFETCH(QString, reason);
        QTemporaryDir dir; // the server's own user goes through it
        QVERIFY(QFile::setPermissions(dir.path(), QFile::permissions(dir.path()) |
                                                      QFileDevice::ExeGroup |
                                                      QFileDevice::ExeOther));
        const QString folder = dir.filePath("pg");
        QVERIFY(ServerScript("start", folder));
        const auto stop = qScopeGuard([&] { ServerScript("stop", folder); });
        QVERIFY(FreshDatabase("gone", folder));
        const ArchiveLocation where =
            ServerLocation(ServerDriver::Postgres, "gone", "postgres", folder);
        ArchiveError error;
        QVERIFY(ArchiveStore::Open(where, &error)
                    ->Add(ArchiveFixture::Tester("SN7"), ArchiveFixture::Records(0, 10), &error));
        {
            OtherProgram other("gone", folder);
            QVERIFY(other.Db().transaction());
            other.Run("UPDATE testers SET records = records");
            QProcess *child = StartChild(this, where, 10, 300);
            QVERIFY(other.WaitForLockWaiters(1));
            if (stopServer)
                QVERIFY(ServerScript("kill", folder));
            QVERIFY(child->waitForFinished(60000));
            QCOMPARE(child->exitCode(), 1);
            const QString said = QString::fromLocal8Bit(child->readAllStandardError());
            QVERIFY2(said.contains(reason), qPrintable(said));
        }
        if (stopServer)
            QVERIFY(ServerScript("restart", folder));
        OtherProgram after("gone", folder);
        QCOMPARE(after.Run("SELECT COUNT(*) FROM records").toInt(), 10);
        QCOMPARE(after.Run("SELECT records FROM testers").toInt(), 10);
    }

    // Every PC of a site reads the interval one of them set.
    void calibrationInterval_data() { DriverRows(true); }
    void calibrationInterval()
    {
        QFETCH(ServerDriver, driver);
        QString database;
        ArchiveError error;
        auto store = FreshStore(driver, &database);
        QVERIFY(store);
        QCOMPARE(store->CalibrationMonths(&error), DefaultCalibrationMonths);
        QVERIFY2(store->SetCalibrationMonths(6, &error), qPrintable(ArchiveErrorText(error)));
        QVERIFY(!store->SetCalibrationMonths(MaxCalibrationMonths + 1, &error));
        const ServerDriver otherDriver = driver == ServerDriver::Postgres ? ServerDriver::Odbc
                                         : driver == ServerDriver::Odbc   ? ServerDriver::Postgres
                                                                          : driver;
        auto otherPc = ArchiveStore::Open(ServerLocation(otherDriver, database), &error);
        QCOMPARE(otherPc->CalibrationMonths(&error), 6);
    }

    void retention_data()
    {
        QTest::addColumn<ServerDriver>("driver");
        QTest::addColumn<long>("before");
        QTest::addColumn<bool>("oneTester");
        QTest::addColumn<int>("gone");
        const auto pg = ServerDriver::Postgres;
        // Records(0, 400) are 336 of 2010 and 64 of 2011.
        QTest::newRow("all testers") << pg << 20110101L << false << 336 + 100;
        QTest::newRow("one tester") << pg << 20110101L << true << 336;
        QTest::newRow("the first day kept") << pg << 20100101L << false << 0;
        QTest::newRow("the first day gone") << pg << 20100102L << false << 2;
        QTest::newRow("odbc, all testers") << ServerDriver::Odbc << 20110101L << false << 436;
        QTest::newRow("sqlite, one tester") << ServerDriver::Sqlite << 20110101L << true << 336;
    }
    void retention()
    {
        QFETCH(ServerDriver, driver);
        QFETCH(long, before);
        QFETCH(bool, oneTester);
        QFETCH(int, gone);
        QString database;
        ArchiveError error;
        auto store = FreshStore(driver, &database);
        QVERIFY(store);
        GridRows a = ArchiveFixture::Records(0, 400);
        a.append({"99999", "no date", "12:00.00", "0.100 %BAC", "PASS", "-"});
        QVERIFY(store->Add(ArchiveFixture::Tester("SN-A"), a, &error));
        QVERIFY(
            store->Add(ArchiveFixture::Tester("SN-B"), ArchiveFixture::Records(0, 100), &error));
        const qint64 testerA = store->Testers(&error)->value(0).id;
        const std::optional<qint64> which = oneTester ? std::optional(testerA) : std::nullopt;
        QCOMPARE(store->CountOlderThan(before, which, &error), gone);
        QCOMPARE(store->DeleteOlderThan(before, which, &error), gone);
        QCOMPARE(store->CountOlderThan(before, which, &error), 0);
        QCOMPARE(store->Count({}, &error), 501 - gone);
        qint64 kept = 0;
        const QVector<ArchiveTester> testers =
            store->Testers(&error).value_or(QVector<ArchiveTester>());
        for (const ArchiveTester &t : testers) {
            kept += t.records;
            QVERIFY(t.records == 0 || t.firstDateKey >= before || (oneTester && t.id != testerA));
        }
        QCOMPARE(kept, 501 - gone);
    }

    // The chart's bars and the readings counted in each unit come from the
    // tally of every day's tests where the selection lets them: they stay
    // those of the records themselves after archiving records new and old,
    // after a Delete Old, and once the upgrade to this version has made the
    // tally anew from the records.
    void chartAsFromEveryRecord_data()
    {
        QTest::addColumn<ServerDriver>("driver");
        QTest::addColumn<bool>("oneTester"); // the Delete Old of one tester, else of all
        const auto pg = ServerDriver::Postgres;
        QTest::newRow("postgresql, one tester") << pg << true;
        QTest::newRow("postgresql, all testers") << pg << false;
        QTest::newRow("odbc, all testers") << ServerDriver::Odbc << false;
        QTest::newRow("sqlite, one tester") << ServerDriver::Sqlite << true;
        QTest::newRow("sqlite, all testers") << ServerDriver::Sqlite << false;
    }
    void chartAsFromEveryRecord()
    {
        QFETCH(ServerDriver, driver);
        QFETCH(bool, oneTester);
        QString database;
        ArchiveError error;
        auto store = FreshStore(driver, &database);
        QVERIFY(store);
        GridRows a = ArchiveFixture::Records(0, 400);
        a.append({"99998", "no date", "12:00.00", "0.100 %BAC", "PASS", "-"});
        a.append({"99999", "05 - Mar - 2010", "12:00.00", "----- %BAC", "FAIL", "-"});
        // Another tester on the same days, its readings in other places.
        GridRows b = ArchiveFixture::Records(0, 300);
        for (int i = 0; i < b.size(); ++i)
            if (i % 3 != 0)
                b[i][3] = QStringLiteral("%1 %BAC").arg(i % 7 / 100.0, 5, 'f', 3);
        QVERIFY(store->Add(ArchiveFixture::Tester("SN-A"), a, &error));
        QVERIFY(store->Add(ArchiveFixture::Tester("SN-B"), b, &error));
        // Half of these are there already: only the others count.
        QVERIFY(
            store->Add(ArchiveFixture::Tester("SN-A"), ArchiveFixture::Records(300, 200), &error));
        const qint64 testerA = store->Testers(&error)->value(0).id;
        const ArchiveQuery selections[] = {
            {},
            {std::nullopt, Criteria("", "2010-03-01|2010-10-31", "", "")},
            {std::nullopt, Criteria("", "", "", "FAIL")},
            {std::nullopt, Criteria("", "2010-05-01|2011-02-15", "", "PASS")},
            {testerA, Criteria("", "", "", "")},
            {std::nullopt, Criteria("", "", "%BAC|0.000|0.040", "")},
            {std::nullopt, Criteria("20|290", "", "", "")}};
        const auto compare = [&](const char *when) {
            for (const ArchiveQuery &query : selections) {
                ChartBothWays both;
                QVERIFY2(DrawBothWays(*store, query, &both, &error), qPrintable(Said(error)));
                CompareBothWays(both);
                if (QTest::currentTestFailed())
                    qWarning("%s: the selection %lld %s", when, query.testerId.value_or(0),
                             qPrintable(query.criteria.dateFrom + query.criteria.result));
            }
        };
        compare("archived");
        const std::optional<qint64> which = oneTester ? std::optional(testerA) : std::nullopt;
        QVERIFY(store->DeleteOlderThan(20100701, which, &error));
        compare("after Delete Old");
        QVERIFY(!QTest::currentTestFailed());

        // An archive of the version before, its records archived already.
        store.reset();
        const QStringList older{
            "DROP TABLE chart_days",
            QStringLiteral("DROP INDEX ") + QLatin1String(ChartReadingIndex),
            QStringLiteral("UPDATE archive_schema SET version = %1").arg(ArchiveSchemaVersion - 1)};
        const ArchiveLocation where = ServerLocation(driver, database);
        if (driver == ServerDriver::Sqlite) {
            ArchiveFixture::RunOn(where.target, older);
        } else {
            OtherProgram other(database);
            for (const QString &sql : older)
                other.Run(sql);
        }
        store = ArchiveStore::Open(where, &error);
        QVERIFY2(store, qPrintable(Said(error)));
        compare("upgraded");
    }
};

QTEST_GUILESS_MAIN(TestArchiveServer)
#include "tst_archiveserver.moc"
