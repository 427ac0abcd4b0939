// What a site keeps in its archive besides records: the calibration interval
// that every PC uses, and the one way archived records ever go, the
// retention delete.
#include "archive/archiveconnection.h"
#include "archive/archiveserver.h"
#include "archive/archivesql.h"
#include "archive/calibration.h"

namespace {

const QString CalibrationSetting = QStringLiteral("calibration_months");
// A retention delete may take longer than a single statement of archiving.
constexpr int RetentionTimeoutSeconds = 60;

struct OlderThan
{
    QString where;
    QVariantList values;
};

OlderThan OlderThanOf(long dateKey, std::optional<qint64> testerId)
{
    // Records whose date cannot be read (key 0) are not known to be old.
    OlderThan o{QStringLiteral(" WHERE date_key > 0 AND date_key < ?"), {qint64(dateKey)}};
    if (testerId) {
        o.where += QStringLiteral(" AND tester_id = ?");
        o.values << *testerId;
    }
    return o;
}

} // namespace

std::optional<int> ArchiveStore::CalibrationMonths(QString *error)
{
    QSqlQuery query(db->Db());
    QString reason;
    if (!RunSql(query, QStringLiteral("SELECT value FROM archive_settings WHERE name = ?"),
                {CalibrationSetting}, &reason)) {
        db->Fail(reason, error);
        return std::nullopt;
    }
    if (!query.next())
        return DefaultCalibrationMonths;
    const int months = query.value(0).toInt();
    return months >= MinCalibrationMonths && months <= MaxCalibrationMonths
               ? months
               : DefaultCalibrationMonths;
}

bool ArchiveStore::SetCalibrationMonths(int months, QString *error)
{
    if (months < MinCalibrationMonths || months > MaxCalibrationMonths) {
        *error = QStringLiteral("the calibration interval must be %1 to %2 months")
                     .arg(MinCalibrationMonths)
                     .arg(MaxCalibrationMonths);
        return false;
    }
    QSqlQuery query(db->Db());
    QString reason;
    if (!RunSql(query,
                QStringLiteral("INSERT INTO archive_settings (name, value) VALUES (?, ?)"
                               " ON CONFLICT (name) DO UPDATE SET value = excluded.value"),
                {CalibrationSetting, months}, &reason))
        return db->Fail(reason, error);
    return true;
}

std::optional<qint64> ArchiveStore::CountOlderThan(long dateKey, std::optional<qint64> testerId,
                                                   QString *error)
{
    const OlderThan o = OlderThanOf(dateKey, testerId);
    QSqlQuery query(db->Db());
    QString reason;
    if (!RunSql(query, QStringLiteral("SELECT COUNT(*) FROM records") + o.where, o.values,
                &reason) ||
        !query.next()) {
        db->Fail(reason.isEmpty() ? SqlReason(query.lastError()) : reason, error);
        return std::nullopt;
    }
    return query.value(0).toLongLong();
}

std::optional<qint64> ArchiveStore::DeleteOlderThan(long dateKey, std::optional<qint64> testerId,
                                                    QString *error)
{
    QSqlDatabase d = db->Db();
    const OlderThan o = OlderThanOf(dateKey, testerId);
    const QString which = testerId ? QStringLiteral(" WHERE id = ?") : QString();
    const QVariantList whichValues = testerId ? QVariantList{*testerId} : QVariantList{};
    QString reason;
    SqlTransaction transaction(d);
    QSqlQuery query(d);
    // The testers first: an archiving of them on another PC ends before this
    // counts their records again.
    if (!transaction.Began(&reason) ||
        !LongerStatements(d, db->where.driver, RetentionTimeoutSeconds, &reason) ||
        !RunSql(query, QStringLiteral("UPDATE testers SET records = records") + which, whichValues,
                &reason) ||
        !RunSql(query, QStringLiteral("DELETE FROM records") + o.where, o.values, &reason)) {
        db->Fail(reason, error);
        return std::nullopt;
    }
    const qint64 deleted = query.numRowsAffected();
    if (!RunSql(
            query,
            QStringLiteral("UPDATE testers SET"
                           " records = (SELECT COUNT(*) FROM records WHERE tester_id = testers.id),"
                           " first_date = (SELECT MIN(date_key) FROM records"
                           " WHERE tester_id = testers.id AND date_key > 0),"
                           " last_date = (SELECT MAX(date_key) FROM records"
                           " WHERE tester_id = testers.id AND date_key > 0)") +
                which,
            whichValues, &reason) ||
        !transaction.Commit(&reason)) {
        db->Fail(reason, error);
        return std::nullopt;
    }
    return deleted;
}
