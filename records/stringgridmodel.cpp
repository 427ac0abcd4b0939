#include "records/stringgridmodel.h"

int TStringGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : FRows.size();
}

int TStringGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : RecordColumns;
}

QVariant TStringGridModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid())
        return QVariant();
    return FRows.at(index.row()).at(index.column());
}

Qt::ItemFlags TStringGridModel::flags(const QModelIndex &index) const
{
    // The heading row and the first column are fixed cells: never selected.
    if (index.row() == 0 || index.column() == 0)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TStringGridModel::SetRowCount(int count)
{
    count = qMax(count, 1);
    beginResetModel();
    GridRow empty;
    for (int i = 0; i < RecordColumns; ++i)
        empty << QString();
    FRows.resize(count, empty);
    endResetModel();
}

void TStringGridModel::Refresh()
{
    beginResetModel();
    endResetModel();
}
