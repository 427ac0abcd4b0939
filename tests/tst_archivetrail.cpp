// The archive's trail on SQLite and on the suite's PostgreSQL server (also
// through ODBC): each archiving one batch in its tester's chain, records
// fingerprinted, older archives carried over into one batch per tester,
// rows the database refuses to change or delete, deletions and setting
// changes with their audit rows, and two programs archiving one tester at
// once leaving one chain.

#include "archivefixture.h"
#include "serverfixture.h"

#include "archive/archivewords.h"
#include "archive/store/archiveimport.h"
#include "archive/store/archiveinsert.h"
#include "archive/store/archiveschema.h"
#include "archive/store/archivetrail.h"
#include "archive/store/calibration.h"
#include "archive/store/recordfingerprint.h"

#include <QProcess>
#include <QSqlRecord>
#include <QtTest>

namespace {

// A fresh archive named after the test and row, opened through driver, and
// a connection of the test's own to the same database.
struct Fresh
{
    explicit Fresh(ServerDriver driver, bool open = true)
    {
        database =
            QString::fromLatin1(QTest::currentTestFunction()).toLower() +
            QString::fromLatin1(QTest::currentDataTag()).replace(QRegularExpression("\\W"), "_");
        where = ServerLocation(driver, database);
        const bool sqlite = driver == ServerDriver::Sqlite;
        if (sqlite ? QFile::exists(where.target) : !FreshDatabase(database))
            return;
        peek = std::make_unique<SqlConnection>(sqlite ? QStringLiteral("QSQLITE")
                                                      : QStringLiteral("QPSQL"));
        ArchiveError error;
        if (sqlite) {
            peek->Db().setDatabaseName(where.target);
            peek->Db().open();
        } else if (!OpenServer(peek->Db(), ServerLocation(ServerDriver::Postgres, database),
                               &error)) {
            qWarning("%s", qPrintable(error.reason));
        }
        if (open && !(store = ArchiveStore::Open(where, &error)))
            qWarning("%s", qPrintable(ArchiveErrorText(error)));
    }
    QSqlDatabase Db() const { return peek->Db(); }

    // Every row of sql, each as its values.
    QList<QVariantList> Rows(const QString &sql, const QVariantList &values = {}) const
    {
        QSqlQuery query(Db());
        QString reason;
        if (!RunSql(query, sql, values, &reason))
            qWarning("%s", qPrintable(reason));
        QList<QVariantList> rows;
        while (query.next()) {
            QVariantList row;
            for (int i = 0; i < query.record().count(); ++i)
                row << query.value(i);
            rows << row;
        }
        return rows;
    }
    QVariant One(const QString &sql, const QVariantList &values = {}) const
    {
        return Rows(sql, values).value(0).value(0);
    }
    // What a statement of another program gets: empty when it ran.
    QString Refusal(const QString &sql) const
    {
        QSqlQuery query(Db());
        QString reason;
        return RunSql(query, sql, {}, &reason) ? QString() : reason;
    }

    // The first fault of the testers' chains, empty when there is none:
    // batches numbered 1, 2, ... each linked to the hash before it, each
    // hash and record fingerprint as computed here, each batch's records in
    // id order those its fingerprints list (but for records deleted with a
    // trace), and no record outside a batch.
    QString ChainFault() const
    {
        if (One("SELECT COUNT(*) FROM records WHERE fingerprint IS NULL OR batch_id IS NULL"
                " OR batch_id NOT IN (SELECT id FROM batches)")
                .toInt() != 0)
            return QStringLiteral("records outside a batch");
        QSet<QByteArray> deleted;
        for (const QVariantList &row : Rows("SELECT fingerprint FROM deleted_records"))
            deleted << row[0].toByteArray();
        for (const QVariantList &tester : Rows("SELECT id, serial_number FROM testers")) {
            QByteArray prev = FirstPrevHash();
            qint64 number = 0;
            for (const QVariantList &b :
                 Rows("SELECT id, number, made_at, pc, os_user, kind, source, added, already,"
                      " fingerprints, prev_hash, hash FROM batches WHERE tester_id = ?"
                      " ORDER BY number",
                      {tester[0]})) {
                ArchiveBatch batch{
                    b[0].toLongLong(),   tester[0].toLongLong(), tester[1].toString(),
                    b[1].toLongLong(),   b[2].toLongLong(),      b[3].toString(),
                    b[4].toString(),     b[5].toString(),        b[6].toString(),
                    b[7].toLongLong(),   b[8].toLongLong(),      b[9].toByteArray(),
                    b[10].toByteArray(), b[11].toByteArray()};
                const QString at = QStringLiteral("tester %1 batch %2: ")
                                       .arg(batch.serialNumber)
                                       .arg(batch.number);
                if (batch.number != ++number || batch.prevHash != prev)
                    return at + QStringLiteral("not linked to batch %1").arg(number - 1);
                if (BatchHash(batch) != batch.hash)
                    return at + QStringLiteral("hash");
                if (batch.fingerprints.size() != batch.added * FingerprintLength)
                    return at + QStringLiteral("count");
                prev = batch.hash;
                RecordFingerprinter fingerprinter(batch.serialNumber);
                qsizetype listed = 0;
                for (const QVariantList &r :
                     Rows("SELECT fingerprint, test_no_text, date_text, time_text, reading_text,"
                          " result_text, sampling_text FROM records WHERE batch_id = ?"
                          " ORDER BY id",
                          {batch.id})) {
                    GridRow cells;
                    for (int i = 1; i <= RecordColumns; ++i)
                        cells << r[i].toString();
                    if (fingerprinter.Of(cells) != r[0].toByteArray())
                        return at + QStringLiteral("record %1 changed").arg(cells[0]);
                    while (listed < batch.fingerprints.size() &&
                           batch.fingerprints.mid(listed, FingerprintLength) !=
                               r[0].toByteArray() &&
                           deleted.contains(batch.fingerprints.mid(listed, FingerprintLength)))
                        listed += FingerprintLength;
                    if (batch.fingerprints.mid(listed, FingerprintLength) != r[0].toByteArray())
                        return at + QStringLiteral("record %1 not listed").arg(cells[0]);
                    listed += FingerprintLength;
                }
                for (; listed < batch.fingerprints.size(); listed += FingerprintLength)
                    if (!deleted.contains(batch.fingerprints.mid(listed, FingerprintLength)))
                        return at + QStringLiteral("a record gone without a trace");
            }
        }
        return {};
    }

    QString database;
    ArchiveLocation where;
    std::unique_ptr<SqlConnection> peek;
    std::unique_ptr<ArchiveStore> store;
};

void Drivers(bool odbc = true)
{
    QTest::addColumn<ServerDriver>("driver");
    QTest::newRow("sqlite") << ServerDriver::Sqlite;
    QTest::newRow("postgresql") << ServerDriver::Postgres;
    if (odbc)
        QTest::newRow("odbc") << ServerDriver::Odbc;
}

ArchiveOrigin Origin(const char *kind, const QString &source, const QString &pc)
{
    ArchiveOrigin origin;
    origin.kind = QLatin1String(kind);
    origin.source = source;
    origin.pc = pc;
    origin.user = QStringLiteral("anna");
    return origin;
}

} // namespace

class TestArchiveTrail : public QObject
{
    Q_OBJECT

private slots:
    void init() { REQUIRE_TEST_SERVER(); }

    // Each Add is a batch of its tester's chain with its origin and counts;
    // records sent again to a server that has them make none.
    void batchesInAChain_data() { Drivers(); }
    void batchesInAChain()
    {
        QFETCH(ServerDriver, driver);
        Fresh fx(driver);
        QVERIFY(fx.store);
        struct Step
        {
            const char *serial;
            int first, count;
            ArchiveOrigin origin;
        };
        const Step steps[] = {
            {"KT1", 0, 100, Origin(BatchDownload, {}, "PC-A")},
            {"KT1", 50, 100, Origin(BatchImport, "KT1 old.DAT", "PC-B")},
            {"KT2", 0, 10, Origin(BatchDownload, {}, "PC-A")},
            {"KT1", 0, 20, Origin(BatchSent, "PC-C", "PC-C")},
            {"KT1", 140, 30, Origin(BatchSent, "PC-C", "PC-C")},
            {"KT1", 0, 0, Origin(BatchDownload, {}, "PC-A")},
        };
        ArchiveError error;
        for (const Step &s : steps)
            QVERIFY2(fx.store->Add(ArchiveFixture::Tester(s.serial),
                                   ArchiveFixture::Records(s.first, s.count), s.origin, &error),
                     qPrintable(Said(error)));
        const QList<QVariantList> batches =
            fx.Rows("SELECT serial_number, number, kind, source, pc, os_user, added, already"
                    " FROM batches JOIN testers ON testers.id = tester_id ORDER BY batches.id");
        const QList<QVariantList> expected = {
            {"KT1", 1, "download", "", "PC-A", "anna", 100, 0},
            {"KT1", 2, "import", "KT1 old.DAT", "PC-B", "anna", 50, 50},
            {"KT2", 1, "download", "", "PC-A", "anna", 10, 0},
            {"KT1", 3, "sent", "PC-C", "PC-C", "anna", 20, 10},
            {"KT1", 4, "download", "", "PC-A", "anna", 0, 0}};
        QCOMPARE(batches.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            for (int c = 0; c < expected[i].size(); ++c)
                QCOMPARE(batches[i][c].toString(), expected[i][c].toString());
        QCOMPARE(fx.ChainFault(), QString());
        // A record's fingerprint is that of the tester's texts.
        QCOMPARE(fx.One("SELECT fingerprint FROM records ORDER BY id").toByteArray(),
                 RecordFingerprint("KT1", ArchiveFixture::Records(0, 1)[0]));
    }

    // Records new and already there in turn make one batch listing the new
    // ones in archive order; an archiving cancelled mid-way leaves no record
    // and no batch, and the next one links to the batch before it.
    void newAlreadyAndCancelled_data()
    {
        QTest::addColumn<ServerDriver>("driver");
        QTest::addColumn<int>("size"); // records in the first archiving
        QTest::newRow("sqlite") << ServerDriver::Sqlite << 10;
        QTest::newRow("sqlite, one") << ServerDriver::Sqlite << 1;
        QTest::newRow("postgresql") << ServerDriver::Postgres << 10;
    }
    void newAlreadyAndCancelled()
    {
        QFETCH(ServerDriver, driver);
        QFETCH(int, size);
        Fresh fx(driver);
        QVERIFY(fx.store);
        ArchiveError error;
        const QStringList tester = ArchiveFixture::Tester("KT3");
        QVERIFY(fx.store->Add(tester, ArchiveFixture::Records(size, size), &error));
        // New, already there, new.
        const std::optional<ArchiveCounts> mixed =
            fx.store->Add(tester, ArchiveFixture::Records(0, 3 * size), &error);
        QVERIFY2(mixed, qPrintable(Said(error)));
        QCOMPARE(mixed->added, 2 * size);
        QCOMPARE(mixed->already, size);
        QByteArray listed;
        for (int at = 0; at < 3 * size; ++at)
            if (at < size || at >= 2 * size)
                listed += RecordFingerprint("KT3", ArchiveFixture::Records(at, 1)[0]);
        QCOMPARE(fx.One("SELECT fingerprints FROM batches WHERE number = 2").toByteArray(), listed);
        const QVariant records = fx.One("SELECT COUNT(*) FROM records");
        const bool cancelled =
            fx.store
                ->Add(tester, ArchiveFixture::Records(100, 3 * InsertProgressRecords),
                      ArchiveOrigin(), &error,
                      [](qint64 sent) { return sent < InsertProgressRecords; })
                .has_value();
        QVERIFY(!cancelled);
        QCOMPARE(error.code, ArchiveErrorCode::Cancelled);
        QCOMPARE(fx.One("SELECT COUNT(*) FROM records"), records);
        QCOMPARE(fx.One("SELECT COUNT(*) FROM batches").toInt(), 2);
        QVERIFY(fx.store->Add(tester, ArchiveFixture::Records(100, 5), &error));
        QCOMPARE(fx.One("SELECT MAX(number) FROM batches").toInt(), 3);
        QCOMPARE(fx.ChainFault(), QString());
    }

    // Data files imported are batches naming each file; this PC's records
    // sent to a site's server are one 'sent' batch there per tester, naming
    // this PC, and sending them again makes none.
    void importedAndSent_data() { Drivers(false); }
    void importedAndSent()
    {
        QFETCH(ServerDriver, driver);
        Fresh fx(driver);
        QVERIFY(fx.store);
        QTemporaryDir dir;
        const QStringList files = {ArchiveFixture::DataFile(dir.filePath("KT1 a.DAT"), 0, 30),
                                   ArchiveFixture::DataFile(dir.filePath("b.dat"), 20, 30)};
        const ImportSummary imported = ImportDataFiles(*fx.store, files);
        QCOMPARE(imported.filesRead, 2);
        std::unique_ptr<ArchiveStore> local = ArchiveStore::Open(
            {ArchiveLocation::Driver::Sqlite, dir.filePath("local.sqlite")}, nullptr);
        ArchiveError error;
        QVERIFY(local);
        QVERIFY(local->Add(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(40, 30), &error));
        QVERIFY(local->Add(ArchiveFixture::Tester("KT2"), ArchiveFixture::Records(0, 5), &error));
        for (int round = 0; round < 2; ++round)
            QCOMPARE(QProcess::execute(QStringLiteral(KESTRUNE_ARCHIVE_CHILD),
                                       {"--send", ArchiveLocationText(local->Where()),
                                        ArchiveLocationText(fx.where)}),
                     0);
        const QString pc = ThisWorkstation().pc;
        const QList<QVariantList> expected = {{"KT1", "import", "KT1 a.DAT", 30, 0},
                                              {"KT1", "import", "b.dat", 20, 10},
                                              {"KT1", "sent", pc, 20, 10},
                                              {"KT2", "sent", pc, 5, 0}};
        const QList<QVariantList> batches =
            fx.Rows("SELECT serial_number, kind, source, added, already FROM batches"
                    " JOIN testers ON testers.id = tester_id ORDER BY batches.id");
        QCOMPARE(batches.size(), expected.size());
        for (int i = 0; i < expected.size(); ++i)
            for (int c = 0; c < expected[i].size(); ++c)
                QCOMPARE(batches[i][c].toString(), expected[i][c].toString());
        QCOMPARE(fx.ChainFault(), QString());
    }

    // An archive of version 3 (before batches) with records of two testers
    // in turn, more than a chunk of fingerprints written at once: opened, each
    // record has its fingerprint and each tester one carried-over batch, which
    // the next archiving chains on to.
    void carriedOverFromVersion3_data() { Drivers(false); }
    void carriedOverFromVersion3()
    {
        QFETCH(ServerDriver, driver);
        Fresh fx(driver, false);
        QVERIFY(fx.peek);
        const ArchiveLocation::Driver kind = fx.where.driver;
        ArchiveError error;
        QVERIFY2(UpgradeArchiveSchema(fx.Db(), kind, 3, &error), qPrintable(Said(error)));
        QSqlQuery query(fx.Db());
        QString reason;
        for (const char *serial : {"OLD1", "OLD2"})
            QVERIFY2(RunSql(query,
                            "INSERT INTO testers (serial_number, software_version,"
                            " last_calibration, device_heading, serial_line, software_line,"
                            " calibration_line, records, last_download)"
                            " VALUES (?, '', '', '', '', '', '', 0, 0)",
                            {serial}, &reason),
                     qPrintable(reason));
        const GridRows rows = ArchiveFixture::Records(0, 900);
        QVERIFY(query.prepare("INSERT INTO records (tester_id, test_no_text, date_text,"
                              " time_text, reading_text, result_text, sampling_text, test_no,"
                              " date_key, reading_ok, unit, archived_at)"
                              " VALUES (?, ?, ?, ?, ?, ?, ?, 0, 0, 0, '', 0)"));
        QVariantList columns[1 + RecordColumns];
        for (int i = 0; i < rows.size(); ++i) {
            columns[0] << (i % 3 == 0 ? 2 : 1);
            for (int c = 0; c < RecordColumns; ++c)
                columns[1 + c] << rows[i][c];
        }
        for (const QVariantList &column : columns)
            query.addBindValue(column);
        QVERIFY2(query.execBatch(), qPrintable(query.lastError().text()));
        fx.store = ArchiveStore::Open(fx.where, &error);
        QVERIFY2(fx.store, qPrintable(Said(error)));
        QCOMPARE(ArchiveSchemaVersionOf(fx.Db(), &error), ArchiveSchemaVersion);
        const QList<QVariantList> batches =
            fx.Rows("SELECT tester_id, number, kind, added, already, pc, os_user FROM batches"
                    " ORDER BY tester_id");
        QCOMPARE(batches.size(), 2);
        for (const QVariantList &b : batches) {
            QCOMPARE(b[1].toInt(), 1);
            QCOMPARE(b[2].toString(), QStringLiteral("carried over"));
            QCOMPARE(b[3].toInt(), b[0].toInt() == 1 ? 600 : 300);
            QCOMPARE(b[4].toInt(), 0);
            QCOMPARE(b[5].toString(), ThisWorkstation().pc);
            QCOMPARE(b[6].toString(), ThisWorkstation().user);
        }
        QCOMPARE(fx.ChainFault(), QString());
        QVERIFY(fx.store->Add(ArchiveFixture::Tester("OLD1"), ArchiveFixture::Records(880, 40),
                              &error));
        QCOMPARE(fx.One("SELECT MAX(number) FROM batches WHERE tester_id = 1").toInt(), 2);
        QCOMPARE(fx.ChainFault(), QString());
        // Upgraded, the archive refuses changes as a new one does.
        QVERIFY(!fx.Refusal("UPDATE records SET reading_text = '0.000 %BAC'").isEmpty());
    }

    // Another program's plain UPDATE, DELETE (or TRUNCATE) of records,
    // batches, audit rows and what a deletion took is refused, and nothing
    // changes; the archive may have been made through any driver.
    void rowsNeverChanged_data()
    {
        QTest::addColumn<ServerDriver>("driver");
        QTest::addColumn<QString>("sql");
        const QStringList tables = {"records", "batches", "audit", "deleted_records"};
        const QList<std::pair<const char *, ServerDriver>> drivers = {
            {"sqlite", ServerDriver::Sqlite},
            {"postgresql", ServerDriver::Postgres},
            {"odbc", ServerDriver::Odbc}};
        for (const auto &[name, driver] : drivers)
            for (const QString &table : tables) {
                const QString column = table == "records"   ? "reading_text"
                                       : table == "batches" ? "hash"
                                       : table == "audit"   ? "details"
                                                            : "date_text";
                QTest::addRow("%s: update %s", name, qPrintable(table))
                    << driver << QStringLiteral("UPDATE %1 SET %2 = 'x'").arg(table, column);
                QTest::addRow("%s: delete %s", name, qPrintable(table))
                    << driver << QStringLiteral("DELETE FROM %1").arg(table);
                if (driver != ServerDriver::Sqlite)
                    QTest::addRow("%s: truncate %s", name, qPrintable(table))
                        << driver << QStringLiteral("TRUNCATE %1 CASCADE").arg(table);
            }
    }
    void rowsNeverChanged()
    {
        QFETCH(ServerDriver, driver);
        QFETCH(QString, sql);
        Fresh fx(driver);
        QVERIFY(fx.store);
        ArchiveError error;
        QVERIFY(
            fx.store->Add(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, 400), &error));
        QVERIFY2(fx.store->DeleteOlderThan(20100201, std::nullopt, &error),
                 qPrintable(Said(error)));
        const QString counts = "SELECT (SELECT COUNT(*) FROM records) + 1000 *"
                               " (SELECT COUNT(*) FROM deleted_records) + 1000000 *"
                               " (SELECT COUNT(*) FROM audit)";
        const int before = fx.One(counts).toInt();
        QCOMPARE(before, 372 + 28 * 1000 + 1000000);
        const QString refusal = fx.Refusal(sql);
        QVERIFY2(refusal.contains("never changed") || refusal.contains("deleted only"),
                 qPrintable(refusal));
        QCOMPARE(fx.One(counts).toInt(), before);
        QCOMPARE(fx.One("SELECT COUNT(*) FROM records WHERE reading_text = 'x'").toInt(), 0);
        QCOMPARE(fx.ChainFault(), QString());
    }

    // "Delete Old": one transaction with its audit row (scope, cut-off,
    // count, the set fingerprint of what went in id order), each record in
    // deleted_records, the gate empty again; the chain still holds. A
    // cut-off within the minimum retention deletes nothing and says so.
    void deletionLeavesATrace_data()
    {
        QTest::addColumn<ServerDriver>("driver");
        QTest::addColumn<bool>("oneTester");
        QTest::addColumn<int>("years");     // the minimum retention set first; 0: none set
        QTest::addColumn<int>("yearsBack"); // the cut-off: this many years before today
        QTest::addColumn<long>("cutoff");   // else this one
        QTest::addColumn<int>("gone");      // -1: refused
        // Records(0, 400): 336 of 2010 and 64 of 2011; Records(0, 100) of 2010.
        QTest::newRow("sqlite, all") << ServerDriver::Sqlite << false << 0 << 0 << 20110101L << 436;
        QTest::newRow("sqlite, one") << ServerDriver::Sqlite << true << 0 << 0 << 20110101L << 336;
        QTest::newRow("postgresql, one")
            << ServerDriver::Postgres << true << 0 << 0 << 20110101L << 336;
        QTest::newRow("odbc, all") << ServerDriver::Odbc << false << 0 << 0 << 20110101L << 436;
        QTest::newRow("sqlite, nothing old")
            << ServerDriver::Sqlite << false << 0 << 0 << 20000101L << 0;
        QTest::newRow("sqlite, 5 years to the day")
            << ServerDriver::Sqlite << false << 0 << 5 << 0L << 500;
        QTest::newRow("sqlite, a day inside 5 years")
            << ServerDriver::Sqlite << false << 0 << -5 << 0L << -1;
        QTest::newRow("postgresql, inside 7 years")
            << ServerDriver::Postgres << false << 7 << 6 << 0L << -1;
        QTest::newRow("odbc, inside 7 years") << ServerDriver::Odbc << true << 7 << 6 << 0L << -1;
        QTest::newRow("sqlite, 1 year kept")
            << ServerDriver::Sqlite << false << 1 << 1 << 0L << 500;
    }
    void deletionLeavesATrace()
    {
        QFETCH(ServerDriver, driver);
        QFETCH(bool, oneTester);
        QFETCH(int, years);
        QFETCH(int, yearsBack);
        QFETCH(long, cutoff);
        QFETCH(int, gone);
        // yearsBack < 0: a day later than that many years back.
        if (yearsBack != 0)
            cutoff =
                LatestCutOff(std::abs(yearsBack), QDate::currentDate()) + (yearsBack < 0 ? 1 : 0);
        Fresh fx(driver);
        QVERIFY(fx.store);
        ArchiveError error;
        QVERIFY(
            fx.store->Add(ArchiveFixture::Tester("SN-A"), ArchiveFixture::Records(0, 400), &error));
        QVERIFY(
            fx.store->Add(ArchiveFixture::Tester("SN-B"), ArchiveFixture::Records(0, 100), &error));
        if (years)
            QVERIFY(fx.store->SetRetentionYears(years, &error));
        const int audits = fx.One("SELECT COUNT(*) FROM audit").toInt();
        const std::optional<qint64> which =
            oneTester ? std::optional<qint64>(fx.store->Testers(&error)->value(0).id)
                      : std::nullopt;
        QByteArray going;
        for (const QVariantList &r :
             fx.Rows(QStringLiteral("SELECT fingerprint FROM records WHERE date_key > 0 AND"
                                    " date_key < ?") +
                         (which ? QStringLiteral(" AND tester_id = ?") : QString()) +
                         QStringLiteral(" ORDER BY id"),
                     which ? QVariantList{qint64(cutoff), *which} : QVariantList{qint64(cutoff)}))
            going += r[0].toByteArray();
        const std::optional<qint64> deleted = fx.store->DeleteOlderThan(cutoff, which, &error);
        if (gone < 0) {
            QVERIFY(!deleted);
            QCOMPARE(error.code, ArchiveErrorCode::InsideRetention);
            QCOMPARE(error.version, years ? years : DefaultRetentionYears);
            QVERIFY(ArchiveErrorText(error).contains(QString::number(error.version) + " years"));
            QCOMPARE(fx.One("SELECT COUNT(*) FROM records").toInt(), 500);
            QCOMPARE(fx.One("SELECT COUNT(*) FROM audit").toInt(), audits);
            return;
        }
        QVERIFY2(deleted, qPrintable(Said(error)));
        QCOMPARE(*deleted, gone);
        QCOMPARE(going.size(), gone * FingerprintLength);
        const QVariantList audit =
            fx.Rows("SELECT kind, tester_id, cutoff, count, fingerprint, details, pc, os_user"
                    " FROM audit ORDER BY id DESC")
                .value(0);
        QCOMPARE(audit.value(0).toString(), QStringLiteral("deletion"));
        QCOMPARE(audit.value(1).isNull(), !which);
        QCOMPARE(audit.value(2).toLongLong(), qint64(cutoff));
        QCOMPARE(audit.value(3).toInt(), gone);
        QCOMPARE(audit.value(4).toByteArray(), SetFingerprint(going));
        QCOMPARE(audit.value(5).toString(), QStringLiteral("cut-off %1").arg(cutoff));
        QCOMPARE(audit.value(6).toString(), ThisWorkstation().pc);
        QCOMPARE(audit.value(7).toString(), ThisWorkstation().user);
        QCOMPARE(fx.One("SELECT COUNT(*) FROM deleted_records").toInt(), gone);
        QCOMPARE(fx.One("SELECT COUNT(*) FROM deletion_gate").toInt(), 0);
        QCOMPARE(fx.One("SELECT COUNT(*) FROM records").toInt(), 500 - gone);
        QCOMPARE(fx.ChainFault(), QString());
    }

    // A setting changed writes its audit row "name old -> new" with it; the
    // value in force again writes nothing; a value out of range is refused.
    void settingsChangedWithATrace_data()
    {
        QTest::addColumn<ServerDriver>("driver");
        QTest::addColumn<bool>("retention"); // else the calibration interval
        QTest::addColumn<QList<int>>("values");
        QTest::addColumn<QStringList>("details");
        QTest::addColumn<int>("last"); // in force at the end
        QTest::newRow("sqlite, calibration")
            << ServerDriver::Sqlite << false << QList<int>{24, 24, 6, MaxCalibrationMonths + 1}
            << QStringList{"calibration_months 12 -> 24", "calibration_months 24 -> 6"} << 6;
        QTest::newRow("postgresql, calibration")
            << ServerDriver::Postgres << false << QList<int>{12, 0, 7}
            << QStringList{"calibration_months 12 -> 7"} << 7;
        QTest::newRow("sqlite, retention")
            << ServerDriver::Sqlite << true << QList<int>{5, 7, 0, MaxRetentionYears}
            << QStringList{"retention_years 5 -> 7", "retention_years 7 -> 50"} << 50;
        QTest::newRow("odbc, retention")
            << ServerDriver::Odbc << true << QList<int>{1, MaxRetentionYears + 1}
            << QStringList{"retention_years 5 -> 1"} << 1;
    }
    void settingsChangedWithATrace()
    {
        QFETCH(ServerDriver, driver);
        QFETCH(bool, retention);
        QFETCH(QList<int>, values);
        QFETCH(QStringList, details);
        QFETCH(int, last);
        Fresh fx(driver);
        QVERIFY(fx.store);
        ArchiveStore &store = *fx.store;
        ArchiveError error;
        QCOMPARE(retention ? store.RetentionYears(&error) : store.CalibrationMonths(&error),
                 retention ? DefaultRetentionYears : DefaultCalibrationMonths);
        for (const int value : values) {
            const bool allowed =
                retention ? value >= MinRetentionYears && value <= MaxRetentionYears
                          : value >= MinCalibrationMonths && value <= MaxCalibrationMonths;
            error = {};
            QCOMPARE(retention ? store.SetRetentionYears(value, &error)
                               : store.SetCalibrationMonths(value, &error),
                     allowed);
            if (!allowed)
                QCOMPARE(error.code, retention ? ArchiveErrorCode::RetentionOutOfRange
                                               : ArchiveErrorCode::CalibrationOutOfRange);
        }
        QCOMPARE(retention ? store.RetentionYears(&error) : store.CalibrationMonths(&error), last);
        QStringList said;
        for (const QVariantList &row : fx.Rows(
                 "SELECT details, kind, count, fingerprint, tester_id FROM audit ORDER BY id")) {
            said << row[0].toString();
            QCOMPARE(row[1].toString(), QStringLiteral("setting"));
            QCOMPARE(row[2].toInt(), 0);
            QCOMPARE(row[3].toString(), QString());
            QVERIFY(row[4].isNull());
        }
        QCOMPARE(said, details);
    }

    // Two programs archive one tester at once, each in many downloads of
    // overlapping records: every download is one link of a single chain.
    void twoProgramsOneChain_data() { Drivers(false); }
    void twoProgramsOneChain()
    {
        QFETCH(ServerDriver, driver);
        Fresh fx(driver);
        QVERIFY(fx.store);
        constexpr int Parts = 12;
        QList<QProcess *> children;
        for (const char *pc : {"PC-1", "PC-2"}) {
            auto *child = new QProcess(this);
            child->start(QStringLiteral(KESTRUNE_ARCHIVE_CHILD),
                         {ArchiveLocationText(fx.where), "SN7", pc[3] == '1' ? "0" : "100", "600",
                          QString::number(Parts), pc});
            children << child;
        }
        qint64 added = 0;
        for (QProcess *child : children) {
            QVERIFY(child->waitForFinished(120000));
            QVERIFY2(child->exitCode() == 0, child->readAllStandardError().constData());
            added += child->readAllStandardOutput().trimmed().split(' ').value(0).toLongLong();
        }
        QCOMPARE(added, 700);
        QCOMPARE(fx.One("SELECT COUNT(*) FROM batches").toInt(), 2 * Parts);
        QCOMPARE(fx.One("SELECT SUM(added) FROM batches").toInt(), 700);
        QCOMPARE(fx.One("SELECT COUNT(DISTINCT pc) FROM batches").toInt(), 2);
        QCOMPARE(fx.ChainFault(), QString());
    }

    void latestCutOff_data()
    {
        QTest::addColumn<int>("years");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<long>("cutoff");
        QTest::newRow("5 years") << 5 << QDate(2026, 12, 8) << 20211208L;
        QTest::newRow("from a leap day") << 5 << QDate(2024, 2, 29) << 20190228L;
        QTest::newRow("to a leap day") << 4 << QDate(2024, 2, 29) << 20200229L;
        QTest::newRow("new year") << 1 << QDate(2027, 1, 1) << 20260101L;
    }
    void latestCutOff()
    {
        QFETCH(int, years);
        QFETCH(QDate, today);
        QFETCH(long, cutoff);
        QCOMPARE(LatestCutOff(years, today), cutoff);
    }
};

QTEST_GUILESS_MAIN(TestArchiveTrail)
#include "tst_archivetrail.moc"
