#include "archive/archivemodel.h"

#include <QTimer>

#include <limits>

TArchiveModel::TArchiveModel(QObject *parent) : QAbstractTableModel(parent) {}

bool TArchiveModel::Show(ArchiveStore *store, const ArchiveQuery &query, ArchiveSort sort,
                         QString *error)
{
    beginResetModel();
    FPages.clear();
    FFailed = false;
    FStore = store;
    FQuery = query;
    FSort = sort;
    const std::optional<qint64> count = store->Count(query, error);
    FCount = count.value_or(0);
    if (!count)
        FStore = nullptr;
    endResetModel();
    return count.has_value();
}

void TArchiveModel::Clear()
{
    beginResetModel();
    FPages.clear();
    FStore = nullptr;
    FCount = 0;
    endResetModel();
}

GridRow TArchiveModel::Headings() const
{
    GridRow headings = PlainHeadings();
    QString &sorted = headings[qBound(0, FSort.column, RecordColumns - 1)];
    sorted.prepend(QLatin1String(FSort.ascending ? AscendingMark : DescendingMark));
    return headings;
}

const ArchivedRecord *TArchiveModel::Record(int row) const
{
    if (!FStore || row < 0 || row >= FCount)
        return nullptr;
    const qint64 number = row / PageRows;
    const int at = row % PageRows;
    for (auto page = FPages.begin(); page != FPages.end(); ++page) {
        if (page->number != number)
            continue;
        FPages.splice(FPages.begin(), FPages, page);
        return at < FPages.front().records.size() ? &FPages.front().records[at] : nullptr;
    }
    QString error;
    std::optional<QVector<ArchivedRecord>> records =
        FStore->Page(FQuery, FSort, number * PageRows, PageRows, &error);
    if (!records) {
        // Said once; the rows that cannot be read stay empty.
        if (!FFailed && OnReadFailure) {
            FFailed = true;
            QTimer::singleShot(0, this, [this, error] { OnReadFailure(error); });
        }
        return nullptr;
    }
    FPages.push_front({number, std::move(*records)});
    if (int(FPages.size()) > KeptPages)
        FPages.pop_back();
    return at < FPages.front().records.size() ? &FPages.front().records[at] : nullptr;
}

std::optional<GridRows> TArchiveModel::AllRows(QString *error) const
{
    GridRows rows;
    rows.reserve(FCount + 1);
    rows.append(Headings());
    if (!FStore)
        return rows;
    // Larger pages than the table's: fewer statements for a long selection.
    constexpr int Chunk = 5000;
    for (qint64 offset = 0; offset < FCount; offset += Chunk) {
        const std::optional<QVector<ArchivedRecord>> records =
            FStore->Page(FQuery, FSort, offset, Chunk, error);
        if (!records)
            return std::nullopt;
        if (records->isEmpty())
            break;
        for (const ArchivedRecord &record : *records)
            rows.append(record.cells);
    }
    return rows;
}

int TArchiveModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    return int(std::min<qint64>(FCount, std::numeric_limits<int>::max()));
}

int TArchiveModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : RecordColumns;
}

QVariant TArchiveModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return QVariant();
    const ArchivedRecord *record = Record(index.row());
    return record ? record->cells.value(index.column()) : QString();
}

QVariant TArchiveModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= RecordColumns)
        return QVariant();
    if (role == Qt::DisplayRole)
        return Headings().at(section);
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    return QVariant();
}
