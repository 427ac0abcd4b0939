#include "archive/store/sqltransaction.h"

#include "archive/store/archivesql.h"

SqlTransaction::SqlTransaction(QSqlDatabase db) : FDb(std::move(db))
{
    FBegan = FDb.transaction();
}

SqlTransaction::~SqlTransaction()
{
    if (FBegan && !FDone)
        FDb.rollback();
}

bool SqlTransaction::Began(QString *reason) const
{
    if (!FBegan)
        *reason = SqlReason(FDb.lastError());
    return FBegan;
}

bool SqlTransaction::Commit(QString *reason)
{
    FDone = FBegan && FDb.commit();
    if (!FDone)
        *reason = SqlReason(FDb.lastError());
    return FDone;
}
