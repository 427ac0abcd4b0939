#include "archive/archivelayout.h"

#include "archive/Archive.h"
#include "archive/archivewords.h"
#include "archive/liststyle.h"
#include "archive/readingchart.h"
#include "archive/sitestate.h"
#include "archive/testerlist.h"
#include "kit/cspinedit.h"
#include "kit/screenplace.h"
#include "records/data/recordstate.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

#include <algorithm>

namespace {

constexpr int ToolBarHeight = 75;
constexpr int Margin = 8;
constexpr int Gap = 4;
constexpr QSize ToolButtonSize(100, 66);
constexpr QSize SiteButtonSize(116, 30);
constexpr QSize VerifyButtonSize(60, 30);
constexpr QSize FilterSize(536, 196);
// The lists get what they need at the default size; the chart grows.
constexpr int SmallestLists = 360;
constexpr QSize SmallestChart(400, 240);
constexpr int SplitterHandle = 6;
// Room around a cell's text, as the table's style draws it.
constexpr int CellPadding = 14;

int Widest(const QFontMetrics &metrics, const QStringList &texts)
{
    int widest = 0;
    for (const QString &text : texts)
        widest = std::max(widest, metrics.horizontalAdvance(text));
    return widest + CellPadding;
}

// Columns as wide as the widest of samples (a list of texts per column);
// the width they take with the table's frame and a vertical scroll bar.
int FitColumns(QTableView *table, const QVector<QStringList> &samples)
{
    const QFontMetrics cells(table->font());
    const QFontMetrics headings(table->horizontalHeader()->font());
    int width = 2 * table->frameWidth() + table->verticalScrollBar()->sizeHint().width();
    for (int col = 0; col < samples.size(); ++col) {
        const QString heading =
            table->model()->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
        const int need = std::max(Widest(cells, samples[col]),
                                  Widest(headings, {QLatin1String(AscendingMark) + heading}));
        table->horizontalHeader()->resizeSection(col, need);
        width += need;
    }
    return width;
}

QHBoxLayout *Row(std::initializer_list<QWidget *> widgets, int stretchAfter = -1)
{
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 0, 0, 0);
    int i = 0;
    for (QWidget *w : widgets) {
        row->addWidget(w);
        if (i++ == stretchAfter)
            row->addStretch(1);
    }
    return row;
}

QVBoxLayout *Column(QWidget *pane)
{
    auto *column = new QVBoxLayout(pane);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(Gap);
    return column;
}

} // namespace

QSize ArchiveSizeOf(const TWindowPosition &kept, const QSize &defaultSize)
{
    if (kept.Left == 0 && kept.Top == 0)
        return defaultSize;
    return ArchiveMinimumSize + QSize(std::max(0, kept.Left - 1), std::max(0, kept.Top - 1));
}

TWindowPosition KeptArchiveSize(const QSize &size)
{
    // One more, so that the smallest size is kept too.
    const QSize grown = size.expandedTo(ArchiveMinimumSize) - ArchiveMinimumSize;
    return {grown.width() + 1, grown.height() + 1};
}

int FitTesterList(QTableView *list)
{
    QHeaderView *headings = list->horizontalHeader();
    list->setFixedHeight(2 * list->frameWidth() + headings->height() +
                         TesterRowsShown * ArchiveRowHeight);
    const QStringList days = SampleDayTexts();
    QStringList moments;
    for (const QString &day : days)
        moments << day + QStringLiteral(" 00:00");
    const int width =
        FitColumns(list, {{QStringLiteral("SN00000000"), QLatin1String(AllTestersText)},
                          {QStringLiteral("0000-00-00 ") + QLatin1String(CalibrationDueMark)},
                          {GroupedCount(8888888)},
                          days,
                          days,
                          moments});
    // Then as wide as what they show.
    headings->setSectionResizeMode(QHeaderView::ResizeToContents);
    headings->setStretchLastSection(true);
    return width;
}

int FitRecordTable(QTableView *table)
{
    const int width =
        FitColumns(table, {{QStringLiteral("00000")},
                           SampleDayTexts(),
                           {QStringLiteral("00:00:00")},
                           {QStringLiteral("0.000 mg/L"), QStringLiteral("0.000 %BAC")},
                           {QStringLiteral("PASS"), QStringLiteral("FAIL")},
                           {QStringLiteral("Manual")}});
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->horizontalHeader()->setStretchLastSection(true);
    return width;
}

void TFormArchive::LayOut()
{
    QWidget *toolBar1 = BitBtn1->parentWidget();
    toolBar1->setFixedHeight(ToolBarHeight);
    auto *bar = new QHBoxLayout(toolBar1);
    bar->setContentsMargins(10, 4, Margin, 5);
    bar->setSpacing(10);
    for (QToolButton *button : {BitBtn1, BitBtn2, BitBtn3, BitBtn7, BitBtn4, BitBtn5, BitBtn6}) {
        button->setFixedSize(ToolButtonSize);
        bar->addWidget(button);
    }
    // The site's band, when it shows, lies over the database's name.
    auto *database = new QGridLayout;
    database->addWidget(Label7, 0, 0);
    database->addWidget(Band1, 0, 0);
    bar->addLayout(database, 1);
    // Database... and Delete Old..., Verify beside them.
    auto *site = new QGridLayout;
    site->setSpacing(Gap);
    int row = 0;
    for (QPushButton *button : {Button4, Button5}) {
        button->setFixedSize(SiteButtonSize);
        site->addWidget(button, row++, 0);
    }
    Button7->setFixedSize(VerifyButtonSize);
    site->addWidget(Button7, 0, 1);
    bar->addLayout(site);

    auto *lists = new QWidget;
    lists->setMinimumWidth(SmallestLists);
    FListsWidth = std::max(FitTesterList(StringGrid1), FitRecordTable(StringGrid2));
    QVBoxLayout *left = Column(lists);
    CSpinEdit1->setFixedSize(56, 22);
    Button6->setFixedSize(68, 25);
    left->addLayout(
        Row({Label4, CheckBox5, Label8, CSpinEdit1, Label9, Button6}, /*stretchAfter=*/1));
    left->addWidget(StringGrid1);
    left->addWidget(Label5);
    StringGrid2->setItemDelegateForColumn(1, new TListDateDelegate(StringGrid2));
    left->addWidget(StringGrid2, 1);
    // Never narrower than the row over the tester list, whose labels would
    // run into each other.
    lists->setMinimumWidth(std::max(SmallestLists, left->minimumSize().width()));

    auto *chart = new QWidget;
    QVBoxLayout *right = Column(chart);
    GroupBox1->setFixedSize(FilterSize);
    right->addWidget(GroupBox1);
    ComboBox5->setFixedWidth(100);
    for (QPushButton *button : {Button2, Button3, Button8})
        button->setFixedSize(96, 26);
    // The audit trail at the row's far end, away from the chart's buttons.
    right->addLayout(Row({Label6, ComboBox5, Button2, Button3, Button8}, /*stretchAfter=*/3));
    Chart1->setMinimumSize(SmallestChart);
    right->addWidget(Chart1, 1);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setChildrenCollapsible(false);
    Splitter1->setHandleWidth(SplitterHandle);
    Splitter1->addWidget(lists);
    Splitter1->addWidget(chart);
    // A larger window widens the chart.
    Splitter1->setStretchFactor(0, 0);
    Splitter1->setStretchFactor(1, 1);

    auto *window = new QVBoxLayout(this);
    window->setContentsMargins(0, 0, 0, 0);
    window->setSpacing(0);
    window->addWidget(toolBar1);
    auto *body = new QVBoxLayout;
    body->setContentsMargins(Margin, 5, Margin, Margin);
    body->addWidget(Splitter1);
    window->addLayout(body, 1);
    setMinimumSize(ArchiveMinimumSize);
}

void TFormArchive::resizeEvent(QResizeEvent *event)
{
    TForm::resizeEvent(event);
    ShowDatabase();
}

void TFormArchive::RestorePlace()
{
    // At first as wide as the lists need and the filter beside them.
    const int chartWidth = FilterSize.width() + 8;
    const QSize defaultSize(std::max(ArchiveDefaultSize.width(),
                                     FListsWidth + SplitterHandle + chartWidth + 2 * Margin),
                            ArchiveDefaultSize.height());
    const TWindowPosition place = WindowPositions[ArchiveWindowPlace];
    const QSize size = ArchiveSizeOf(WindowPositions[ArchiveWindowSize], defaultSize);
    resize(size);
    if (place.Left == 0 && place.Top == 0) {
        // Never placed yet (the entry was spare): centred on the screen.
        const QRect area = WorkAreaOf(this);
        move(area.left() + (area.width() - size.width()) / 2,
             area.top() + (area.height() - size.height()) / 2);
    } else {
        move(place.Left, place.Top);
    }
    // No larger than the screen it comes up on; each showing then moves it
    // fully onto it.
    resize(SizeInside(size, minimumSize(), WorkAreaOf(this), FrameMargins(this)));
    const int body = width() - 2 * Margin - SplitterHandle;
    const int lists = std::clamp(FListsWidth, SmallestLists, body - chartWidth);
    Splitter1->setSizes({lists, body - lists});
    KeepOnScreen();
}

void TFormArchive::KeepPlace()
{
    const QRect normal = isMaximized() ? normalGeometry() : QRect(pos(), size());
    WindowPositions[ArchiveWindowPlace] = {pos().x(), pos().y()};
    WindowPositions[ArchiveWindowSize] = KeptArchiveSize(normal.size());
}
