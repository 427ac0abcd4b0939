#include "records/stringgrid.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QPainter>
#include <QStyledItemDelegate>

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
} // namespace

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

TStringGrid::TStringGrid(QWidget *parent) : QTableView(parent), FModel(new TStringGridModel(this))
{
    setModel(FModel);
    setItemDelegate(new CentredCellDelegate(this));
    horizontalHeader()->hide();
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(24);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
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
