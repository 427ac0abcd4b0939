#include "records/Searchlist.h"

#include "kit/hourglasscursor.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "records/data/sortrows.h"
#include "records/recordactions.h"
#include "records/stringgrid.h"
#include "tester/mainstate.h"

#include <QFrame>
#include <QToolButton>

TSearchForm *SearchForm = nullptr;

namespace {
// A search that matched nothing has nothing to save or export.
const char MsgNotData[] = "Not Data !!!";

// In this window a test number of 0 is no sort key.
constexpr long LowestSortableTestNo = 1;
} // namespace

TSearchForm::TSearchForm(QWidget *parent)
    : TForm(parent, QStringLiteral("search result"), 761, 545, Border::DialogWithHelp)
{
    auto *toolBar1 = new QFrame(this);
    toolBar1->setGeometry(0, 0, 761, 75);
    BitBtn2 = RecordToolButton(toolBar1, 10, 4, 100, "save", "save");
    BitBtn8 = RecordToolButton(toolBar1, 120, 4, 100, "excel", "excel");
    BitBtn6 = RecordToolButton(toolBar1, 230, 4, 100, "print", "print");
    BitBtn5 = RecordToolButton(toolBar1, 340, 4, 100, "result_exit", "exit");

    StringGrid1 = RecordGrid(this, {10, 80, 740, 449}, 2,
                             [this](int col, int row) { StringGrid1MouseUp(col, row); });

    SaveDialog1 = DataFileSaveDialog(this);
    SaveDialog2 = SpreadsheetExportDialog(this);

    OnClick(BitBtn2, [this] { BitBtn2Click(); });
    OnClick(BitBtn8, [this] { BitBtn8Click(); });
    OnClick(BitBtn6, [this] { BitBtn6Click(); });
    OnClick(BitBtn5, [this] { BitBtn5Click(); });
    CloseOnEscape({StringGrid1, BitBtn2, BitBtn8, BitBtn6, BitBtn5});

    FormCreate();
}

void TSearchForm::FormCreate()
{
    move(WindowPositions[1].Left, WindowPositions[1].Top);
    KeepOnScreen();
    for (int col = 0; col < RecordColumns; ++col)
        StringGrid1->SetColWidth(col, 120);
    StringGrid1->SetColWidth(0, 100);
    GridRow headings = PlainHeadings();
    headings[0] = QString(QChar(SearchAscendingMark)) + headings[0];
    StringGrid1->Rows()[0] = headings;
    StringGrid1->Refresh();
}

void TSearchForm::SetMatches(const GridRows &matches)
{
    GridRows &rows = StringGrid1->Rows();
    rows.resize(1);
    if (matches.isEmpty())
        rows.append(GridRow(RecordColumns));
    else
        rows += matches;
    FMatches = int(matches.size());
    StringGrid1->Refresh();
}

bool TSearchForm::HasMatches()
{
    if (FMatches > 0)
        return true;
    SystemMessageBox(QString::fromLatin1(MsgNotData), QString::fromLatin1(CapFailure));
    return false;
}

void TSearchForm::BitBtn2Click()
{
    if (HasMatches())
        WriteRecordFile(this, SaveDialog1, StringGrid1->Rows(), QLatin1Char(','), MsgOwner::None);
}

void TSearchForm::BitBtn8Click()
{
    if (HasMatches())
        ExportRecordFile(this, SaveDialog2, StringGrid1->Rows(), MsgOwner::None);
}

void TSearchForm::BitBtn6Click()
{
    PrintSearchRecords(this, StringGrid1->Rows());
}

void TSearchForm::BitBtn5Click()
{
    close();
}

void TSearchForm::StringGrid1MouseUp(int col, int row)
{
    const int n = StringGrid1->RowCount() - 1;
    if (row != 0 || StringGrid1->RowCount() < 3 || n <= 1)
        return;
    HourglassCursor hourglass(StringGrid1);
    GridRows &rows = StringGrid1->Rows();
    const QString heading = rows[0][col];
    const QString ascending = QString(QChar(SearchAscendingMark));
    const QString descending = QString(QChar(SearchDescendingMark));
    rows[0] = PlainHeadings();
    const QString plain = rows[0][col];
    if (heading.startsWith(QLatin1String("  ")) || heading.startsWith(descending)) {
        SortRows(rows, 1, n, col, true, LowestSortableTestNo);
        rows[0][col] = ascending + plain;
    } else if (heading.startsWith(ascending)) {
        SortRows(rows, 1, n, col, false, LowestSortableTestNo);
        rows[0][col] = descending + plain;
    }
    StringGrid1->Refresh();
}
