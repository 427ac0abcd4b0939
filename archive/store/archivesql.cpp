#include "archive/store/archivesql.h"

#include "archive/store/serverwatchdog.h"

QVariant SqlText(const QString &text)
{
    return text.isNull() ? QVariant(QStringLiteral("")) : QVariant(text);
}

QString SqlReason(const QSqlError &error)
{
    const QString own = error.databaseText().trimmed();
    return own.isEmpty() ? error.text().trimmed() : own;
}

ArchiveError DatabaseError(const QString &reason)
{
    return ArchiveError(ArchiveErrorCode::Database).Because(reason);
}

bool RunSql(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *reason)
{
    query.setForwardOnly(true);
    ServerWatchRestart();
    // A statement without values runs as it is: PostgreSQL prepares no
    // CREATE TABLE or CREATE INDEX.
    bool done = values.isEmpty() ? query.exec(sql) : query.prepare(sql);
    if (done && !values.isEmpty()) {
        for (const QVariant &value : values)
            query.addBindValue(value);
        done = query.exec();
    }
    if (!done)
        *reason = SqlReason(query.lastError());
    return done;
}
