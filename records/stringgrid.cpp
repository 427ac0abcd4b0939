#include "records/stringgrid.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <QWheelEvent>

#include <algorithm>

namespace {
// Paints the cell in the grid's colours for its kind, then its text centred.
class CentredCellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        const QRect r = option.rect;
        const bool fixed = index.row() == 0 || index.column() == 0;
        const bool selected = option.state & QStyle::State_Selected;
        const QPalette &pal = option.palette;
        QColor brush = fixed      ? pal.color(QPalette::Button)
                       : selected ? pal.color(QPalette::Highlight)
                                  : pal.color(QPalette::Base);
        QColor pen = fixed      ? pal.color(QPalette::ButtonText)
                     : selected ? pal.color(QPalette::HighlightedText)
                                : pal.color(QPalette::Text);
        painter->fillRect(r, brush);
        const QString text = index.data(Qt::DisplayRole).toString();
        const QFontMetrics fm(option.font);
        const int x = (r.left() + r.right() + 1) / 2 - fm.horizontalAdvance(text) / 2;
        const int y = r.top() + (r.height() - fm.height()) / 2;
        painter->setFont(option.font);
        painter->setPen(pen);
        painter->drawText(x, y + fm.ascent(), text);
    }
};

// Row heights, column widths and scrolling shared by the grid and its fixed
// cells.
void SetUpCellView(QTableView *view)
{
    view->horizontalHeader()->hide();
    view->verticalHeader()->hide();
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setDefaultSectionSize(24);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    view->setHorizontalScrollMode(QAbstractItemView::ScrollPerItem);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setWordWrap(false);
}
} // namespace

// The same cells as the grid, in a pane laid over the grid's corner, top or
// left edge that scrolls only along that edge, with the grid. Clicks are the
// grid's; the mouse wheel scrolls the grid.
class TFixedCells : public QTableView
{
public:
    TFixedCells(TStringGrid *grid, QAbstractItemModel *model, Qt::Orientations scrolls)
        : QTableView(grid), FGrid(grid), FScrolls(scrolls)
    {
        setModel(model);
        setItemDelegate(grid->itemDelegate());
        SetUpCellView(this);
        setFrameShape(QFrame::NoFrame);
        setFocusPolicy(Qt::NoFocus);
        setSelectionMode(QAbstractItemView::NoSelection);
        setAutoScroll(false);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    }

    // The pane moves only with the grid, never to bring a cell into sight.
    void scrollTo(const QModelIndex &, ScrollHint) override {}

    // Takes the grid's scroll position along the edge this pane scrolls on.
    void FollowGrid()
    {
        horizontalScrollBar()->setValue(
            FScrolls & Qt::Horizontal ? FGrid->horizontalScrollBar()->value() : 0);
        verticalScrollBar()->setValue(FScrolls & Qt::Vertical ? FGrid->verticalScrollBar()->value()
                                                              : 0);
    }

protected:
    void mouseReleaseEvent(QMouseEvent *event) override
    {
        const QModelIndex cell = indexAt(event->position().toPoint());
        if (FGrid->OnMouseUp && cell.isValid())
            FGrid->OnMouseUp(cell.column(), cell.row());
    }
    void wheelEvent(QWheelEvent *event) override
    {
        QCoreApplication::sendEvent(FGrid->viewport(), event);
    }
    // The pane lays out its rows later than the grid: until then its scroll
    // range may be too short for the grid's position.
    void updateGeometries() override
    {
        QTableView::updateGeometries();
        FollowGrid();
    }

private:
    TStringGrid *FGrid;
    Qt::Orientations FScrolls;
};

TStringGrid::TStringGrid(QWidget *parent) : QTableView(parent), FModel(new TStringGridModel(this))
{
    setModel(FModel);
    setItemDelegate(new CentredCellDelegate(this));
    SetUpCellView(this);
    setSelectionMode(QAbstractItemView::SingleSelection);

    FFixedCol = new TFixedCells(this, FModel, Qt::Vertical);
    FFixedRow = new TFixedCells(this, FModel, Qt::Horizontal);
    FCorner = new TFixedCells(this, FModel, {});
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, FFixedRow, &TFixedCells::FollowGrid);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, FFixedCol, &TFixedCells::FollowGrid);
    connect(horizontalHeader(), &QHeaderView::sectionResized, this,
            [this](int col, int, int size) { CopySectionSize(Qt::Horizontal, col, size); });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int size) { CopySectionSize(Qt::Vertical, row, size); });
}

void TStringGrid::CopySectionSize(Qt::Orientation orientation, int section, int size)
{
    for (QTableView *fixed : {FFixedRow, FFixedCol, FCorner}) {
        if (orientation == Qt::Horizontal)
            fixed->setColumnWidth(section, size);
        else
            fixed->setRowHeight(section, size);
    }
    updateGeometries();
}

void TStringGrid::updateGeometries()
{
    QTableView::updateGeometries();
    if (!FCorner)
        return;
    const QRect area = viewport()->geometry();
    const int headingHeight = std::min(rowHeight(0), area.height());
    const int firstWidth = std::min(columnWidth(0), area.width());
    FFixedRow->setGeometry(area.x(), area.y(), area.width(), headingHeight);
    FFixedCol->setGeometry(area.x(), area.y(), firstWidth, area.height());
    FCorner->setGeometry(area.x(), area.y(), firstWidth, headingHeight);
    for (TFixedCells *fixed : {FFixedRow, FFixedCol, FCorner})
        fixed->FollowGrid();
    FFixedRow->raise();
    FCorner->raise();
}

void TStringGrid::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    QTableView::scrollTo(index, hint);
    if (!index.isValid())
        return;
    // Scrolling goes a cell at a time: the first cell in sight below the
    // heading row (right of the first column) is the scroll value plus one.
    if (index.row() > 0 && rowViewportPosition(index.row()) < rowHeight(0))
        verticalScrollBar()->setValue(index.row() - 1);
    if (index.column() > 0 && columnViewportPosition(index.column()) < columnWidth(0))
        horizontalScrollBar()->setValue(index.column() - 1);
}

void TStringGrid::SetCell(int col, int row, const QString &text)
{
    FModel->Rows()[row][col] = text;
    const QModelIndex i = FModel->index(row, col);
    emit FModel->dataChanged(i, i);
}

void TStringGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    const QModelIndex cell = indexAt(event->position().toPoint());
    if (OnMouseUp && cell.isValid())
        OnMouseUp(cell.column(), cell.row());
}
