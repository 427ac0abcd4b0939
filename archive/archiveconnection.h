#pragma once
// The open database behind an ArchiveStore, for the store's own files.

#include "archive/archiveserver.h"
#include "archive/archivesql.h"
#include "archive/archivestore.h"

struct ArchiveStore::Connection
{
    explicit Connection(const ArchiveLocation &at) : sql(ArchiveDriverName(at.driver)), where(at) {}
    QSqlDatabase Db() const { return sql.Db(); }
    // The reason of a failure, with the place.
    bool Fail(const QString &reason, QString *error) const
    {
        *error = ArchivePlaceText(where) + QStringLiteral(": ") + reason;
        return false;
    }

    SqlConnection sql;
    ArchiveLocation where;
};
