#pragma once
// A grid of text cells: a view over a table model of strings, so that it
// stays quick with a hundred thousand rows. Row 0 and column 0 are fixed
// cells: they stay in place while the grid scrolls and are never selected.
// Every cell's text is drawn centred.

#include "records/data/recordfields.h"
#include "records/stringgridmodel.h"

#include <QTableView>
#include <functional>

class TFixedCells;

class TStringGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TStringGrid(QWidget *parent = nullptr);

    int RowCount() const { return FModel->rowCount(); }
    void SetRowCount(int count) { FModel->SetRowCount(count); }
    QString Cell(int col, int row) const { return FModel->Rows().at(row).at(col); }
    void SetCell(int col, int row, const QString &text);
    GridRows &Rows() { return FModel->Rows(); }
    void Refresh() { FModel->Refresh(); }
    void SetColWidth(int col, int width) { setColumnWidth(col, width); }

    // Mouse button released over the grid: the cell under the mouse.
    std::function<void(int col, int row)> OnMouseUp;

    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

protected:
    void mouseReleaseEvent(QMouseEvent *event) override;
    void updateGeometries() override;

private:
    void CopySectionSize(Qt::Orientation orientation, int section, int size);

    TStringGridModel *FModel;
    // Drawn over the scrolling cells: the heading row, the first column and
    // the corner cell where the two meet.
    TFixedCells *FFixedRow = nullptr;
    TFixedCells *FFixedCol = nullptr;
    TFixedCells *FCorner = nullptr;
};
