// The archive's settings and the deletion of old records, each with its
// audit row in the same transaction.

#include "archive/store/archivetrail.h"

#include "archive/store/archivechain.h"
#include "archive/store/archiveconnection.h"
#include "archive/store/calibration.h"
#include "archive/store/sqltransaction.h"

#include <QDate>
#include <QDir>
#include <QSysInfo>
#include <QtGlobal>

const ArchiveWorkstation &ThisWorkstation()
{
    static const ArchiveWorkstation here = [] {
        ArchiveWorkstation w;
        w.pc = QSysInfo::machineHostName();
        // Unix names the user USER (LOGNAME for some shells); Windows USERNAME.
        for (const char *name : {"USER", "LOGNAME", "USERNAME"}) {
            w.user = qEnvironmentVariable(name);
            if (!w.user.isEmpty())
                break;
        }
        // Else the name of the user's home folder, which is the user's own.
        if (w.user.isEmpty())
            w.user = QDir::home().dirName();
        return w;
    }();
    return here;
}

namespace {

const QString CalibrationSetting = QStringLiteral("calibration_months");
const QString RetentionSetting = QStringLiteral("retention_years");
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

// A stored setting within first..last; fallback when none is stored or it
// is out of range.
std::optional<int> SettingOf(QSqlDatabase db, const QString &name, int fallback, int first,
                             int last, QString *reason)
{
    QSqlQuery query(db);
    if (!RunSql(query, QStringLiteral("SELECT value FROM archive_settings WHERE name = ?"), {name},
                reason))
        return std::nullopt;
    if (!query.next())
        return fallback;
    const int value = query.value(0).toInt();
    return value >= first && value <= last ? value : fallback;
}

ArchiveAuditEntry AuditHere(const char *kind)
{
    ArchiveAuditEntry entry;
    entry.at = QDateTime::currentMSecsSinceEpoch();
    entry.pc = ThisWorkstation().pc;
    entry.osUser = ThisWorkstation().user;
    entry.kind = QLatin1String(kind);
    return entry;
}

// A setting and its audit row "name old -> new" in one transaction; nothing
// when it is the value in force already.
bool ChangeSetting(QSqlDatabase db, const QString &name, int value, int fallback, int first,
                   int last, QString *reason)
{
    SqlTransaction transaction(db);
    QSqlQuery query(db);
    // The write first: a second program changing it at once waits here.
    if (!transaction.Began(reason) ||
        !RunSql(query, QStringLiteral("UPDATE archive_settings SET value = value WHERE name = ?"),
                {name}, reason))
        return false;
    const std::optional<int> old = SettingOf(db, name, fallback, first, last, reason);
    if (!old)
        return false;
    if (*old == value)
        return transaction.Commit(reason);
    ArchiveAuditEntry entry = AuditHere(AuditSetting);
    entry.details = QStringLiteral("%1 %2 -> %3").arg(name).arg(*old).arg(value);
    return RunSql(query,
                  QStringLiteral("INSERT INTO archive_settings (name, value) VALUES (?, ?)"
                                 " ON CONFLICT (name) DO UPDATE SET value = excluded.value"),
                  {name, value}, reason) &&
           AppendAudit(db, entry, reason) && transaction.Commit(reason);
}

} // namespace

std::optional<int> ArchiveStore::CalibrationMonths(ArchiveError *error)
{
    QString reason;
    const std::optional<int> months =
        SettingOf(db->Db(), CalibrationSetting, DefaultCalibrationMonths, MinCalibrationMonths,
                  MaxCalibrationMonths, &reason);
    if (!months)
        db->Fail(reason, error);
    return months;
}

bool ArchiveStore::SetCalibrationMonths(int months, ArchiveError *error)
{
    if (months < MinCalibrationMonths || months > MaxCalibrationMonths) {
        *error = ArchiveError(ArchiveErrorCode::CalibrationOutOfRange);
        return false;
    }
    QString reason;
    return ChangeSetting(db->Db(), CalibrationSetting, months, DefaultCalibrationMonths,
                         MinCalibrationMonths, MaxCalibrationMonths, &reason) ||
           db->Fail(reason, error);
}

std::optional<int> ArchiveStore::RetentionYears(ArchiveError *error)
{
    QString reason;
    const std::optional<int> years = SettingOf(db->Db(), RetentionSetting, DefaultRetentionYears,
                                               MinRetentionYears, MaxRetentionYears, &reason);
    if (!years)
        db->Fail(reason, error);
    return years;
}

bool ArchiveStore::SetRetentionYears(int years, ArchiveError *error)
{
    if (years < MinRetentionYears || years > MaxRetentionYears) {
        *error = ArchiveError(ArchiveErrorCode::RetentionOutOfRange);
        return false;
    }
    QString reason;
    return ChangeSetting(db->Db(), RetentionSetting, years, DefaultRetentionYears,
                         MinRetentionYears, MaxRetentionYears, &reason) ||
           db->Fail(reason, error);
}

long LatestCutOff(int years, const QDate &today)
{
    const QDate latest = today.addYears(-years);
    return long(latest.year()) * 10000 + latest.month() * 100 + latest.day();
}

std::optional<qint64> ArchiveStore::CountOlderThan(long dateKey, std::optional<qint64> testerId,
                                                   ArchiveError *error)
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
                                                    ArchiveError *error)
{
    QSqlDatabase d = db->Db();
    const OlderThan o = OlderThanOf(dateKey, testerId);
    const QString which = testerId ? QStringLiteral(" WHERE id = ?") : QString();
    const QVariantList whichValues = testerId ? QVariantList{*testerId} : QVariantList{};
    QString reason;
    const auto fail = [&]() -> std::optional<qint64> {
        db->Fail(reason, error);
        return std::nullopt;
    };
    SqlTransaction transaction(d);
    QSqlQuery query(d);
    // The testers first: an archiving of them on another PC ends before this
    // counts their records again.
    if (!transaction.Began(&reason) ||
        !LongerStatements(d, db->where.driver, RetentionTimeoutSeconds, &reason) ||
        !RunSql(query, QStringLiteral("UPDATE testers SET records = records") + which, whichValues,
                &reason))
        return fail();
    // The minimum retention as it stands within this transaction.
    const std::optional<int> years = SettingOf(d, RetentionSetting, DefaultRetentionYears,
                                               MinRetentionYears, MaxRetentionYears, &reason);
    if (!years)
        return fail();
    if (dateKey > LatestCutOff(*years, QDate::currentDate())) {
        *error = ArchiveError(ArchiveErrorCode::InsideRetention).OfVersion(*years);
        return std::nullopt;
    }
    // What goes, in id order: its count and set fingerprint.
    ArchiveAuditEntry entry = AuditHere(AuditDeletion);
    entry.testerId = testerId;
    entry.cutoff = dateKey;
    entry.details = QStringLiteral("cut-off %1").arg(dateKey);
    SetFingerprinter set;
    if (!RunSql(query,
                QStringLiteral("SELECT COALESCE(fingerprint, '') FROM records") + o.where +
                    QStringLiteral(" ORDER BY id"),
                o.values, &reason))
        return fail();
    while (query.next()) {
        set.Add(query.value(0).toString().toLatin1());
        ++entry.count;
    }
    if (query.lastError().isValid()) {
        reason = SqlReason(query.lastError());
        return fail();
    }
    entry.fingerprint = set.Result();
    const std::optional<qint64> auditId = AppendAudit(d, entry, &reason);
    if (!auditId)
        return fail();
    // The gate's row lets the records through the database's refusal, for
    // this transaction only.
    if (!RunSql(query,
                QStringLiteral("INSERT INTO deleted_records (audit_id, tester_id, fingerprint,"
                               " test_no_text, date_text, time_text)"
                               " SELECT ?, tester_id, COALESCE(fingerprint, ''), test_no_text,"
                               " date_text, time_text FROM records") +
                    o.where + QStringLiteral(" ORDER BY id"),
                QVariantList{*auditId} + o.values, &reason) ||
        !RunSql(query, QStringLiteral("INSERT INTO deletion_gate (audit_id) VALUES (?)"),
                {*auditId}, &reason) ||
        !RunSql(query, QStringLiteral("DELETE FROM records") + o.where, o.values, &reason))
        return fail();
    const qint64 deleted = query.numRowsAffected();
    if (!RunSql(query, QStringLiteral("DELETE FROM deletion_gate"), {}, &reason) ||
        !RunSql(
            query,
            QStringLiteral("UPDATE testers SET"
                           " records = (SELECT COUNT(*) FROM records WHERE tester_id = testers.id),"
                           " first_date = (SELECT MIN(date_key) FROM records"
                           " WHERE tester_id = testers.id AND date_key > 0),"
                           " last_date = (SELECT MAX(date_key) FROM records"
                           " WHERE tester_id = testers.id AND date_key > 0)") +
                which,
            whichValues, &reason) ||
        !transaction.Commit(&reason))
        return fail();
    return deleted;
}
