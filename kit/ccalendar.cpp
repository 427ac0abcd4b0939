#include "kit/ccalendar.h"

#include "kit/widgets.h"

#include <QDate>
#include <QHeaderView>
#include <QLocale>
#include <QMouseEvent>
#include <QStyle>

namespace {
constexpr int Cells = 7;
constexpr int GridLineWidth = 1;
} // namespace

TCCalendar::TCCalendar(QWidget *parent) : QTableWidget(Cells, Cells, parent)
{
    const QDate today = QDate::currentDate();
    FYear = today.year();
    FMonth = today.month();
    FDay = today.day();
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setMinimumSectionSize(1);
    verticalHeader()->setMinimumSectionSize(1);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    const QLocale locale;
    for (int col = 0; col < Cells; ++col) {
        auto *name = new QTableWidgetItem(locale.dayName(col + 1, QLocale::ShortFormat));
        name->setTextAlignment(Qt::AlignCenter);
        name->setFlags(Qt::ItemIsEnabled);
        setItem(0, col, name);
    }
    connect(this, &QTableWidget::currentCellChanged, this,
            [this](int row, int col) { CellChosen(row, col); });
    ShowMonth();
}

int TCCalendar::DaysInMonth(int year, int month)
{
    if (month == 2)
        return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 29 : 28;
    return month == 4 || month == 6 || month == 9 || month == 11 ? 30 : 31;
}

int TCCalendar::MonthOffset(int year, int month)
{
    // Weekday of the 1st counted Sunday = 1 to Saturday = 7.
    const int weekday = QDate(year, month, 1).dayOfWeek() % 7 + 1;
    const int offset = 2 - (weekday - 1 + 7) % 7;
    return offset == 2 ? -5 : offset;
}

int TCCalendar::DayAt(int year, int month, int col, int row)
{
    const int day = MonthOffset(year, month) + col + Cells * (row - 1);
    return row >= 1 && day >= 1 && day <= DaysInMonth(year, month) ? day : 0;
}

int TCCalendar::GetDateElement(int element) const
{
    switch (element) {
    case Year:
        return FYear;
    case Month:
        return FMonth;
    case Day:
        return FDay;
    default:
        return 0;
    }
}

void TCCalendar::SetDateElement(int element, int value)
{
    if (value <= 0)
        return;
    int year = FYear;
    int month = FMonth;
    int day = FDay;
    switch (element) {
    case Year:
        year = value;
        break;
    case Month:
        if (value > 12)
            return;
        month = value;
        break;
    case Day:
        if (value > DaysInMonth(year, month))
            return;
        day = value;
        break;
    default:
        return;
    }
    if (year == FYear && month == FMonth && day == FDay)
        return;
    FYear = year;
    FMonth = month;
    FDay = qMin(day, DaysInMonth(year, month));
    ShowMonth();
}

void TCCalendar::ShowMonth()
{
    FShowing = true;
    for (int row = 1; row < Cells; ++row) {
        for (int col = 0; col < Cells; ++col) {
            const int day = DayAt(FYear, FMonth, col, row);
            auto *cell = new QTableWidgetItem(day ? QString::number(day) : QString());
            cell->setTextAlignment(Qt::AlignCenter);
            // Only a day can be chosen.
            cell->setFlags(day ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags);
            setItem(row, col, cell);
        }
    }
    const int place = FDay - MonthOffset(FYear, FMonth);
    setCurrentCell(1 + place / Cells, place % Cells);
    FShowing = false;
}

void TCCalendar::CellChosen(int row, int col)
{
    if (FShowing)
        return;
    const int day = DayAt(FYear, FMonth, col, row);
    if (day == 0) {
        // An empty cell or a day name: the held day stays chosen.
        const int place = FDay - MonthOffset(FYear, FMonth);
        FShowing = true;
        setCurrentCell(1 + place / Cells, place % Cells);
        FShowing = false;
        return;
    }
    FDay = day;
}

void TCCalendar::resizeEvent(QResizeEvent *event)
{
    QTableWidget::resizeEvent(event);
    const int colWidth = (width() - (Cells - 1) * GridLineWidth) / Cells;
    const int rowHeight = (height() - (Cells - 1) * GridLineWidth) / Cells;
    for (int k = 0; k < Cells; ++k) {
        setColumnWidth(k, colWidth);
        setRowHeight(k, rowHeight);
    }
    FitDayNames(colWidth);
}

void TCCalendar::FitDayNames(int colWidth)
{
    // The narrow columns show the day names whole, in a smaller font where
    // the locale's names need it, never cut to "...".
    const int margin = style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, this) + 1;
    QStringList names;
    for (int col = 0; col < Cells; ++col)
        names << item(0, col)->text();
    const QFont fitted = FittingFont(font(), names, colWidth - 2 * margin);
    for (int col = 0; col < Cells; ++col)
        item(0, col)->setFont(fitted);
}

void TCCalendar::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableWidget::mouseDoubleClickEvent(event);
    if (OnDblClick)
        OnDblClick();
}
