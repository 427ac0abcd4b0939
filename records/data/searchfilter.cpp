#include "records/data/searchfilter.h"

#include "records/data/recordvalues.h"

#include <tuple>
#include <utility>

bool operator==(const SearchCriteria &a, const SearchCriteria &b)
{
    const auto fields = [](const SearchCriteria &c) {
        return std::tie(c.byTestNo, c.testNoFrom, c.testNoTo, c.byDate, c.dateFrom, c.dateTo,
                        c.byReading, c.unit, c.readingFrom, c.readingTo, c.byResult, c.result);
    };
    return fields(a) == fields(b);
}

namespace {

bool ReadingFits(const QString &reading, const SearchCriteria &criteria, const SearchBounds &b)
{
    if (!ReadingComparable(reading))
        return false;
    const float value = ReadingValue(reading);
    if (value < b.readingLo || value > b.readingHi)
        return false;
    return ReadingUnit(reading) == criteria.unit;
}

bool Matches(const GridRow &row, const SearchCriteria &criteria, const SearchBounds &b)
{
    if (criteria.byTestNo) {
        const long number = TextToLong(row.value(0));
        if (number < b.testNoLo || number > b.testNoHi)
            return false;
    }
    if (criteria.byDate) {
        const long key = DateKey(row.value(1));
        if (key < b.dateLo || key > b.dateHi)
            return false;
    }
    return CellMeets(3, row.value(3), criteria, b) && CellMeets(4, row.value(4), criteria, b);
}

void Order(long *lo, long *hi)
{
    if (*lo > *hi)
        std::swap(*lo, *hi);
}

} // namespace

bool CellTested(int column, const SearchCriteria &criteria)
{
    return (column == 3 && criteria.byReading) || (column == 4 && criteria.byResult);
}

bool CellMeets(int column, const QString &text, const SearchCriteria &criteria,
               const SearchBounds &bounds)
{
    if (!CellTested(column, criteria))
        return true;
    return column == 3 ? ReadingFits(text, criteria, bounds) : text == criteria.result;
}

std::optional<SearchBounds> PrepareSearch(const SearchCriteria &criteria)
{
    SearchBounds b;
    if (criteria.byTestNo) {
        b.testNoLo = TextToLong(criteria.testNoFrom);
        b.testNoHi = TextToLong(criteria.testNoTo);
        Order(&b.testNoLo, &b.testNoHi);
        if (b.testNoHi > HighestTestNo || b.testNoLo < LowestTestNo)
            return std::nullopt;
    }
    if (criteria.byDate) {
        b.dateLo = PickedDateKey(criteria.dateFrom);
        b.dateHi = PickedDateKey(criteria.dateTo);
        Order(&b.dateLo, &b.dateHi);
    }
    if (criteria.byReading) {
        b.readingLo = TextToFloat(criteria.readingFrom);
        b.readingHi = TextToFloat(criteria.readingTo);
    }
    return b;
}

SearchStatus FilterRecords(const GridRows &rows, const SearchCriteria &criteria, GridRows *matches)
{
    matches->clear();
    const std::optional<SearchBounds> bounds = PrepareSearch(criteria);
    if (!bounds)
        return SearchStatus::TestNoRangeIncorrect;
    for (int r = 1; r < rows.size(); ++r) {
        if (Matches(rows[r], criteria, *bounds))
            matches->append(rows[r]);
    }
    return SearchStatus::Ok;
}
