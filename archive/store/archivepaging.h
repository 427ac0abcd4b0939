#pragma once
// A selection read page by page in the order of one column, ties in id
// order, as the archive window's table scrolls: a page is sought from the
// boundary row of a page already read (the last row of the one before it, or
// the first row of the one after it when scrolling up), or counted from the
// nearer end of the selection when no page read is near it. Text columns go
// in the operator's language's order (archiveorder.h).

#include "archive/store/archiveerror.h"
#include "archive/store/archivelocation.h"
#include "archive/store/archivequery.h"

#include <QSqlDatabase>
#include <QVariant>
#include <QVector>

#include <functional>
#include <optional>

struct ArchivedRecord;
class TextOrders;

// Where a record stands in the order: its sort column's value as the
// archive keeps it (a number for the test number and date, else the text)
// and its id.
struct ArchiveRowKey
{
    QVariant value;
    qint64 id = 0;
};

// A record already read and the row of the selection it is on.
struct ArchiveAnchor
{
    qint64 row = 0;
    ArchiveRowKey key;
};

// The rows first to first + limit - 1 of a selection of count records
// (counted for it when it was selected), with the nearest rows read before
// and after them when there are any.
struct ArchivePageAsk
{
    qint64 first = 0;
    int limit = 0;
    qint64 count = 0;
    std::optional<ArchiveAnchor> before; // row < first
    std::optional<ArchiveAnchor> after;  // row >= first + limit
};

ArchiveRowKey KeyOf(const ArchivedRecord &record);

// What the statements of one connection share.
struct PagingContext
{
    QSqlDatabase db;
    ArchiveLocation::Driver driver = ArchiveLocation::Driver::Sqlite;
    TextOrders *orders = nullptr;
    // Records in the whole archive, about; read when first needed.
    std::optional<qint64> archived;
};

std::optional<qint64> CountRecords(PagingContext &c, const ArchiveQuery &query,
                                   ArchiveError *error);
// Counts the selection and makes its order ready; a text column's order is
// read again when the archive changed since.
std::optional<qint64> SelectRecords(PagingContext &c, const ArchiveQuery &query, ArchiveSort sort,
                                    ArchiveError *error);
std::optional<QVector<ArchivedRecord>> PageOfRecords(PagingContext &c, const ArchiveQuery &query,
                                                     ArchiveSort sort, const ArchivePageAsk &ask,
                                                     ArchiveError *error);
// Every record of the selection (count of them) in order, in one pass,
// without sorting the whole selection at once; visit answering false stops
// it. False with *error set when the records could not be read.
bool EachRecord(PagingContext &c, const ArchiveQuery &query, ArchiveSort sort, qint64 count,
                const std::function<bool(const ArchivedRecord &record)> &visit,
                ArchiveError *error);
