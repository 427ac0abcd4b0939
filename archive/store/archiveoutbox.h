#pragma once
// This PC's outbox: the records of this PC's archive not yet on the site's
// server, and the site they wait for (its location as the program writes
// it). A record is queued in the transaction that brings it in, and leaves
// the outbox only once the server has committed it, so that a record is
// never taken for sent that is not there; sending again what is there
// already adds nothing (the server keeps each record once). Pointing the PC
// at another site queues every record of this PC's archive for that one.
// Only this PC's SQLite archive keeps an outbox; a server's stays empty.

#include "archive/store/archivestore.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVector>

#include <optional>

struct OutboxState
{
    qint64 waiting = 0;
    QDateTime since; // when the oldest record waiting was queued; invalid when none waits
};

// Records of one tester to send, with their ids in this PC's archive.
struct OutboxGroup
{
    QStringList deviceInfo;
    GridRows rows;
    QVector<qint64> ids;
};

class ArchiveOutbox
{
public:
    // Within ArchiveStore::Add's transaction, which holds the archive's
    // write lock: the largest record id before the records come, or -1 when
    // none will be queued (a server, or an archive kept for no site).
    static std::optional<qint64> Mark(QSqlDatabase db, ArchiveLocation::Driver driver,
                                      QString *reason);
    // Queues the records added after Mark gave after.
    static bool Queue(QSqlDatabase db, qint64 after, qint64 now, QString *reason);

    // The outbox is kept for site from now on; one kept for another site, or
    // none, becomes every record of the archive.
    static std::optional<OutboxState> KeepFor(ArchiveStore &store, const QString &site,
                                              ArchiveError *error);
    static std::optional<OutboxState> State(ArchiveStore &store, ArchiveError *error);
    // The records of the tester with this serial number that wait.
    static std::optional<qint64> WaitingOf(ArchiveStore &store, const QString &serialNumber,
                                           ArchiveError *error);
    // The site the outbox is kept for; empty when none.
    static std::optional<QString> KeptFor(ArchiveStore &store, ArchiveError *error);
    // The first records waiting, at most limit, by tester in the order they
    // came.
    static std::optional<QVector<OutboxGroup>> Next(ArchiveStore &store, int limit,
                                                    ArchiveError *error);
    // The server has committed the records of ids: they leave the outbox,
    // unless it is kept for another site than site by now.
    static bool Sent(ArchiveStore &store, const QString &site, const QVector<qint64> &ids,
                     ArchiveError *error);

    // On the site's server: whether the program's user may add records
    // there. A refusal for want of these rights does not pass by waiting.
    static std::optional<bool> MayAdd(ArchiveStore &server, ArchiveError *error);
};
