#include "archive/archivemodel.h"

#include <algorithm>
#include <limits>

namespace {

// Records read between two tellings of AllRows' progress.
constexpr int ProgressRows = 1024;

// The count of a selection and its first page, read together.
struct Selection
{
    qint64 count = 0;
    QVector<ArchivedRecord> first;
};

} // namespace

TArchiveModel::TArchiveModel(ArchiveWorker *worker, QObject *parent)
    : QAbstractTableModel(parent), FWorker(worker)
{
}

void TArchiveModel::Show(const ArchiveQuery &query, ArchiveSort sort)
{
    Clear();
    FQuery = query;
    FSort = sort;
    FShowing = true;
    const quint64 shown = FShown;
    FWorker->Run(
        this,
        [query, sort](ArchiveStore &store, const ArchiveJob &,
                      ArchiveError *error) -> std::optional<Selection> {
            Selection selection;
            const std::optional<qint64> count = store.Select(query, sort, error);
            if (!count)
                return std::nullopt;
            selection.count = *count;
            ArchivePageAsk ask;
            ask.limit = PageRows;
            ask.count = *count;
            std::optional<QVector<ArchivedRecord>> first = store.Page(query, sort, ask, error);
            if (!first)
                return std::nullopt;
            selection.first = std::move(*first);
            return selection;
        },
        [this, shown](const ArchiveResult<Selection> &read) {
            if (shown != FShown)
                return;
            FShowing = false;
            if (read) {
                beginResetModel();
                FCount = read->count;
                Keep({0, read->first});
                endResetModel();
            }
            if (OnShown)
                OnShown(read.error);
        });
}

void TArchiveModel::Clear()
{
    beginResetModel();
    ++FShown;
    FShowing = false;
    FPages.clear();
    FAsked.clear();
    FAskedOrder.clear();
    FFailed = false;
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

void TArchiveModel::Keep(Page page) const
{
    FPages.push_front(std::move(page));
    if (int(FPages.size()) > KeptPages)
        FPages.pop_back();
}

const ArchivedRecord *TArchiveModel::Record(int row) const
{
    if (row < 0 || row >= FCount)
        return nullptr;
    const qint64 number = row / PageRows;
    const int at = row % PageRows;
    for (auto page = FPages.begin(); page != FPages.end(); ++page) {
        if (page->number != number)
            continue;
        FPages.splice(FPages.begin(), FPages, page);
        return at < FPages.front().records.size() ? &FPages.front().records[at] : nullptr;
    }
    // Once a page could not be read, the rows not read stay empty.
    if (!FFailed)
        Ask(number);
    return nullptr;
}

void TArchiveModel::Ask(qint64 number) const
{
    if (FAsked.count(number) != 0)
        return;
    // Pages asked for long ago that have not begun are not read: they are
    // asked for again if the table comes back to them.
    while (FAskedOrder.size() >= std::size_t(KeptPages)) {
        const auto asked = FAsked.find(FAskedOrder.front());
        if (asked != FAsked.end())
            asked->second.Cancel();
        FAskedOrder.pop_front();
    }
    const quint64 shown = FShown;
    const ArchiveQuery query = FQuery;
    const ArchiveSort sort = FSort;
    const ArchivePageAsk ask = AskFor(number);
    // Asked for while the table reads its rows: the model itself is not
    // changed until the page comes.
    auto *self = const_cast<TArchiveModel *>(this);
    FAsked[number] = FWorker->Run(
        self,
        [query, sort, ask](ArchiveStore &store, const ArchiveJob &, ArchiveError *error) {
            return store.Page(query, sort, ask, error);
        },
        [self, shown, number](const ArchiveResult<QVector<ArchivedRecord>> &read) {
            self->PageRead(shown, number, read);
        });
    FAskedOrder.push_back(number);
}

ArchivePageAsk TArchiveModel::AskFor(qint64 number) const
{
    ArchivePageAsk ask;
    ask.first = number * PageRows;
    ask.limit = PageRows;
    ask.count = FCount;
    // The boundary rows of the nearest pages kept on either side.
    for (const Page &page : FPages) {
        if (page.records.isEmpty())
            continue;
        const qint64 first = page.number * PageRows;
        const qint64 last = first + page.records.size() - 1;
        if (last < ask.first && (!ask.before || ask.before->row < last))
            ask.before = ArchiveAnchor{last, KeyOf(page.records.last())};
        if (first >= ask.first + PageRows && (!ask.after || ask.after->row > first))
            ask.after = ArchiveAnchor{first, KeyOf(page.records.first())};
    }
    return ask;
}

void TArchiveModel::PageRead(quint64 shown, qint64 number,
                             const ArchiveResult<QVector<ArchivedRecord>> &read)
{
    if (shown != FShown)
        return;
    FAsked.erase(number);
    FAskedOrder.erase(std::remove(FAskedOrder.begin(), FAskedOrder.end(), number),
                      FAskedOrder.end());
    if (read.error.code == ArchiveErrorCode::Cancelled)
        return;
    if (!read) {
        const bool told = FFailed;
        FFailed = true;
        if (!told && OnReadFailure)
            OnReadFailure(read.error);
        return;
    }
    Keep({number, *read});
    const qint64 first = number * PageRows;
    const qint64 last = std::min<qint64>(first + PageRows, FCount) - 1;
    if (last >= first)
        emit dataChanged(index(int(first), 0), index(int(last), RecordColumns - 1));
}

ArchiveJob TArchiveModel::AllRows(QObject *context,
                                  std::function<void(const ArchiveResult<GridRows> &)> done,
                                  std::function<void(const ArchiveProgress &)> told) const
{
    const ArchiveQuery query = FQuery;
    const ArchiveSort sort = FSort;
    const qint64 count = FShowing ? 0 : FCount;
    const GridRow headings = Headings();
    return FWorker->Run(
        context,
        [query, sort, count, headings](ArchiveStore &store, const ArchiveJob &self,
                                       ArchiveError *error) -> std::optional<GridRows> {
            GridRows rows;
            rows.reserve(count + 1);
            rows.append(headings);
            // One pass in order; the records of a selection that grew since
            // it was counted are not taken.
            const bool read = store.ForEachRecord(
                query, sort, count,
                [&](const ArchivedRecord &record) {
                    if (self.Cancelled() || rows.size() > count)
                        return false;
                    rows.append(record.cells);
                    if (rows.size() % ProgressRows == 0)
                        self.Progress({0, 1, rows.size() - 1});
                    return true;
                },
                error);
            if (self.Cancelled())
                *error = ArchiveError(ArchiveErrorCode::Cancelled);
            if (!read || self.Cancelled())
                return std::nullopt;
            return rows;
        },
        std::move(done), std::move(told));
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
