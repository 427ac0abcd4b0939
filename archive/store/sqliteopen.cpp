#include "archive/store/sqliteopen.h"

#include "archive/store/archivelocation.h"
#include "archive/store/archiveschema.h"
#include "archive/store/archivesql.h"
#include "archive/store/archivestore.h"
#include "archive/store/filemapping.h"
#include "archive/store/writeaccess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QSet>
#include <QUrl>

namespace {

bool Failed(ArchiveError failure, ArchiveError *error)
{
    *error = std::move(failure);
    return false;
}

// A new archive file: the folder made, the file created empty (an empty
// SQLite database) and readable by its owner only.
bool CreateArchiveFile(const QString &path, ArchiveError *error)
{
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return Failed(ArchiveError(ArchiveErrorCode::CannotMakeFolder)
                          .About(QDir::toNativeSeparators(info.absolutePath())),
                      error);
    QFile file(path);
    // Another program may have made it meanwhile: then it is used as it is.
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                   QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
        !QFileInfo::exists(path))
        return Failed(ArchiveError(ArchiveErrorCode::FileFailed).Because(file.errorString()),
                      error);
    return true;
}

// The files checked in this run of the program: SQLite's quick check reads
// every page, once.
bool FirstOpenOf(const QString &path)
{
    static QMutex guard;
    static QSet<QString> checked;
    const QMutexLocker lock(&guard);
    const QString key = QFileInfo(path).canonicalFilePath();
    if (checked.contains(key))
        return false;
    checked.insert(key);
    return true;
}

// SQLite's quick check of the whole file, which only reads it. A damaged
// file is refused before anything is written to it.
bool Undamaged(QSqlDatabase db, ArchiveError *error)
{
    constexpr int ShownProblems = 3;
    QSqlQuery query(db);
    QString reason;
    if (!RunSql(query, QStringLiteral("PRAGMA quick_check"), {}, &reason))
        return Failed(ArchiveError(ArchiveErrorCode::Damaged).Because(reason), error);
    QStringList problems;
    while (query.next()) {
        const QString line = query.value(0).toString();
        if (line != QLatin1String("ok") && problems.size() < ShownProblems)
            problems << line;
    }
    return problems.isEmpty() ||
           Failed(
               ArchiveError(ArchiveErrorCode::Damaged).Because(problems.join(QStringLiteral("; "))),
               error);
}

} // namespace

// How SQLite opens a file read only: its -wal and -shm files as the owner's
// programs keep them when there are both (mode=ro never makes new ones
// then), else the file alone, as it is (immutable: no files of this user
// beside it, no locks).
QString SqliteReadOnlyUri(const QString &path)
{
    const bool logged = QFileInfo::exists(path + QStringLiteral("-wal")) &&
                        QFileInfo::exists(path + QStringLiteral("-shm"));
    return QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath()).toString(QUrl::FullyEncoded) +
           (logged ? QStringLiteral("?mode=ro") : QStringLiteral("?immutable=1"));
}

bool OpenSqliteArchive(QSqlDatabase db, const QString &path, bool *readOnly, ArchiveError *error)
{
    const QString driver = QStringLiteral("QSQLITE");
    if (!QSqlDatabase::isDriverAvailable(driver))
        return Failed(ArchiveError(ArchiveErrorCode::DriverMissing).About(driver), error);
    if (IsMemoryDatabase(path))
        return Failed(ArchiveError(ArchiveErrorCode::MemoryDatabase), error);
    const QFileInfo info(path);
    if (info.exists() && !info.isFile())
        return Failed(ArchiveError(ArchiveErrorCode::NotAFile), error);
    const bool made = !info.exists();
    if (made && !CreateArchiveFile(path, error))
        return false;
    // Files SQLite made for this user would lock the owner out of writing.
    *readOnly = !MayWriteArchiveFile(path);
    QString options = QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(ArchiveBusyTimeoutMs);
    if (*readOnly) {
        options += QStringLiteral(";QSQLITE_OPEN_URI;QSQLITE_OPEN_READONLY");
        db.setDatabaseName(SqliteReadOnlyUri(path));
    } else {
        db.setDatabaseName(path);
    }
    db.setConnectOptions(options);
    if (!db.open())
        return Failed(DatabaseError(SqlReason(db.lastError())), error);
    // The first statement reads the file: one that is no database stops here
    // untouched.
    QSqlQuery query(db);
    QString reason;
    if (!RunSql(query, QStringLiteral("SELECT COUNT(*) FROM sqlite_master"), {}, &reason))
        return Failed(DatabaseError(reason), error);
    return made || !FirstOpenOf(path) || Undamaged(db, error);
}

bool MapArchiveFile(QSqlQuery &query, const QString &path, QString *reason)
{
    return MayMapArchiveFile(path) &&
           RunSql(query, QStringLiteral("PRAGMA mmap_size = 1073741824"), {}, reason);
}

MappedPass::MappedPass(QSqlDatabase db, const QString &path) : FDb(db)
{
    QSqlQuery query(FDb);
    QString reason;
    FMapped = MapArchiveFile(query, path, &reason);
}

MappedPass::~MappedPass()
{
    QSqlQuery query(FDb);
    QString reason;
    if (FMapped)
        RunSql(query, QStringLiteral("PRAGMA mmap_size = 0"), {}, &reason);
}

// What a user who may only read finds: an archive of this program's
// version, read as it is (nothing made or upgraded).
bool ReadableAsItIs(QSqlDatabase db, ArchiveError *error)
{
    const std::optional<int> version = ArchiveSchemaVersionOf(db, error);
    if (!version)
        return false;
    if (*version > ArchiveSchemaVersion)
        return Failed(ArchiveError(ArchiveErrorCode::NewerArchive).OfVersion(*version), error);
    return *version == ArchiveSchemaVersion ||
           Failed(ArchiveError(ArchiveErrorCode::ReadOnly), error);
}
