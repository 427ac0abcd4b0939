#pragma once
// Whether SQLite may read an archive file through a memory map. A mapped
// read copies nothing: a pass over a million records in the order of an
// index, which looks up records all over the file, takes a quarter less
// time. But a file that cannot be read any more (a network share gone away,
// a removed disk) ends the program at its next mapped read instead of
// failing the statement, so only files on this machine's own disks are
// mapped.

#include <QString>

bool MayMapArchiveFile(const QString &path);
