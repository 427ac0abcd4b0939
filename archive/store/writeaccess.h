#pragma once
// Whether this user may write an archive file as SQLite writes it: the file,
// and beside it the -wal and -shm files it makes.

#include <QString>

// False when SQLite, writing the file at path, would fail or would make
// files of this user's beside another user's archive.
bool MayWriteArchiveFile(const QString &path);
