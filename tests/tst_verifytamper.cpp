// kestrune-verify as an auditor runs it, on an archive that a tamperer
// changed with the database's own tools (sqlite3 on the file, psql on the
// site's server) after dropping the triggers that guard it: each change
// named, exit 1; an intact archive exit 0; an unreadable one exit 2.

#include "archivefixture.h"
#include "serverfixture.h"

#include "archive/store/archiveschema.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>

namespace {

struct Run
{
    int exitCode = -1;
    QString out, err;
};

Run RunTool(const QString &program, const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(program, arguments);
    process.write(input);
    process.closeWriteChannel();
    Run run;
    if (!process.waitForFinished(120000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromLocal8Bit(process.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(process.readAllStandardError());
    return run;
}

Run Verify(const QString &location)
{
    return RunTool(QStringLiteral(KESTRUNE_VERIFY), {location});
}

// The tamperer's statements, as one script for either tool.
const QString OfKt1 = " AND tester_id = (SELECT id FROM testers WHERE serial_number = 'KT1');";
const QString ChangeReading =
    "UPDATE records SET reading_text = '0.999 %BAC' WHERE test_no_text = '00002'" + OfKt1;
;
const QString DeleteRecord = "DELETE FROM records WHERE test_no_text = '00003'" + OfKt1;
const QString InsertRecord =
    "INSERT INTO records (tester_id, test_no_text, date_text, time_text, reading_text,"
    " result_text, sampling_text, test_no, date_key, reading_ok, reading, unit, archived_at)"
    " SELECT tester_id, '00777', date_text, time_text, reading_text, result_text,"
    " sampling_text, 777, date_key, reading_ok, reading, unit, archived_at FROM records"
    " WHERE test_no_text = '00001'" +
    OfKt1;
const QString EditBatchHash =
    "UPDATE batches SET hash = '" + QString(64, QLatin1Char('e')) + "' WHERE number = 1;";

// Tester KT1: batch 1 with records 00001 to 00005, batch 2 with 00006 to
// 00008; tester KT2: batch 1 with 00001 to 00004.
void Fill(const ArchiveLocation &where)
{
    ArchiveError error;
    std::unique_ptr<ArchiveStore> store = ArchiveStore::Open(where, &error);
    QVERIFY2(store, qPrintable(Said(error)));
    QVERIFY2(store->Add(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, 5), &error),
             qPrintable(Said(error)));
    QVERIFY2(store->Add(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(3, 5), &error),
             qPrintable(Said(error)));
    QVERIFY2(store->Add(ArchiveFixture::Tester("KT2"), ArchiveFixture::Records(0, 4), &error),
             qPrintable(Said(error)));
}

} // namespace

class TestVerifyTamper : public QObject
{
    Q_OBJECT
private slots:
    void tamperingNamed_data();
    void tamperingNamed();
    void deletionWithItsEntryIsIntact();
    void unreadableArchive_data();
    void unreadableArchive();

private:
    ArchiveFixture fx;
    int FDatabases = 0;
};

void TestVerifyTamper::tamperingNamed_data()
{
    QTest::addColumn<ServerDriver>("backend");
    QTest::addColumn<QString>("script");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QStringList>("named");
    const QVector<QPair<const char *, ServerDriver>> backends = {{"sqlite3", ServerDriver::Sqlite},
                                                                 {"psql", ServerDriver::Postgres}};
    for (const auto &tested : backends) {
        const char *tool = tested.first;
        const ServerDriver backend = tested.second;
        const auto row = [tool, backend](const char *name) -> QTestData & {
            return QTest::addRow("%s, %s", tool, name) << backend;
        };
        row("intact") << QString() << 0
                      << QStringList{"Verified 12 records of 2 testers in ", " s: intact",
                                     "KT1: 2 batches, 8 records, chain head ",
                                     "KT2: 1 batch, 4 records, chain head "};
        row("reading changed") << ChangeReading << 1
                               << QStringList{"not intact, 1 break",
                                              "Tester KT1, batch 1, record 00002 (", "): changed"};
        row("record deleted") << DeleteRecord << 1
                              << QStringList{"not intact, 1 break",
                                             "Tester KT1, batch 1, its record 3 (fingerprint ",
                                             "): removed without a deletion entry"};
        row("record inserted") << InsertRecord << 1
                               << QStringList{"not intact, 1 break", "Tester KT1, record 00777 (",
                                              "): added outside a batch"};
        row("batch hash edited")
            << EditBatchHash << 1
            << QStringList{"not intact, 3 breaks",
                           "Tester KT1, batch 1: batch altered: its hash does not match",
                           "Tester KT1, batch 2: batch altered: its link to the batch before",
                           "Tester KT2, batch 1: batch altered: its hash does not match"};
    }
}

void TestVerifyTamper::tamperingNamed()
{
    QFETCH(ServerDriver, backend);
    QFETCH(QString, script);
    QFETCH(int, exitCode);
    QFETCH(QStringList, named);
    ArchiveLocation where;
    QString drop;
    QString tool;
    QStringList toolArguments;
    if (backend == ServerDriver::Sqlite) {
        where = {ArchiveLocation::Driver::Sqlite,
                 fx.Dir() + QStringLiteral("/tampered%1.sqlite").arg(++FDatabases)};
        Fill(where);
        tool = QStringLiteral("sqlite3");
        toolArguments = {where.target};
        // Every trigger, by the names the file lists.
        const Run triggers = RunTool(tool, toolArguments,
                                     "SELECT 'DROP TRIGGER \"' || name || '\";' FROM sqlite_master"
                                     " WHERE type = 'trigger';");
        QCOMPARE(triggers.exitCode, 0);
        QVERIFY(!triggers.out.isEmpty());
        drop = triggers.out;
    } else {
        REQUIRE_TEST_SERVER();
        const QString database = QStringLiteral("tamper%1").arg(++FDatabases);
        QVERIFY(FreshDatabase(database));
        where = ServerLocation(ServerDriver::Postgres, database);
        Fill(where);
        tool = QStringLiteral("psql");
        toolArguments = {"-v", "ON_ERROR_STOP=1", "-q", "-h",    TestServerFolder(),
                         "-U", "postgres",        "-d", database};
        drop = "ALTER TABLE records DISABLE TRIGGER USER;"
               " ALTER TABLE batches DISABLE TRIGGER USER;";
    }
    if (!script.isEmpty()) {
        const Run tampered = RunTool(tool, toolArguments, (drop + script).toUtf8());
        QVERIFY2(tampered.exitCode == 0, qPrintable(tampered.err));
    }
    const Run verified = Verify(ArchiveLocationText(where));
    QVERIFY2(verified.exitCode == exitCode, qPrintable(verified.out + verified.err));
    for (const QString &words : std::as_const(named))
        QVERIFY2(verified.out.contains(words), qPrintable(words + "\n" + verified.out));
    QVERIFY(verified.err.isEmpty());
    // Nothing was written: a verify after it reads the same.
    const Run again = Verify(ArchiveLocationText(where));
    QCOMPARE(again.exitCode, exitCode);
}

void TestVerifyTamper::deletionWithItsEntryIsIntact()
{
    const ArchiveLocation where{ArchiveLocation::Driver::Sqlite,
                                fx.Dir() + QStringLiteral("/deleted.sqlite")};
    Fill(where);
    {
        ArchiveError error;
        std::unique_ptr<ArchiveStore> store = ArchiveStore::Open(where, &error);
        QVERIFY2(store, qPrintable(Said(error)));
        // 1 to 3 January 2010 of both testers.
        QCOMPARE(store->DeleteOlderThan(20100104, std::nullopt, &error), std::optional<qint64>(6));
    }
    const Run verified = Verify(ArchiveLocationText(where));
    QVERIFY2(verified.exitCode == 0, qPrintable(verified.out + verified.err));
    for (const char *words : {"Verified 6 records of 2 testers in ",
                              "KT1: 2 batches, 5 records, 3 deleted, chain head ",
                              "KT2: 1 batch, 1 record, 3 deleted, chain head "})
        QVERIFY2(verified.out.contains(QLatin1String(words)), qPrintable(verified.out));
    // No files of its own beside the archive, which would keep another user
    // who owns it from writing.
    for (const char *side : {"-wal", "-shm", "-journal"})
        QVERIFY2(!QFileInfo::exists(where.target + QLatin1String(side)), side);
}

void TestVerifyTamper::unreadableArchive_data()
{
    QTest::addColumn<QString>("location");
    QTest::addColumn<QString>("reason");
    const QString missing = fx.Dir() + QStringLiteral("/missing.sqlite");
    QTest::newRow("no such file") << "sqlite:" + missing << missing + ": no such file";
    QTest::newRow("no location") << QString() << "usage: kestrune-verify LOCATION";
    QTest::newRow("no kind of location")
        << QStringLiteral("mysql://site/archive") << "KESTRUNE_ARCHIVE must be sqlite:";
    const QString text = fx.Dir() + QStringLiteral("/text.sqlite");
    ArchiveFixture::Write(text, "just some text, not a database");
    QTest::newRow("no database") << "sqlite:" + text << text + ": ";
    const QString empty = fx.Dir() + QStringLiteral("/empty.sqlite");
    ArchiveFixture::Write(empty, {});
    QTest::newRow("empty file") << "sqlite:" + empty << empty + ": not a Kestrune archive";
    // An archive written before records had fingerprints.
    const QString old = fx.Dir() + QStringLiteral("/old.sqlite");
    {
        SqlConnection connection(QStringLiteral("QSQLITE"));
        QSqlDatabase db = connection.Db();
        db.setDatabaseName(old);
        QVERIFY(db.open());
        ArchiveError error;
        QVERIFY(UpgradeArchiveSchema(db, ArchiveLocation::Driver::Sqlite, 5, &error));
        db.close();
    }
    QTest::newRow("archive of version 5")
        << "sqlite:" + old << old + ": the archive (version 5) holds no fingerprints yet";
    // An archive whose version row is damaged is no older archive.
    for (const char *version : {"-1", "'six'"}) {
        const QString damaged = fx.Dir() + QStringLiteral("/version%1.sqlite").arg(version);
        Fill({ArchiveLocation::Driver::Sqlite, damaged});
        ArchiveFixture::RunOn(damaged, {QStringLiteral("UPDATE archive_schema SET version = ") +
                                        QLatin1String(version)});
        QTest::addRow("version %s", version)
            << "sqlite:" + damaged
            << damaged +
                   ": the archive file is damaged and was left as it is (archive_schema "
                   "holds the version \"" +
                   QString::fromLatin1(version).remove(u'\'') + "\")";
    }
    if (!TestServerFolder().isEmpty())
        QTest::newRow("no such database")
            << ArchiveLocationText(ServerLocation(ServerDriver::Postgres, "nosuchdatabase"))
            << "nosuchdatabase";
}

void TestVerifyTamper::unreadableArchive()
{
    QFETCH(QString, location);
    QFETCH(QString, reason);
    const QString path = location.startsWith("sqlite:") ? location.mid(7) : QString();
    const bool existed = !path.isEmpty() && QFileInfo::exists(path);
    const QByteArray before = existed ? ArchiveFixture::Bytes(path) : QByteArray();
    const Run verified = RunTool(QStringLiteral(KESTRUNE_VERIFY),
                                 location.isEmpty() ? QStringList() : QStringList{location});
    QCOMPARE(verified.exitCode, 2);
    QVERIFY(verified.out.isEmpty());
    QVERIFY2(verified.err.contains(reason), qPrintable(verified.err));
    // The file is left as it was, and no file is made where there was none.
    if (!path.isEmpty()) {
        QCOMPARE(QFileInfo::exists(path), existed);
        QCOMPARE(ArchiveFixture::Bytes(path), before);
    }
}

QTEST_GUILESS_MAIN(TestVerifyTamper)
#include "tst_verifytamper.moc"
