#pragma once
// A month calendar: one held date, drawn as a 7 x 7 grid with the short day
// names in row 0 (Monday first) and the days of the held month below.

#include <QTableWidget>
#include <functional>

class TCCalendar : public QTableWidget
{
    Q_OBJECT
public:
    enum DateElement { Year = 1, Month = 2, Day = 3 };

    explicit TCCalendar(QWidget *parent = nullptr);

    int GetDateElement(int element) const;
    // Ignores values of 0 or less, a month above 12 and a day beyond the held
    // month; a new year or month keeps the day within the new month.
    void SetDateElement(int element, int value);

    // The day number in row 1, column 0 (a day when 1 or more).
    static int MonthOffset(int year, int month);
    // The day shown at column col, row row (row 1 to 6), or 0 for an empty cell.
    static int DayAt(int year, int month, int col, int row);
    static int DaysInMonth(int year, int month);

    std::function<void()> OnDblClick;

protected:
    void resizeEvent(QResizeEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    void ShowMonth();
    void CellChosen(int row, int col);
    void FitDayNames(int colWidth);

    int FYear;
    int FMonth;
    int FDay;
    bool FShowing = false;
};
