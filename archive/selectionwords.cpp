#include "archive/selectionwords.h"

#include "archive/archivewords.h"
#include "archive/liststyle.h"
#include "archive/report.h"
#include "archive/testerlist.h"

namespace {

// The filter besides its dates; empty without one.
QString FilterOnly(const SearchCriteria &criteria)
{
    const QString words = FilterWords(criteria);
    return words == QLatin1String("none") ? QString() : words;
}

} // namespace

ChartTitle SelectionChartTitle(const QString &tester, const SearchCriteria &criteria)
{
    return {tester, criteria.byDate ? PeriodWords(criteria, {}) : QString(), FilterOnly(criteria)};
}

QStringList SelectionPrintHeader(const QString &tester, const SearchCriteria &criteria,
                                 qint64 records, const QDateTime &printed)
{
    return {QStringLiteral("Archived records"),
            QStringLiteral("Tester : ") +
                (tester.isEmpty() ? QLatin1String(AllTestersText) : tester),
            QStringLiteral("Period : ") + PeriodWords(criteria, {}),
            QStringLiteral("Filter : ") + FilterWords(criteria),
            QStringLiteral("Records : ") + GroupedCount(records),
            QStringLiteral("Printed : ") + MomentListText(printed)};
}
