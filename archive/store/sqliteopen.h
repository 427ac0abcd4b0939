#pragma once
// An archive's SQLite file opened: made when new, opened read only for a
// user who may not write it, and checked for damage before anything is
// written to it.

#include "archive/store/archiveerror.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QString>

// Opens db on the file at path (made empty, readable by its owner only, when
// there is none). *readOnly tells whether this user may only read it. The
// first open of a file in this run of the program checks it whole: a damaged
// file is refused with Damaged and SQLite's findings, untouched. False with
// the reason in *error.
bool OpenSqliteArchive(QSqlDatabase db, const QString &path, bool *readOnly, ArchiveError *error);

// The file at path as SQLite opens it read only without leaving files of
// this user beside it (they would keep its owner from writing): with the
// owner's -wal and -shm files when both are there, else as it is. Opened
// with QSQLITE_OPEN_URI.
QString SqliteReadOnlyUri(const QString &path);

// An archive opened read only: of this program's version, to be read as it
// is. NewerArchive, NotAnArchive or ReadOnly (older, or no archive yet) in
// *error otherwise.
bool ReadableAsItIs(QSqlDatabase db, ArchiveError *error);

// Has SQLite read the file at path through a memory map, its first gigabyte,
// where the file may be mapped (see filemapping.h). False when it is not
// mapped; *reason tells why when SQLite refused.
bool MapArchiveFile(QSqlQuery &query, const QString &path, QString *reason);

// While it lives, SQLite reads the archive file of db through a map where it
// may: for a pass over much of the file. The map goes with it, and the
// file's pages with the map from what the program holds in memory (mapped
// for as long as a window stays open, every page read would count there).
class MappedPass
{
public:
    MappedPass(QSqlDatabase db, const QString &path);
    ~MappedPass();
    MappedPass(const MappedPass &) = delete;
    MappedPass &operator=(const MappedPass &) = delete;

private:
    QSqlDatabase FDb;
    bool FMapped = false;
};
