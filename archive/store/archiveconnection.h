#pragma once
// The open database behind an ArchiveStore, for the store's own files.

#include "archive/store/archivelocation.h"
#include "archive/store/archiveserver.h"
#include "archive/store/archivesql.h"
#include "archive/store/archivestore.h"
#include "archive/store/sqlconnection.h"

struct ArchiveStore::Connection
{
    explicit Connection(const ArchiveLocation &at) : sql(ArchiveDriverName(at.driver)), where(at) {}
    QSqlDatabase Db() const { return sql.Db(); }
    // The failure at this archive: false, with *error saying so.
    bool Fail(ArchiveError failure, ArchiveError *error) const
    {
        failure.place = ArchivePlaceText(where);
        *error = failure;
        return false;
    }
    // A failure the database gave its reason for.
    bool Fail(const QString &reason, ArchiveError *error) const
    {
        return Fail(DatabaseError(reason), error);
    }

    SqlConnection sql;
    ArchiveLocation where;
};
