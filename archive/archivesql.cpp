#include "archive/archivesql.h"

#include <QAtomicInteger>

namespace {
QAtomicInteger<quint64> ConnectionsMade;
}

SqlConnection::SqlConnection(const QString &driver)
    : FName(QStringLiteral("kestrune-archive-%1").arg(ConnectionsMade.fetchAndAddRelaxed(1)))
{
    QSqlDatabase::addDatabase(driver, FName);
}

SqlConnection::~SqlConnection()
{
    {
        QSqlDatabase db = Db();
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(FName);
}

SqlTransaction::SqlTransaction(QSqlDatabase db) : FDb(std::move(db))
{
    FBegan = FDb.transaction();
}

SqlTransaction::~SqlTransaction()
{
    if (FBegan && !FDone)
        FDb.rollback();
}

bool SqlTransaction::Began(QString *error) const
{
    if (!FBegan)
        *error = SqlReason(FDb.lastError());
    return FBegan;
}

bool SqlTransaction::Commit(QString *error)
{
    FDone = FBegan && FDb.commit();
    if (!FDone)
        *error = SqlReason(FDb.lastError());
    return FDone;
}

QVariant SqlText(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QString SqlReason(const QSqlError &error)
{
    const QString own = error.databaseText().trimmed();
    return own.isEmpty() ? error.text().trimmed() : own;
}

bool RunSql(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *error)
{
    query.setForwardOnly(true);
    // A statement without values runs as it is: PostgreSQL prepares no
    // CREATE TABLE or CREATE INDEX.
    bool done = values.isEmpty() ? query.exec(sql) : query.prepare(sql);
    if (done && !values.isEmpty()) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        done = query.exec();
    }
    if (!done)
        *error = SqlReason(query.lastError());
    return done;
}
