#pragma once
// The text cells of a grid as a table model: rows of the record's columns,
// row 0 and column 0 fixed cells that are never selected.

#include "records/data/recordfields.h"

#include <QAbstractTableModel>

class TStringGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TStringGridModel(QObject *parent = nullptr) : QAbstractTableModel(parent) {}
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    GridRows &Rows() { return FRows; }
    void SetRowCount(int count);
    // After changing Rows() directly.
    void Refresh();

private:
    GridRows FRows;
};
