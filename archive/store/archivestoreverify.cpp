// The store's verify: the archive read and verified on the store's own
// connection, then the verdict entered in the audit trail.

#include "archive/store/archiveconnection.h"
#include "archive/store/archivequery.h"
#include "archive/store/archivestore.h"
#include "archive/store/archiveverify.h"

#include <QDateTime>

std::optional<ArchiveVerdict> ArchiveStore::Verify(const ArchiveWorkstation &who,
                                                   const VerifyProgress &progress,
                                                   ArchiveError *error)
{
    std::optional<ArchiveVerdict> verdict = VerifyArchive(db->Db(), db->where, progress, error);
    if (!verdict) {
        db->FailPaging(*error, error);
        return std::nullopt;
    }
    QSqlQuery query(db->Db());
    QString reason;
    if (!RunSql(query,
                QStringLiteral("INSERT INTO audit (at, pc, os_user, kind, tester_id, details,"
                               " cutoff, count, fingerprint) VALUES (?, ?, ?, ?, NULL, ?, NULL,"
                               " ?, ?)"),
                {QDateTime::currentMSecsSinceEpoch(), SqlText(who.pc), SqlText(who.user),
                 QLatin1String(AuditVerify), VerifyAuditDetails(*verdict), verdict->records,
                 SqlText(QString())},
                &reason)) {
        db->Fail(reason, error);
        return std::nullopt;
    }
    return verdict;
}

std::optional<SelectionSeal> ArchiveStore::Seal(const ArchiveQuery &query, ArchiveError *error)
{
    const std::optional<ArchiveFilterSql> filter = ArchiveFilterOf(query, error);
    if (!filter)
        return std::nullopt;
    QSqlQuery sql(db->Db());
    QString reason;
    if (!RunSql(sql,
                QStringLiteral("SELECT fingerprint FROM records") + filter->where +
                    QStringLiteral(" ORDER BY id"),
                filter->values, &reason)) {
        db->Fail(reason, error);
        return std::nullopt;
    }
    SelectionSeal seal;
    SetFingerprinter set;
    while (sql.next()) {
        set.Add(sql.value(0).toString().toLatin1());
        ++seal.records;
    }
    seal.fingerprint = set.Result();
    if (sql.lastError().isValid() ||
        !RunSql(sql,
                QStringLiteral("SELECT at, details FROM audit WHERE kind = ?"
                               " ORDER BY at DESC, id DESC LIMIT 1"),
                {QLatin1String(AuditVerify)}, &reason)) {
        db->Fail(reason.isEmpty() ? SqlReason(sql.lastError()) : reason, error);
        return std::nullopt;
    }
    if (sql.next()) {
        seal.lastVerifiedAt = sql.value(0).toLongLong();
        seal.lastVerdict = sql.value(1).toString();
    }
    return seal;
}
