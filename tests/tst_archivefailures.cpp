// The records archive when its file cannot take records: a file that is no
// archive, a damaged one, one of a newer program, a full file system, a
// locked or read-only database, a program killed while importing. Nothing
// archived before is lost and the file is never replaced.

#include "archivefixture.h"
#include "childprocess.h"

#include "archive/archivewords.h"
#include "archive/store/archiveimport.h"
#include "archive/store/archiveschema.h"
#include "archive/store/archivesql.h"
#include "archive/store/sqltransaction.h"
#include "records/data/datafile.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QtTest>

namespace {

// The archive's own check of its file, through a connection of its own.
QString IntegrityOf(const QString &path)
{
    SqlConnection check(QStringLiteral("QSQLITE"));
    QSqlDatabase db = check.Db();
    db.setDatabaseName(path);
    if (!db.open())
        return SqlReason(db.lastError());
    QSqlQuery query(db);
    QString error;
    if (!RunSql(query, QStringLiteral("PRAGMA integrity_check"), {}, &error) || !query.next())
        return error;
    return query.value(0).toString();
}

// A download archived as the results window has it archived: into the
// archive chosen, opened for it, with the line and the message that gives.
struct DownloadArchiving
{
    std::optional<ArchiveCounts> counts;
    QString label;
    QString failure;
};

DownloadArchiving ArchiveDownload(const QStringList &deviceInfo, const GridRows &records)
{
    ArchiveResult<DownloadArchived> result;
    std::unique_ptr<ArchiveStore> store = ArchiveFixture::OpenChosen(QString(), &result.error);
    if (store)
        result.value =
            ArchiveDownload(*store, deviceInfo, records, QDate::currentDate(), &result.error);
    const DownloadArchivingText said = DownloadArchivingWords(result);
    return {result ? std::optional(result->counts) : std::nullopt, said.line, said.failure};
}

} // namespace

class TestArchiveFailures : public QObject
{
    Q_OBJECT

    std::unique_ptr<ArchiveFixture> fx;

    // An archive of count records, closed again.
    void Archived(int count)
    {
        ArchiveError error;
        auto store = fx->Open(&error);
        QVERIFY2(store, qPrintable(Said(error)));
        QVERIFY(
            store->Add(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, count), &error));
    }

    qint64 CountNow()
    {
        ArchiveError error;
        auto store = fx->Open(&error);
        return store ? store->Count({}, &error).value_or(-1) : -1;
    }

private slots:
    void init() { fx = std::make_unique<ArchiveFixture>(); }
    void cleanup() { fx.reset(); }

    // Files the archive refuses to open; each stays byte for byte as it was.
    void refusedFilesStayAsTheyWere_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("reason");
        QTest::newRow("text file") << "text"
                                   << "file is not a database";
        QTest::newRow("header overwritten") << "header"
                                            << "file is not a database";
        QTest::newRow("table pages overwritten") << "pages"
                                                 << "malformed|not a database";
        QTest::newRow("newer program") << "newer"
                                       << "newer Kestrune";
        QTest::newRow("a folder") << "folder"
                                  << "not a file";
    }
    void refusedFilesStayAsTheyWere()
    {
        QFETCH(QString, damage);
        QFETCH(QString, reason);
        Archived(2000);
        QByteArray bytes = ArchiveFixture::Bytes(fx->Path());
        if (damage == "text") {
            bytes = QByteArray("Kestrune\r\nSerial Number : KT1\r\n").repeated(200);
        } else if (damage == "header") {
            bytes.replace(0, 16, QByteArray(16, 'x'));
        } else if (damage == "pages") {
            for (int i = 100; i < bytes.size(); i += 7)
                bytes[i] = char(i * 31);
        } else if (damage == "newer") {
            ArchiveFixture::RunOn(fx->Path(),
                                  {QStringLiteral("UPDATE archive_schema SET version = %1")
                                       .arg(ArchiveSchemaVersion + 1)});
        } else if (damage == "foreign") {
            QVERIFY(QFile::remove(fx->Path()));
            ArchiveFixture::RunOn(fx->Path(), {"CREATE TABLE notes (text TEXT)"});
        } else {
            QVERIFY(QFile::remove(fx->Path()));
            QVERIFY(QDir().mkpath(fx->Path()));
        }
        if (damage == "newer" || damage == "foreign")
            bytes = ArchiveFixture::Bytes(fx->Path()); // as the other program left it
        else if (damage != "folder")
            ArchiveFixture::Write(fx->Path(), bytes);

        const DownloadArchiving outcome =
            ArchiveDownload(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, 10));
        QVERIFY(!outcome.counts);
        QVERIFY2(outcome.failure.startsWith(
                     "Records Not Archived : " + QDir::toNativeSeparators(fx->Path()) + ": "),
                 qPrintable(outcome.failure));
        QVERIFY2(outcome.failure.contains(QRegularExpression(reason)), qPrintable(outcome.failure));
        QCOMPARE(outcome.label, QStringLiteral("Records not archived"));
        if (damage != "folder")
            QCOMPARE(ArchiveFixture::Bytes(fx->Path()), bytes);
    }

    // A file system that takes no more: nothing of the download stays, and
    // what was archived before is whole.
    void fileSizeLimitLeavesTheArchiveWhole()
    {
        Archived(500);
        const qint64 size = QFileInfo(fx->Path()).size();
        const QString said = UnderFileSizeLimit(rlim_t(size + 64 * 1024), [this] {
            const DownloadArchiving outcome =
                ArchiveDownload(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, 20000));
            return outcome.failure;
        });
        QVERIFY2(said.startsWith("Records Not Archived : "), qPrintable(said));
        QVERIFY2(said.contains("full") || said.contains("I/O"), qPrintable(said));
        QVERIFY(QFileInfo(fx->Path()).size() >= size);
        QCOMPARE(IntegrityOf(fx->Path()), QStringLiteral("ok"));
        QCOMPARE(CountNow(), 500);
    }

    // Another program in the middle of writing: this one waits a while,
    // then says so and adds nothing.
    void lockedArchiveAddsNothing()
    {
        Archived(10);
        SqlConnection other(QStringLiteral("QSQLITE"));
        QSqlDatabase db = other.Db();
        db.setDatabaseName(fx->Path());
        QVERIFY(db.open());
        {
            SqlTransaction writing(db);
            QString error;
            QVERIFY(writing.Began(&error));
            QSqlQuery query(db);
            QVERIFY(RunSql(query, "UPDATE testers SET records = records", {}, &error));
            const DownloadArchiving outcome =
                ArchiveDownload(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, 20));
            QVERIFY2(outcome.failure.contains("locked"), qPrintable(outcome.failure));
        }
        QCOMPARE(CountNow(), 10);
    }

    // A file this user may only read (root reads it as nobody, since root
    // may write anything).
    void readOnlyArchiveAddsNothing()
    {
        Archived(10);
        const QByteArray bytes = ArchiveFixture::Bytes(fx->Path());
        const QFile::Permissions readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
        QVERIFY(QFile::setPermissions(fx->Path(), readable));
        QVERIFY(QFile::setPermissions(fx->Dir(), readable | QFile::ExeOwner | QFile::ExeGroup |
                                                     QFile::ExeOther | QFile::WriteOwner));
        const QString said = InChildProcess([] {
            if (::geteuid() == 0 && ::setuid(65534) != 0)
                return QStringLiteral("still root");
            return ArchiveDownload(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, 20))
                .failure;
        });
        QVERIFY2(said.startsWith("Records Not Archived : ") &&
                     (said.contains("readonly") || said.contains("unable to open")),
                 qPrintable(said));
        QCOMPARE(ArchiveFixture::Bytes(fx->Path()), bytes);
        QVERIFY(QFile::setPermissions(fx->Path(), QFile::ReadOwner | QFile::WriteOwner));
        QCOMPARE(CountNow(), 10);
    }

    // A program killed in the middle of a file: the files before it are
    // there whole, nothing of that file is.
    void killedImportLeavesWholeFiles()
    {
        const QStringList paths = {ArchiveFixture::DataFile(fx->Dir() + "/a.DAT", 0, 300),
                                   ArchiveFixture::DataFile(fx->Dir() + "/b.DAT", 300, 20000)};
        const bool killed = KilledWhenReady([&](const std::function<void()> &ready) {
            ArchiveError error;
            auto store = fx->Open(&error);
            if (store)
                ImportDataFiles(*store, paths, [&](int file, int, qint64 records) {
                    if (file == 1 && records >= 4096)
                        ready();
                    return true;
                });
        });
        QVERIFY(killed);
        QCOMPARE(IntegrityOf(fx->Path()), QStringLiteral("ok"));
        QCOMPARE(CountNow(), 300);
    }
};

QTEST_GUILESS_MAIN(TestArchiveFailures)
#include "tst_archivefailures.moc"
