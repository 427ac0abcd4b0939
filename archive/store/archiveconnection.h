#pragma once
// The open database behind an ArchiveStore, for the store's own files.

#include "archive/store/archivelocation.h"
#include "archive/store/archiveorder.h"
#include "archive/store/archivepaging.h"
#include "archive/store/archiveserver.h"
#include "archive/store/archivesql.h"
#include "archive/store/archivestore.h"
#include "archive/store/sqlconnection.h"
#include "archive/store/storagecause.h"

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
    // A failure the database gave its reason for; on an SQLite file, with
    // its cause when the system or the file's access names one.
    bool Fail(const QString &reason, ArchiveError *error) const
    {
        ArchiveError failure = DatabaseError(reason);
        if (where.driver == ArchiveLocation::Driver::Sqlite) {
            const bool refused =
                readOnly && reason.contains(QLatin1String("readonly"), Qt::CaseInsensitive);
            const ArchiveErrorCode cause =
                refused ? ArchiveErrorCode::ReadOnly : StorageCause(Db(), where.target, reason);
            if (cause != ArchiveErrorCode::None)
                failure.code = cause;
        }
        return Fail(failure, error);
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
    bool readOnly = false; // an SQLite file this user may only read
    TextOrders orders;
    PagingContext paging;
};
