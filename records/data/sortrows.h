#pragma once
// Sorting the grid's records by a column, with the exact order that the
// results window's selection sort gives.

#include "records/data/recordfields.h"

#include <QString>

// Sorts rows[first..last] (inclusive) by column. The result equals that of
// SelectionSortRows below, ties and unusable keys included, but comes in
// O(n log n). A test number is a usable key from lowestTestNo on (the search
// result window takes 1, the results window 0); a date key above 0.
void SortRows(GridRows &rows, int first, int last, int column, bool ascending,
              long lowestTestNo = 0);

// The selection sort itself, step by step.
void SelectionSortRows(GridRows &rows, int first, int last, int column, bool ascending,
                       long lowestTestNo = 0);
