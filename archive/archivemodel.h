#pragma once
// The archived records of a selection as a table: the count and the first
// page come first, then the other rows page by page as the table scrolls to
// them, with the last few pages kept. Everything is read through the
// worker: a row whose page has not come yet shows empty and fills when it
// comes. A million records open as fast as a hundred.

#include "archive/store/archiveworker.h"

#include <QAbstractTableModel>

#include <deque>
#include <functional>
#include <list>
#include <map>

class TArchiveModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int PageRows = 200;
    static constexpr int KeptPages = 8;

    // Reads through worker, which must outlive the model.
    explicit TArchiveModel(ArchiveWorker *worker, QObject *parent = nullptr);

    // Asks for the records of query in sort order: the table is empty until
    // they come, then OnShown hears how it went (an error leaves it empty).
    // Only the latest Show is answered.
    void Show(const ArchiveQuery &query, ArchiveSort sort);
    void Clear();
    // A Show or a page asked for and not come yet.
    bool Waiting() const { return FShowing || !FAsked.empty(); }

    qint64 Records() const { return FCount; }
    const ArchiveQuery &Query() const { return FQuery; }
    ArchiveSort Sort() const { return FSort; }
    // The six headings, the sorted one with its mark ("v " or "^ ").
    GridRow Headings() const;
    // The record of a table row; nullptr while its page has not come (it is
    // then asked for) and when it cannot be read.
    const ArchivedRecord *Record(int row) const;
    // Every record of the selection in the table's order, after the
    // headings, read in one pass, for printing; done hears them on context's
    // thread, told (when given) how many are read now and then.
    ArchiveJob AllRows(QObject *context,
                       std::function<void(const ArchiveResult<GridRows> &rows)> done,
                       std::function<void(const ArchiveProgress &progress)> told = {}) const;

    // How a Show went; error None when the records are there.
    std::function<void(const ArchiveError &error)> OnShown;
    // A page that could not be read while scrolling; told once per Show.
    std::function<void(const ArchiveError &error)> OnReadFailure;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    struct Page
    {
        qint64 number = 0;
        QVector<ArchivedRecord> records;
    };
    void Keep(Page page) const;
    void Ask(qint64 number) const;
    ArchivePageAsk AskFor(qint64 number) const;
    void PageRead(quint64 shown, qint64 number, const ArchiveResult<QVector<ArchivedRecord>> &read);

    ArchiveWorker *const FWorker;
    ArchiveQuery FQuery;
    ArchiveSort FSort;
    qint64 FCount = 0;
    quint64 FShown = 0; // which Show the table holds: answers of others are dropped
    bool FShowing = false;
    // Most recently used first.
    mutable std::list<Page> FPages;
    // The pages asked for and not come yet, and the order they were asked in:
    // a table scrolled far past a page no longer waits for it.
    mutable std::map<qint64, ArchiveJob> FAsked;
    mutable std::deque<qint64> FAskedOrder;
    mutable bool FFailed = false;
};
