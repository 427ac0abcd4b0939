#include "records/searchfilter.h"

#include "records/sortrows.h"

namespace {

struct Bounds
{
    long lo = 0;
    long hi = 0;
};

// "yyyy-mm-dd" as the number yyyymmdd: characters 1-4, 6-7 and 9-10 joined.
long PickedDateKey(const QString &text)
{
    return TextToLong(text.mid(0, 4) + text.mid(5, 2) + text.mid(8, 2));
}

struct Prepared
{
    Bounds testNo;
    Bounds date;
    float readingLo = 0;
    float readingHi = 0;
};

bool ReadingFits(const QString &reading, const SearchCriteria &criteria, const Prepared &p)
{
    if (reading.isEmpty())
        return false;
    const QChar first = reading.front();
    if (first != u' ' && (first < u'0' || first > u'5'))
        return false;
    const float value = TextToFloat(QStringView(reading).left(5));
    if (value < p.readingLo || value > p.readingHi)
        return false;
    return QStringView(reading).mid(6, 9) == criteria.unit;
}

bool Matches(const GridRow &row, const SearchCriteria &criteria, const Prepared &p)
{
    if (criteria.byTestNo) {
        const long number = TextToLong(row.value(0));
        if (number < p.testNo.lo || number > p.testNo.hi)
            return false;
    }
    if (criteria.byDate) {
        const long key = DateKey(row.value(1));
        if (key < p.date.lo || key > p.date.hi)
            return false;
    }
    if (criteria.byReading && !ReadingFits(row.value(3), criteria, p))
        return false;
    if (criteria.byResult && row.value(4) != criteria.result)
        return false;
    return true;
}

Bounds Ordered(long a, long b)
{
    return a <= b ? Bounds{a, b} : Bounds{b, a};
}

} // namespace

SearchStatus FilterRecords(const GridRows &rows, const SearchCriteria &criteria, GridRows *matches)
{
    matches->clear();
    Prepared p;
    if (criteria.byTestNo) {
        p.testNo = Ordered(TextToLong(criteria.testNoFrom), TextToLong(criteria.testNoTo));
        if (p.testNo.hi > HighestTestNo || p.testNo.lo < LowestTestNo)
            return SearchStatus::TestNoRangeIncorrect;
    }
    if (criteria.byDate)
        p.date = Ordered(PickedDateKey(criteria.dateFrom), PickedDateKey(criteria.dateTo));
    if (criteria.byReading) {
        p.readingLo = TextToFloat(criteria.readingFrom);
        p.readingHi = TextToFloat(criteria.readingTo);
    }
    for (int r = 1; r < rows.size(); ++r) {
        if (Matches(rows[r], criteria, p))
            matches->append(rows[r]);
    }
    return SearchStatus::Ok;
}
