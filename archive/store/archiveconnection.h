#pragma once
// The open database behind an ArchiveStore, for the store's own files.

#include "archive/store/archivelocation.h"
#include "archive/store/archiveorder.h"
#include "archive/store/archivepaging.h"
#include "archive/store/archiveserver.h"
#include "archive/store/archivesql.h"
#include "archive/store/archivestore.h"
#include "archive/store/sqlconnection.h"

struct ArchiveStore::Connection
{
    explicit Connection(const ArchiveLocation &at)
        : sql(ArchiveDriverName(at.driver)),
          where(at), paging{sql.Db(), at.driver, &orders, std::nullopt}
    {
    }
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

    // A database failure as paging tells it, at this archive; others as
    // they are.
    bool FailPaging(const ArchiveError &failure, ArchiveError *error) const
    {
        if (failure.code != ArchiveErrorCode::Database) {
            *error = failure;
            return false;
        }
        return Fail(failure, error);
    }

    SqlConnection sql;
    ArchiveLocation where;
    TextOrders orders;
    PagingContext paging;
};
