#pragma once
// Small pieces over Qt SQL that the archive's files share: statements with
// bound values and the reason of a failure.

#include "archive/store/archiveerror.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QVariantList>

// The text as a value to bind: Qt SQL binds a null text as NULL, and the
// archive keeps empty texts as empty texts.
QVariant SqlText(const QString &text);

// The database's own words for a failure when it gave any.
QString SqlReason(const QSqlError &error);

// A failure the database gave its reason for.
ArchiveError DatabaseError(const QString &reason);

// Prepares sql on db and runs it with values bound in order; false with the
// database's reason in *reason.
bool RunSql(QSqlQuery &query, const QString &sql, const QVariantList &values, QString *reason);
