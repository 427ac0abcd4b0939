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

// A setting of archive_settings: its name, the value in force while none is
// stored (or one out of range), its range, and the refusal of a value out of it.
struct Setting
{
    QString name;
    int fallback, first, last;
    ArchiveErrorCode outOfRange;
};
const Setting CalibrationSetting{QStringLiteral("calibration_months"), DefaultCalibrationMonths,
                                 MinCalibrationMonths, MaxCalibrationMonths,
                                 ArchiveErrorCode::CalibrationOutOfRange};
const Setting RetentionSetting{QStringLiteral("retention_years"), DefaultRetentionYears,
                               MinRetentionYears, MaxRetentionYears,
                               ArchiveErrorCode::RetentionOutOfRange};
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

// The setting in force.
std::optional<int> SettingOf(QSqlDatabase db, const Setting &setting, QString *reason)
{
    QSqlQuery query(db);
    if (!RunSql(query, QStringLiteral("SELECT value FROM archive_settings WHERE name = ?"),
                {setting.name}, reason))
        return std::nullopt;
    if (!query.next())
        return setting.fallback;
    const int value = query.value(0).toInt();
    return value >= setting.first && value <= setting.last ? value : setting.fallback;
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
bool ChangeSetting(QSqlDatabase db, const Setting &setting, int value, QString *reason)
{
    SqlTransaction transaction(db);
    QSqlQuery query(db);
    // The write first: a second program changing it at once waits here.
    if (!transaction.Began(reason) ||
        !RunSql(query, QStringLiteral("UPDATE archive_settings SET value = value WHERE name = ?"),
                {setting.name}, reason))
        return false;
    const std::optional<int> old = SettingOf(db, setting, reason);
    if (!old)
        return false;
    if (*old == value)
        return transaction.Commit(reason);
    ArchiveAuditEntry entry = AuditHere(AuditSetting);
    entry.details = QStringLiteral("%1 %2 -> %3").arg(setting.name).arg(*old).arg(value);
    return RunSql(query,
                  QStringLiteral("INSERT INTO archive_settings (name, value) VALUES (?, ?)"
                                 " ON CONFLICT (name) DO UPDATE SET value = excluded.value"),
                  {setting.name, value}, reason) &&
           AppendAudit(db, entry, reason) && transaction.Commit(reason);
}

std::optional<int> ReadSetting(const ArchiveStore::Connection &db, const Setting &setting,
                               ArchiveError *error)
{
    QString reason;
    const std::optional<int> value = SettingOf(db.Db(), setting, &reason);
    if (!value)
        db.Fail(reason, error);
    return value;
}

bool WriteSetting(const ArchiveStore::Connection &db, const Setting &setting, int value,
                  ArchiveError *error)
{
    if (value < setting.first || value > setting.last) {
        *error = ArchiveError(setting.outOfRange);
        return false;
    }
    QString reason;
    return ChangeSetting(db.Db(), setting, value, &reason) || db.Fail(reason, error);
}

} // namespace

std::optional<int> ArchiveStore::CalibrationMonths(ArchiveError *error)
{
    return ReadSetting(*db, CalibrationSetting, error);
}

bool ArchiveStore::SetCalibrationMonths(int months, ArchiveError *error)
{
    return WriteSetting(*db, CalibrationSetting, months, error);
}

std::optional<int> ArchiveStore::RetentionYears(ArchiveError *error)
{
    return ReadSetting(*db, RetentionSetting, error);
}

bool ArchiveStore::SetRetentionYears(int years, ArchiveError *error)
{
    return WriteSetting(*db, RetentionSetting, years, error);
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
    const std::optional<int> years = SettingOf(d, RetentionSetting, &reason);
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
