// The search filter over any grid and any criteria: the first eight input
// lines are the criteria texts, the others records (cells ended by commas).
// The criteria are a conjunction: the records all four keep are exactly those
// that each one keeps on its own, none keeps anything the others leave out,
// and no criterion keeps every record in grid order.

#include "fuzz/fuzzing.h"
#include "records/data/searchfilter.h"

#include <QSet>

namespace {

GridRow Cells(const QByteArray &line)
{
    GridRow row = QString::fromLatin1(line).split(QLatin1Char(','));
    row.resize(RecordColumns);
    return row;
}

// matches as row numbers of rows, each found after the one before.
bool InGridOrder(const GridRows &rows, const GridRows &matches, QSet<int> *numbers)
{
    int row = 1;
    for (const GridRow &match : matches) {
        while (row < rows.size() && rows[row] != match)
            ++row;
        if (row == rows.size())
            return false;
        numbers->insert(row++);
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<QByteArray> lines = InputBytes(data, size).split('\n');
    auto text = [&lines](int k) { return QString::fromLatin1(lines.value(k)); };
    SearchCriteria all;
    all.testNoFrom = text(0);
    all.testNoTo = text(1);
    all.dateFrom = text(2);
    all.dateTo = text(3);
    all.unit = text(4);
    all.readingFrom = text(5);
    all.readingTo = text(6);
    all.result = text(7);
    GridRows rows{PlainHeadings()};
    for (int k = 8; k < lines.size(); ++k)
        rows << Cells(lines[k]);

    SearchCriteria none = all;
    GridRows matches;
    FUZZ_CHECK(FilterRecords(rows, none, &matches) == SearchStatus::Ok);
    FUZZ_CHECK(matches == rows.mid(1));

    all.byTestNo = all.byDate = all.byReading = all.byResult = true;
    const SearchStatus status = FilterRecords(rows, all, &matches);
    QSet<int> kept;
    FUZZ_CHECK(InGridOrder(rows, matches, &kept));
    if (status != SearchStatus::Ok) {
        FUZZ_CHECK(matches.isEmpty());
        return 0;
    }

    bool SearchCriteria::*switches[] = {&SearchCriteria::byTestNo, &SearchCriteria::byDate,
                                        &SearchCriteria::byReading, &SearchCriteria::byResult};
    QSet<int> keptByEach;
    for (int k = 1; k < rows.size(); ++k)
        keptByEach.insert(k);
    for (bool SearchCriteria::*on : switches) {
        SearchCriteria one = none;
        one.*on = true;
        GridRows single;
        FUZZ_CHECK(FilterRecords(rows, one, &single) == SearchStatus::Ok);
        QSet<int> numbers;
        FUZZ_CHECK(InGridOrder(rows, single, &numbers));
        keptByEach &= numbers;
    }
    FUZZ_CHECK(kept.size() == matches.size());
    FUZZ_CHECK(kept == keptByEach);
    return 0;
}
