// Archives that must not be harmed or misread: a damaged SQLite file is
// refused untouched, a user who may only read leaves nothing behind, a zero
// byte in a tester's text is kept alike on every database, and a failed
// write names its cause.
#include "archivefixture.h"
#include "serverfixture.h"

#include "archive/archivewords.h"
#include "archive/store/archivetrail.h"
#include "archive/store/filemapping.h"
#include "archive/store/storedtext.h"

#include <QRandomGenerator>
#include <QStandardPaths>

#include <csignal>
#include <sys/resource.h>

namespace {

constexpr int PageBytes = 4096;
constexpr int DamagedCopies = 40;
constexpr quint32 DamageSeed = 26081;

QStringList SideFiles(const QString &path)
{
    QStringList found;
    for (const char *suffix : {"-wal", "-shm", "-journal"})
        if (QFileInfo::exists(path + QLatin1String(suffix)))
            found << path + QLatin1String(suffix);
    return found;
}

// Runs archive_child as the user uid (group gid); its output, or a null
// array when it failed.
QByteArray ChildAs(int uid, const QStringList &arguments)
{
    QProcess child;
    child.start(QStringLiteral("setpriv"),
                QStringList{QStringLiteral("--reuid=%1").arg(uid),
                            QStringLiteral("--regid=%1").arg(uid), QStringLiteral("--clear-groups"),
                            QStringLiteral(KESTRUNE_ARCHIVE_CHILD)} +
                    arguments);
    if (!child.waitForFinished(60000) || child.exitCode() != 0) {
        qWarning("%s", child.readAllStandardError().constData());
        return {};
    }
    return child.readAllStandardOutput();
}

} // namespace

class TestArchiveFaults : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void damagedCopyRefused_data();
    void damagedCopyRefused();
    void missingVersionRowRefused();
    void memoryRefused();
    void zeroBytesStoredAlike_data();
    void zeroBytesStoredAlike();
    void fileSizeLimitNamed();
    void readerLeavesOwnerWriting();
    void mappedOnlyOnThisMachine();

private:
    QTemporaryDir FDir;
    QByteArray FPristine; // a closed archive of several testers, every page in use
};

void TestArchiveFaults::initTestCase()
{
    const QString path = FDir.filePath(QStringLiteral("pristine.sqlite"));
    {
        ArchiveError error;
        std::unique_ptr<ArchiveStore> store =
            ArchiveStore::Open({ArchiveLocation::Driver::Sqlite, path}, &error);
        QVERIFY2(store, qPrintable(Said(error)));
        for (int tester = 0; tester < 3; ++tester)
            QVERIFY(store->Add(ArchiveFixture::Tester(QStringLiteral("KT%1").arg(tester)),
                               ArchiveFixture::Records(tester * 100, 400), &error));
    }
    ArchiveFixture::RunOn(path, {QStringLiteral("VACUUM")});
    FPristine = ArchiveFixture::Bytes(path);
    QVERIFY(FPristine.size() > 8 * PageBytes);
}

void TestArchiveFaults::damagedCopyRefused_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QByteArray>("block");
    QRandomGenerator random(DamageSeed);
    const int pages = FPristine.size() / PageBytes;
    for (int copy = 0; copy < DamagedCopies; ++copy) {
        const int page = int(random.bounded(pages));
        QByteArray block(PageBytes, Qt::Uninitialized);
        random.fillRange(reinterpret_cast<quint32 *>(block.data()), PageBytes / 4);
        QTest::addRow("copy %d, page %d", copy, page) << page << block;
    }
}

void TestArchiveFaults::damagedCopyRefused()
{
    QFETCH(int, page);
    QFETCH(QByteArray, block);
    const QString path =
        FDir.filePath(QStringLiteral("damaged-%1.sqlite").arg(QTest::currentDataTag()));
    QByteArray bytes = FPristine;
    bytes.replace(page * PageBytes, PageBytes, block);
    ArchiveFixture::Write(path, bytes);
    ArchiveError error;
    std::unique_ptr<ArchiveStore> store =
        ArchiveStore::Open({ArchiveLocation::Driver::Sqlite, path}, &error);
    if (store) {
        // Accepted: it must then be whole enough to take records.
        QVERIFY2(!store->Add(ArchiveFixture::Tester("KT9"), ArchiveFixture::Records(0, 50), &error),
                 "a damaged archive was accepted and written to");
    }
    store.reset();
    QVERIFY2(error.code == ArchiveErrorCode::Damaged || error.code == ArchiveErrorCode::Database,
             qPrintable(Said(error)));
    QVERIFY(!ArchiveErrorText(error).isEmpty());
    QVERIFY2(ArchiveFixture::Bytes(path) == bytes, "the refused file was changed");
    QCOMPARE(SideFiles(path), QStringList());
}

void TestArchiveFaults::missingVersionRowRefused()
{
    const QString path = FDir.filePath(QStringLiteral("no-version.sqlite"));
    ArchiveFixture::Write(path, FPristine);
    ArchiveFixture::RunOn(path, {QStringLiteral("DELETE FROM archive_schema")});
    const QByteArray before = ArchiveFixture::Bytes(path);
    ArchiveError error;
    QVERIFY(!ArchiveStore::Open({ArchiveLocation::Driver::Sqlite, path}, &error));
    QCOMPARE(error.code, ArchiveErrorCode::Damaged);
    QVERIFY2(ArchiveErrorText(error).contains(QLatin1String("damaged")),
             qPrintable(ArchiveErrorText(error)));
    QVERIFY(ArchiveFixture::Bytes(path) == before);
}

void TestArchiveFaults::memoryRefused()
{
    ArchiveError error;
    QVERIFY(!ParseArchiveLocation(QStringLiteral("sqlite::memory:"), &error));
    QCOMPARE(error.code, ArchiveErrorCode::MemoryDatabase);
    QVERIFY2(ArchiveErrorText(error).contains(QLatin1String("in memory")),
             qPrintable(ArchiveErrorText(error)));
    QVERIFY(
        !ArchiveStore::Open({ArchiveLocation::Driver::Sqlite, QStringLiteral(":memory:")}, &error));
    QCOMPARE(error.code, ArchiveErrorCode::MemoryDatabase);
    QVERIFY(!QFileInfo::exists(QStringLiteral(":memory:")));
}

void TestArchiveFaults::zeroBytesStoredAlike_data()
{
    QTest::addColumn<ServerDriver>("driver");
    QTest::newRow("sqlite") << ServerDriver::Sqlite;
    if (!TestServerFolder().isEmpty()) {
        QTest::newRow("postgresql") << ServerDriver::Postgres;
        QTest::newRow("odbc") << ServerDriver::Odbc;
    }
}

void TestArchiveFaults::zeroBytesStoredAlike()
{
    QFETCH(ServerDriver, driver);
    const QString name = QStringLiteral("zero_bytes_%1").arg(int(driver));
    QVERIFY(driver == ServerDriver::Sqlite || FreshDatabase(name));
    // Two records apart only from what follows a zero in their time, and
    // zeros in the other texts.
    GridRows rows = ArchiveFixture::Records(0, 3);
    rows[1][2] = rows[0][2] + QChar(u'\0') + QStringLiteral("7");
    rows[1][3] += QChar(u'\0');
    rows[2][5] = QString(QChar(u'\0')) + QStringLiteral("Manual") + QChar(u'\0');
    QStringList tester = ArchiveFixture::Tester("KT0");
    tester[2] += QChar(u'\0');
    ArchiveError error;
    std::unique_ptr<ArchiveStore> store = ArchiveStore::Open(ServerLocation(driver, name), &error);
    QVERIFY2(store, qPrintable(Said(error)));
    const std::optional<ArchiveCounts> counts = store->Add(tester, rows, &error);
    QVERIFY2(counts, qPrintable(Said(error)));
    QCOMPARE(counts->added, 3);
    const std::optional<QVector<ArchivedRecord>> page = store->Page({}, {}, 0, 10, &error);
    QVERIFY2(page, qPrintable(Said(error)));
    QCOMPARE(page->size(), 3);
    for (const ArchivedRecord &record : *page) {
        const GridRow &original = rows[int(record.id - page->first().id)];
        for (int cell = 0; cell < RecordColumns; ++cell) {
            QVERIFY(!record.cells[cell].contains(QChar(u'\0')));
            QCOMPARE(OriginalText(record.cells[cell]), original[cell]);
        }
    }
    QCOMPARE(store->Add(tester, rows, &error)->already, 3);
    // Their fingerprints, taken of the tester's own texts, check out.
    const std::optional<ArchiveVerdict> verdict = store->Verify(ThisWorkstation(), {}, &error);
    QVERIFY2(verdict, qPrintable(Said(error)));
    QVERIFY(verdict->Intact());
    QCOMPARE(verdict->records, 3);
}

void TestArchiveFaults::fileSizeLimitNamed()
{
    ArchiveFixture fx;
    std::unique_ptr<ArchiveStore> store = fx.Open();
    QVERIFY(store);
    rlimit before{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &before), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = before;
    small.rlim_cur = 256 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    ArchiveError error;
    const bool added =
        store->Add(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, 20000), &error)
            .has_value();
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);
    QVERIFY(!added);
    QCOMPARE(error.code, ArchiveErrorCode::FileSizeLimit);
    QVERIFY2(ArchiveErrorText(error).contains(QLatin1String("file-size limit was reached")),
             qPrintable(ArchiveErrorText(error)));
    // Nothing of it stayed, and the archive takes records again.
    QCOMPARE(store->Count({}, &error), 0);
    QVERIFY(store->Add(ArchiveFixture::Tester("KT1"), ArchiveFixture::Records(0, 10), &error));
}

// The owner's archive, in a folder every user may write (a shared folder),
// the file itself only the owner's: another user reads it, and the owner's
// next write still goes through. Users other than root are taken by number.
void TestArchiveFaults::readerLeavesOwnerWriting()
{
    if (geteuid() != 0 || QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        QSKIP("needs root and setpriv to act as two other users");
    constexpr int Owner = 61001;
    constexpr int Reader = 61002;
    QTemporaryDir shared(QStringLiteral("/tmp/kestrune-shared-XXXXXX"));
    QVERIFY(QFile::setPermissions(shared.path(), QFile::Permissions(0x7777)));
    const QString location = QStringLiteral("sqlite:") + shared.filePath("archive.sqlite");
    QCOMPARE(ChildAs(Owner, {location, "KT1", "0", "30"}), QByteArray("30 0\n"));
    // The owner lets others read it.
    QVERIFY(QFile::setPermissions(shared.filePath("archive.sqlite"), QFile::Permissions(0x6444)));
    for (int round = 0; round < 2; ++round) {
        QCOMPARE(ChildAs(Reader, {"--count", location}), QByteArray::number(30 + round) + "\n");
        for (const QString &file : SideFiles(shared.filePath("archive.sqlite")))
            QVERIFY2(QFileInfo(file).ownerId() != uint(Reader), qPrintable(file));
        // The reader cannot add, and says why.
        QVERIFY(ChildAs(Reader, {location, "KT1", "100", "5"}).isNull());
        QCOMPARE(ChildAs(Owner, {location, "KT1", QString::number(30 + round), "1"}),
                 QByteArray("1 0\n"));
    }
}

// An archive on this machine's disks may be read through a map; one whose
// file system cannot be told may not.
void TestArchiveFaults::mappedOnlyOnThisMachine()
{
    QVERIFY(MayMapArchiveFile(FDir.filePath(QStringLiteral("pristine.sqlite"))));
    QVERIFY(!MayMapArchiveFile(FDir.filePath(QStringLiteral("none/archive.sqlite"))));
}

QTEST_GUILESS_MAIN(TestArchiveFaults)
#include "tst_archivefaults.moc"
