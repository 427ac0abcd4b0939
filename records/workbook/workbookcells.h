#pragma once
// How a record's six texts become the cells of its workbook row: the test
// number and the reading as numbers, the date and the time as a day and a
// time of day, the reading's unit in a column of its own. A text that does
// not read as what its column holds stays the text it is: nothing is lost.

#include "records/data/recordfields.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <array>

inline constexpr int WorkbookColumns = RecordColumns + 1;

// "Test No", "Date", "Time", "Reading", "Unit", "Test Result", "Sampling Type"
QStringList WorkbookHeadings();

enum class CellKind {
    Empty,
    Text,   // text
    Number, // value, shown with decimals and intDigits
    Date,   // value: the day's serial number (1 March 1900 is 61), shown "dd-mmm-yyyy"
    Time,   // value: the time of day as a fraction of a day, shown "hh:mm:ss"
};

struct WorkbookCell
{
    CellKind kind = CellKind::Empty;
    double value = 0;
    QString text;
    // How a Number shows its digits as the record's text did: exactly this
    // many after the point (-1: as the spreadsheet's General format), and at
    // least intDigits before it (leading zeros).
    int decimals = -1;
    int intDigits = 1;
    // About how many characters the cell shows.
    int shown = 0;
};
using WorkbookRow = std::array<WorkbookCell, WorkbookColumns>;

WorkbookRow WorkbookCells(const GridRow &record);

// The spreadsheet's serial number of a day from 1 March 1900 on; 0 for days
// before it, which the spreadsheet counts differently.
int SerialDay(const QDate &day);

// The number format of a Number cell ("0.000", "00000"); empty for General.
QString NumberFormat(int decimals, int intDigits);
