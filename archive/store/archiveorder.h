#pragma once
// The order of a text column's values (time, reading, result, sampling) as
// the operator's language sorts them, case-sensitive, as the results window
// sorts its grid: each distinct value of the column gets a rank, the ranks
// go into a table of this connection (kestrune_order: col, rank, text), and
// the records are paged through in rank order by joining it. The databases'
// own text orders differ (binary, or a collation of the server), so the
// ranks come from QCollator here.
//
// The distinct values are read once and read again only when records have
// come or gone since (the greatest id and the testers' record counts tell).

#include "archive/store/archivelocation.h"

#include <QHash>
#include <QSqlDatabase>
#include <QString>

#include <array>
#include <functional>
#include <optional>

// The text columns among the six record columns (2 to 5) and their columns
// in the records table.
bool IsTextSortColumn(int column);
const char *SortColumnName(int column);

class TextOrders
{
public:
    // Makes the ranks of column ready in kestrune_order. With recheck, reads
    // them again when the archive changed since they were read; without, only
    // when they were never read on this connection. False with the database's
    // reason in *reason.
    bool Prepare(QSqlDatabase db, ArchiveLocation::Driver driver, int column, bool recheck,
                 QString *reason);
    // The rank of a value of column, when it was among the values read.
    std::optional<qint64> RankOf(int column, const QString &text) const;
    // The lowest and the highest rank of the values of column that keep
    // takes; std::nullopt when it takes none.
    std::optional<std::pair<qint64, qint64>>
    RankSpan(int column, const std::function<bool(const QString &text)> &keep) const;

private:
    struct Ranks
    {
        bool read = false;
        QString fingerprint; // of the archive when read
        QHash<QString, qint64> ofText;
    };
    bool Read(QSqlDatabase db, ArchiveLocation::Driver driver, int column, Ranks &ranks,
              QString *reason);

    bool FTable = false; // kestrune_order made on this connection
    std::array<Ranks, 6> FRanks;
};

// Sorts texts as the operator's language does (case-sensitive), equal ones
// in the order of their characters; for a column's distinct values.
QStringList LocaleOrdered(QStringList texts);
