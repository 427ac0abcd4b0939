#pragma once
// Picking records out of the results grid by test number, date, reading and
// test result.

#include "records/data/recordfields.h"

#include <QString>

#include <optional>

struct SearchCriteria
{
    bool byTestNo = false;
    QString testNoFrom, testNoTo; // any order; both within 1..99999
    bool byDate = false;
    QString dateFrom, dateTo; // "yyyy-mm-dd", any order
    bool byReading = false;
    QString unit;                   // compared with the end of the reading exactly
    QString readingFrom, readingTo; // taken in this order
    bool byResult = false;
    QString result;
};

// The same switches and the same texts, field by field.
bool operator==(const SearchCriteria &a, const SearchCriteria &b);

inline constexpr long LowestTestNo = 1;
inline constexpr long HighestTestNo = 99999;

// The units of the search's unit list, in its order, by the tester's unit
// code, with the reading range each one brings when chosen.
struct UnitRange
{
    char unitCode;
    const char *from;
    const char *to;
};
inline constexpr UnitRange UnitRanges[] = {
    {'0', "0.000", "5.000"}, {'1', "0.000", "0.500"}, {'2', "0.000", "2.500"},
    {'4', "0.000", "5.000"}, {'5', "0", "250"},       {'6', "0", "2500"},
};
// Switching the reading criterion on selects "%BAC" with this range.
inline constexpr int BacUnit = 1;
inline const char ReadingSwitchedOnFrom[] = "0.000";
inline const char ReadingSwitchedOnTo[] = "0.400";

enum class SearchStatus { Ok, TestNoRangeIncorrect };

// Copies every record of rows[1..] that meets the switched-on criteria into
// *matches, in grid order; row 0 holds the headings and is never a record.
// With an incorrect test-number range nothing is copied.
SearchStatus FilterRecords(const GridRows &rows, const SearchCriteria &criteria, GridRows *matches);

// What the criteria compare, for stores that filter the same way elsewhere.
// The bounds as FilterRecords takes them (ordered where it orders them);
// std::nullopt for an incorrect test-number range.
struct SearchBounds
{
    long testNoLo = 0, testNoHi = 0;
    long dateLo = 0, dateHi = 0;
    float readingLo = 0, readingHi = 0;
};
std::optional<SearchBounds> PrepareSearch(const SearchCriteria &criteria);
// Whether the criteria test a record's column by its own cell: the reading
// (column 3) or the result (column 4), when switched on.
bool CellTested(int column, const SearchCriteria &criteria);
// Whether one cell of a record meets its own column's criterion; true for a
// column CellTested says is not tested.
bool CellMeets(int column, const QString &text, const SearchCriteria &criteria,
               const SearchBounds &bounds);
