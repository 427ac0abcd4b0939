#include "archive/store/archivequery.h"

#include "archive/store/archivesql.h"
#include "records/data/recordfields.h"

#include <QStringList>

#include <algorithm>
#include <cmath>

namespace {
// Sort columns of the six record columns, each followed by the archive's order.
const char *const SortColumns[RecordColumns] = {"test_no",      "date_key",    "time_text",
                                                "reading_text", "result_text", "sampling_text"};
} // namespace

std::optional<ArchiveFilterSql> ArchiveFilterOf(const ArchiveQuery &query, ArchiveError *error)
{
    const SearchCriteria &c = query.criteria;
    const std::optional<SearchBounds> b = PrepareSearch(c);
    if (!b) {
        *error = ArchiveError(ArchiveErrorCode::SettingsIncorrect);
        return std::nullopt;
    }
    QStringList terms;
    ArchiveFilterSql filter;
    const auto add = [&](const char *term, const QVariantList &values) {
        terms << QLatin1String(term);
        filter.values += values;
    };
    if (query.testerId)
        add("tester_id = ?", {*query.testerId});
    if (c.byTestNo)
        add("test_no >= ? AND test_no <= ?", {qint64(b->testNoLo), qint64(b->testNoHi)});
    if (c.byDate)
        add("date_key >= ? AND date_key <= ?", {qint64(b->dateLo), qint64(b->dateHi)});
    if (c.byReading) {
        add("reading_ok = 1 AND unit = ?", {SqlText(c.unit)});
        // A reading that is no number passes both bounds, and a bound that is
        // no number lets every reading pass, as with the search dialog.
        if (!std::isnan(b->readingLo))
            add("(reading IS NULL OR reading >= ?)", {double(b->readingLo)});
        if (!std::isnan(b->readingHi))
            add("(reading IS NULL OR reading <= ?)", {double(b->readingHi)});
    }
    if (c.byResult)
        add("result_text = ?", {SqlText(c.result)});
    if (!terms.isEmpty())
        filter.where = QStringLiteral(" WHERE ") + terms.join(QStringLiteral(" AND "));
    const char *const driving = query.testerId ? "records_by_tester_date"
                                : c.byReading  ? "records_by_reading"
                                : c.byDate     ? "records_by_date"
                                : c.byTestNo   ? "records_by_test_no"
                                : c.byResult   ? "records_by_result"
                                               : "";
    filter.drivingIndex = QLatin1String(driving);
    return filter;
}

QString ArchiveOrderSql(ArchiveSort sort)
{
    const int column = std::clamp(sort.column, 0, RecordColumns - 1);
    return QStringLiteral(" ORDER BY %1 %2, id")
        .arg(QLatin1String(SortColumns[column]),
             sort.ascending ? QStringLiteral("ASC") : QStringLiteral("DESC"));
}
