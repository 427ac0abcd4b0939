#include "archive/store/archiveoutbox.h"

#include "archive/store/archiveconnection.h"
#include "archive/store/sqltransaction.h"

#include <map>

namespace {

// The first column of the statement's first row, or std::nullopt with the
// reason.
std::optional<QVariant> Single(QSqlDatabase db, const QString &sql, const QVariantList &values,
                               QString *reason)
{
    QSqlQuery query(db);
    if (!RunSql(query, sql, values, reason))
        return std::nullopt;
    if (!query.next()) {
        *reason = SqlReason(query.lastError());
        return std::nullopt;
    }
    return query.value(0);
}

std::optional<QString> SiteOf(QSqlDatabase db, QString *reason)
{
    QSqlQuery query(db);
    if (!RunSql(query, QStringLiteral("SELECT location FROM outbox_site WHERE singleton = 1"), {},
                reason))
        return std::nullopt;
    return query.next() ? query.value(0).toString() : QString();
}

std::optional<OutboxState> StateOf(QSqlDatabase db, QString *reason)
{
    QSqlQuery query(db);
    if (!RunSql(query, QStringLiteral("SELECT COUNT(*), MIN(queued_at) FROM outbox"), {}, reason))
        return std::nullopt;
    if (!query.next()) {
        *reason = SqlReason(query.lastError());
        return std::nullopt;
    }
    OutboxState state;
    state.waiting = query.value(0).toLongLong();
    if (state.waiting > 0)
        state.since = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong());
    return state;
}

// Outbox rows whose record went (deleted while the archive was kept for no
// site) would wait for ever.
bool DropOrphans(QSqlDatabase db, QString *reason)
{
    const QString orphans = QStringLiteral(" FROM outbox WHERE NOT EXISTS (SELECT 1 FROM records"
                                           " WHERE records.id = outbox.record_id)");
    const std::optional<QVariant> any = Single(
        db, QStringLiteral("SELECT EXISTS (SELECT 1") + orphans + QLatin1Char(')'), {}, reason);
    if (!any)
        return false;
    QSqlQuery query(db);
    return !any->toBool() || RunSql(query, QStringLiteral("DELETE") + orphans, {}, reason);
}

} // namespace

std::optional<qint64> ArchiveOutbox::Mark(QSqlDatabase db, ArchiveLocation::Driver driver,
                                          QString *reason)
{
    if (driver != ArchiveLocation::Driver::Sqlite)
        return -1;
    QSqlQuery query(db);
    if (!RunSql(query,
                QStringLiteral("SELECT (SELECT COUNT(*) FROM outbox_site),"
                               " (SELECT COALESCE(MAX(id), 0) FROM records)"),
                {}, reason))
        return std::nullopt;
    if (!query.next()) {
        *reason = SqlReason(query.lastError());
        return std::nullopt;
    }
    return query.value(0).toLongLong() > 0 ? query.value(1).toLongLong() : -1;
}

bool ArchiveOutbox::Queue(QSqlDatabase db, qint64 after, qint64 now, QString *reason)
{
    // An id may come back after the record that had it was deleted; its row
    // waits already.
    QSqlQuery query(db);
    return RunSql(query,
                  QStringLiteral("INSERT INTO outbox (record_id, queued_at)"
                                 " SELECT id, ? FROM records WHERE id > ?"
                                 " ON CONFLICT (record_id) DO NOTHING"),
                  {now, after}, reason);
}

std::optional<OutboxState> ArchiveOutbox::KeepFor(ArchiveStore &store, const QString &site,
                                                  ArchiveError *error)
{
    QSqlDatabase d = store.db->Db();
    QString reason;
    const auto fail = [&]() -> std::optional<OutboxState> {
        store.db->Fail(reason, error);
        return std::nullopt;
    };
    const std::optional<QString> kept = SiteOf(d, &reason);
    if (!kept)
        return fail();
    if (*kept != site) {
        SqlTransaction transaction(d);
        QSqlQuery query(d);
        // The site's row goes first, which takes the archive's write lock:
        // records archived meanwhile are queued below with all the others.
        if (!transaction.Began(&reason) ||
            !RunSql(query, QStringLiteral("DELETE FROM outbox_site WHERE location <> ?"),
                    {SqlText(site)}, &reason) ||
            !RunSql(query, QStringLiteral("SELECT COUNT(*) FROM outbox_site"), {}, &reason) ||
            !query.next())
            return fail();
        const bool keptMeanwhile = query.value(0).toLongLong() > 0;
        if (!keptMeanwhile &&
            (!RunSql(query, QStringLiteral("DELETE FROM outbox"), {}, &reason) ||
             !RunSql(query,
                     QStringLiteral("INSERT INTO outbox (record_id, queued_at)"
                                    " SELECT id, ? FROM records"),
                     {QDateTime::currentMSecsSinceEpoch()}, &reason) ||
             !RunSql(query,
                     QStringLiteral("INSERT INTO outbox_site (singleton, location) VALUES (1, ?)"),
                     {SqlText(site)}, &reason)))
            return fail();
        if (!transaction.Commit(&reason))
            return fail();
    }
    return State(store, error);
}

std::optional<OutboxState> ArchiveOutbox::State(ArchiveStore &store, ArchiveError *error)
{
    QString reason;
    const std::optional<OutboxState> state = StateOf(store.db->Db(), &reason);
    if (!state)
        store.db->Fail(reason, error);
    return state;
}

std::optional<qint64> ArchiveOutbox::WaitingOf(ArchiveStore &store, const QString &serialNumber,
                                               ArchiveError *error)
{
    QString reason;
    const std::optional<QVariant> waiting =
        Single(store.db->Db(),
               QStringLiteral("SELECT COUNT(*) FROM outbox"
                              " JOIN records ON records.id = outbox.record_id"
                              " JOIN testers ON testers.id = records.tester_id"
                              " WHERE testers.serial_number = ?"),
               {SqlText(serialNumber)}, &reason);
    if (!waiting) {
        store.db->Fail(reason, error);
        return std::nullopt;
    }
    return waiting->toLongLong();
}

std::optional<QString> ArchiveOutbox::KeptFor(ArchiveStore &store, ArchiveError *error)
{
    QString reason;
    const std::optional<QString> site = SiteOf(store.db->Db(), &reason);
    if (!site)
        store.db->Fail(reason, error);
    return site;
}

std::optional<QVector<OutboxGroup>> ArchiveOutbox::Next(ArchiveStore &store, int limit,
                                                        ArchiveError *error)
{
    QSqlDatabase d = store.db->Db();
    QString reason;
    const auto fail = [&]() -> std::optional<QVector<OutboxGroup>> {
        store.db->Fail(reason, error);
        return std::nullopt;
    };
    QSqlQuery query(d);
    if (!RunSql(query,
                QStringLiteral("SELECT records.id, tester_id, test_no_text, date_text, time_text,"
                               " reading_text, result_text, sampling_text FROM outbox"
                               " JOIN records ON records.id = outbox.record_id"
                               " ORDER BY outbox.record_id LIMIT ?"),
                {limit}, &reason))
        return fail();
    QVector<OutboxGroup> groups;
    std::map<qint64, int> groupOf; // tester id -> index in groups
    int records = 0;
    while (query.next()) {
        const qint64 tester = query.value(1).toLongLong();
        const auto found = groupOf.emplace(tester, int(groups.size())).first;
        if (found->second == groups.size())
            groups.append(OutboxGroup());
        OutboxGroup &group = groups[found->second];
        group.ids.append(query.value(0).toLongLong());
        GridRow row;
        for (int i = 0; i < RecordColumns; ++i)
            row << query.value(2 + i).toString();
        group.rows.append(row);
        ++records;
    }
    if (query.lastError().isValid()) {
        reason = SqlReason(query.lastError());
        return fail();
    }
    for (const auto &[tester, index] : groupOf) {
        QSqlQuery lines(d);
        if (!RunSql(lines,
                    QStringLiteral("SELECT device_heading, serial_line, software_line,"
                                   " calibration_line FROM testers WHERE id = ?"),
                    {tester}, &reason))
            return fail();
        if (lines.next())
            for (int i = 0; i < 4; ++i)
                groups[index].deviceInfo << lines.value(i).toString();
    }
    if (records < limit && !DropOrphans(d, &reason))
        return fail();
    return groups;
}

bool ArchiveOutbox::Sent(ArchiveStore &store, const QString &site, const QVector<qint64> &ids,
                         ArchiveError *error)
{
    if (ids.isEmpty())
        return true;
    QSqlDatabase d = store.db->Db();
    QString reason;
    SqlTransaction transaction(d);
    QSqlQuery query(d);
    QVariantList idValues;
    QVariantList siteValues;
    for (const qint64 id : ids) {
        idValues << id;
        siteValues << SqlText(site);
    }
    // The first delete takes the archive's write lock: the site cannot
    // change under the others.
    bool done =
        transaction.Began(&reason) &&
        query.prepare(QStringLiteral("DELETE FROM outbox WHERE record_id = ?"
                                     " AND EXISTS (SELECT 1 FROM outbox_site WHERE location = ?)"));
    if (done) {
        query.addBindValue(idValues);
        query.addBindValue(siteValues);
        done = query.execBatch();
    }
    if (!done && reason.isEmpty())
        reason = SqlReason(query.lastError());
    if (!done || !transaction.Commit(&reason))
        return store.db->Fail(reason, error);
    return true;
}

std::optional<bool> ArchiveOutbox::MayAdd(ArchiveStore &server, ArchiveError *error)
{
    QString reason;
    const std::optional<QVariant> may =
        Single(server.db->Db(),
               QStringLiteral("SELECT has_table_privilege('records', 'INSERT')"
                              " AND has_table_privilege('testers', 'INSERT, UPDATE')"
                              " AND has_table_privilege('batches', 'INSERT')"),
               {}, &reason);
    if (!may) {
        server.db->Fail(reason, error);
        return std::nullopt;
    }
    return may->toBool();
}
