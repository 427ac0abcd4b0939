#pragma once
// Sorting the grid's records by a column, with the exact order that the
// results window's selection sort gives.

#include "records/recordfields.h"

#include <QString>

inline const char *const MonthNames[13] = {"000", "Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                           "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

// The C library's decimal text-to-long conversion of the text.
long TextToLong(const QString &text);
// The C library's decimal text-to-floating-point conversion (leading blanks,
// sign, digits, point, exponent; 0 when nothing converts) whatever the
// locale, held as a 32-bit float.
float TextToFloat(QStringView text);
// Year (characters 12-15), month number (characters 6-8 in MonthNames), day
// (characters 1-2), converted like a test number.
long DateKey(const QString &date);

// Sorts rows[first..last] (inclusive) by column. The result equals that of
// SelectionSortRows below, ties and unusable keys included, but comes in
// O(n log n). A test number is a usable key from lowestTestNo on (the search
// result window takes 1, the results window 0); a date key above 0.
void SortRows(GridRows &rows, int first, int last, int column, bool ascending,
              long lowestTestNo = 0);

// The selection sort itself, step by step.
void SelectionSortRows(GridRows &rows, int first, int last, int column, bool ascending,
                       long lowestTestNo = 0);
