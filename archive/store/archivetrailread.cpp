#include "archive/store/archivetrailread.h"

#include "archive/store/archiveconnection.h"
#include "archive/store/archivetrail.h"

#include <algorithm>
#include <limits>

namespace {

TrailKind KindOf(const QString &name)
{
    static const std::pair<const char *, TrailKind> kinds[] = {
        {"download", TrailKind::Download},
        {"import", TrailKind::Import},
        {"carried over", TrailKind::CarriedOver},
        {"sent", TrailKind::Sent},
        {"deletion", TrailKind::Deletion},
        {"setting", TrailKind::Setting},
        {"verify", TrailKind::Verify}};
    for (const auto &[text, kind] : kinds)
        if (name == QLatin1String(text))
            return kind;
    return TrailKind::Other;
}

// Whether the rows were read to their end; else the database's reason.
bool ReadToEnd(const QSqlQuery &query, QString *reason)
{
    if (!query.lastError().isValid())
        return true;
    *reason = SqlReason(query.lastError());
    return false;
}

// The filter's values, bound in the order the statements ask them: every
// tester is -1, no end is the largest moment.
QVariantList Bound(const TrailFilter &filter)
{
    const qint64 tester = filter.testerId.value_or(-1);
    return {tester, tester, filter.fromMs,
            filter.untilMs.value_or(std::numeric_limits<qint64>::max())};
}

// What every entry's row begins with: when, where, who and what.
TrailEntry EntryHead(const QSqlQuery &query)
{
    TrailEntry e;
    e.at = query.value(0).toLongLong();
    e.pc = query.value(1).toString();
    e.user = query.value(2).toString();
    e.kindName = query.value(3).toString();
    e.kind = KindOf(e.kindName);
    return e;
}

bool ReadBatches(QSqlDatabase db, const TrailFilter &filter, QVector<TrailEntry> &entries,
                 QString *reason)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!RunSql(query,
                QStringLiteral("SELECT b.made_at, b.pc, b.os_user, b.kind, b.tester_id,"
                               " t.serial_number, b.added, b.already, b.number, b.source, b.hash"
                               " FROM batches b JOIN testers t ON t.id = b.tester_id"
                               " WHERE (? < 0 OR b.tester_id = ?) AND b.made_at >= ?"
                               " AND b.made_at < ? ORDER BY b.made_at, b.id"),
                Bound(filter), reason))
        return false;
    while (query.next()) {
        TrailEntry e = EntryHead(query);
        e.testerId = query.value(4).toLongLong();
        e.serialNumber = query.value(5).toString();
        e.count = query.value(6).toLongLong();
        e.already = query.value(7).toLongLong();
        e.number = query.value(8).toLongLong();
        e.source = query.value(9).toString();
        e.hash = query.value(10).toString();
        entries.append(e);
    }
    return ReadToEnd(query, reason);
}

bool ReadAudit(QSqlDatabase db, const TrailFilter &filter, QVector<TrailEntry> &entries,
               QString *reason)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    // A tester's trail holds what was done to every tester as well.
    if (!RunSql(query,
                QStringLiteral("SELECT a.at, a.pc, a.os_user, a.kind, a.tester_id,"
                               " t.serial_number, a.count, a.details, a.cutoff, a.fingerprint"
                               " FROM audit a LEFT JOIN testers t ON t.id = a.tester_id"
                               " WHERE (? < 0 OR a.tester_id = ? OR a.tester_id IS NULL)"
                               " AND a.at >= ? AND a.at < ? ORDER BY a.at, a.id"),
                Bound(filter), reason))
        return false;
    while (query.next()) {
        TrailEntry e = EntryHead(query);
        if (!query.value(4).isNull())
            e.testerId = query.value(4).toLongLong();
        e.serialNumber = query.value(5).toString();
        e.count = query.value(6).toLongLong();
        e.details = query.value(7).toString();
        e.cutOff = long(query.value(8).toLongLong());
        e.hash = query.value(9).toString();
        entries.append(e);
    }
    return ReadToEnd(query, reason);
}

} // namespace

std::optional<QVector<TrailEntry>>
ArchiveTrail::Read(ArchiveStore &store, const TrailFilter &filter, ArchiveError *error)
{
    QVector<TrailEntry> batches;
    QVector<TrailEntry> audit;
    QString reason;
    if (!ReadBatches(store.db->Db(), filter, batches, &reason) ||
        !ReadAudit(store.db->Db(), filter, audit, &reason)) {
        store.db->Fail(reason, error);
        return std::nullopt;
    }
    // Both in time order: merged, a batch before an audit entry of the same
    // moment.
    QVector<TrailEntry> entries;
    entries.reserve(batches.size() + audit.size());
    std::merge(batches.begin(), batches.end(), audit.begin(), audit.end(),
               std::back_inserter(entries),
               [](const TrailEntry &a, const TrailEntry &b) { return a.at < b.at; });
    return entries;
}
