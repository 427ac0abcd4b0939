#pragma once
// The archived records of a selection as a table: the count comes first,
// the rows page by page from the archive as the table scrolls to them, with
// the last few pages kept. A million records open as fast as a hundred.

#include "archive/archivestore.h"

#include <QAbstractTableModel>

#include <functional>
#include <list>
#include <optional>

class TArchiveModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    static constexpr int PageRows = 200;
    static constexpr int KeptPages = 8;

    explicit TArchiveModel(QObject *parent = nullptr);

    // Shows the records of query in sort order, read from store (which must
    // outlive the model or the next Show or Clear). False with the reason in
    // *error; the table is then empty.
    bool Show(ArchiveStore *store, const ArchiveQuery &query, ArchiveSort sort, QString *error);
    void Clear();

    qint64 Records() const { return FCount; }
    const ArchiveQuery &Query() const { return FQuery; }
    ArchiveSort Sort() const { return FSort; }
    // The six headings, the sorted one with its mark ("v " or "^ ").
    GridRow Headings() const;
    // The record of a table row; nullptr when it cannot be read.
    const ArchivedRecord *Record(int row) const;
    // Every record of the selection in the table's order, after the
    // headings, for writing and printing; nullopt with the reason in *error.
    std::optional<GridRows> AllRows(QString *error) const;

    // A page that could not be read while scrolling; told once per Show.
    std::function<void(const QString &reason)> OnReadFailure;

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

    ArchiveStore *FStore = nullptr;
    ArchiveQuery FQuery;
    ArchiveSort FSort;
    qint64 FCount = 0;
    // Most recently used first.
    mutable std::list<Page> FPages;
    mutable bool FFailed = false;
};
