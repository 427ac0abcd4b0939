#include "archive/report.h"

#include "archive/archivewords.h"
#include "archive/chartscale.h"
#include "archive/testerlist.h"
#include "records/data/recordvalues.h"

#include <QDate>

#include <algorithm>

std::optional<double> FailRate(qint64 pass, qint64 fail)
{
    if (pass + fail <= 0)
        return std::nullopt;
    return double(fail) / double(pass + fail);
}

std::optional<double> ReportFigures::FailRate() const
{
    return ::FailRate(pass, fail);
}

double NearestRank(std::vector<double> &values, int percent)
{
    // The rank in whole numbers: 0.9 x 30 in floating point is not quite 27.
    const qint64 count = qint64(values.size());
    const qint64 rank =
        std::max<qint64>(1, (qint64(std::clamp(percent, 1, 100)) * count + 99) / 100);
    const auto at = values.begin() + (rank - 1);
    std::nth_element(values.begin(), at, values.end());
    return *at;
}

void ReportTally::Add(const GridRow &record)
{
    Add(DateKey(record.value(1)), record.value(3), record.value(4));
}

void ReportTally::Add(long dateKey, QStringView reading, QStringView result)
{
    ++FCounts.tests;
    result = result.trimmed();
    const bool fail = result == QLatin1String("FAIL");
    const bool pass = result == QLatin1String("PASS");
    FCounts.fail += fail ? 1 : 0;
    FCounts.pass += pass ? 1 : 0;
    if (DayOfDateKey(dateKey)) {
        if (FCounts.firstDateKey == 0 || dateKey < FCounts.firstDateKey)
            FCounts.firstDateKey = dateKey;
        FCounts.lastDateKey = std::max(FCounts.lastDateKey, dateKey);
        MonthTests &month = FMonths[dateKey / 100];
        month.year = int(dateKey / 10000);
        month.month = int(dateKey / 100 % 100);
        ++month.tests;
        month.fail += fail ? 1 : 0;
        month.pass += pass ? 1 : 0;
    } else {
        ++FCounts.undated;
    }
    const ReadingParts parts = SplitReading(reading);
    if (parts.unit.isEmpty()) {
        ++FCounts.noUnit;
        return;
    }
    Unit &unit = FUnits[parts.unit.toString()];
    if (const std::optional<double> value = ReadingNumber(parts.value))
        unit.values.push_back(*value);
    else
        ++unit.noNumber;
}

ReportFigures ReportTally::Figures()
{
    ReportFigures figures = FCounts;
    for (const UnitRange &range : UnitRanges) {
        const auto it = FUnits.find(UnitText(range.unitCode));
        if (it == FUnits.end())
            continue;
        std::vector<double> &values = it->second.values;
        UnitFigures unit;
        unit.unit = it->first;
        unit.readings = qint64(values.size());
        unit.noNumber = it->second.noNumber;
        if (!values.empty()) {
            const auto [lowest, highest] = std::minmax_element(values.begin(), values.end());
            unit.minimum = *lowest;
            unit.maximum = *highest;
            unit.median = NearestRank(values, 50);
            unit.percentile90 = NearestRank(values, 90);
        }
        figures.units.append(unit);
    }
    figures.months = MonthsOf(FMonths);
    return figures;
}

ReportFigures FiguresOf(const GridRows &records)
{
    ReportTally tally;
    for (const GridRow &record : records)
        tally.Add(record);
    return tally.Figures();
}

QVector<MonthTests> MonthsOf(const std::map<long, MonthTests> &counted)
{
    QVector<MonthTests> months;
    if (counted.empty())
        return months;
    const MonthTests &first = counted.begin()->second;
    const MonthTests &last = counted.rbegin()->second;
    const int span = (last.year - first.year) * 12 + last.month - first.month + 1;
    if (span > MostMonthsListed) {
        for (const auto &month : counted)
            months.append(month.second);
        return months;
    }
    months.reserve(span);
    for (int i = 0; i < span; ++i) {
        const int year = first.year + (first.month - 1 + i) / 12;
        const int month = (first.month - 1 + i) % 12 + 1;
        const auto it = counted.find(year * 100L + month);
        months.append(it != counted.end() ? it->second : MonthTests{year, month, 0, 0, 0});
    }
    return months;
}

namespace {

QString DateKeyWords(long dateKey)
{
    const std::optional<qint64> day = DayOfDateKey(dateKey);
    return day ? DayText(*day) : QString::number(dateKey);
}

} // namespace

QString TestersWords(const ReportInput &input)
{
    if (input.allTesters || input.testers.isEmpty())
        return QLatin1String(AllTestersText);
    return input.testers.first().serialNumber;
}

QString PeriodWords(const SearchCriteria &criteria, const ReportFigures &figures)
{
    if (criteria.byDate) {
        const long from = PickedDateKey(criteria.dateFrom);
        const long to = PickedDateKey(criteria.dateTo);
        return DateKeyWords(std::min(from, to)) + QStringLiteral(" to ") +
               DateKeyWords(std::max(from, to));
    }
    if (figures.firstDateKey == 0)
        return QStringLiteral("all dates");
    return QStringLiteral("all dates (tests from %1 to %2)")
        .arg(DateKeyWords(figures.firstDateKey), DateKeyWords(figures.lastDateKey));
}

QString FilterWords(const SearchCriteria &criteria)
{
    QStringList parts;
    if (criteria.byTestNo) {
        // Ordered as the search orders them.
        const long from = TextToLong(criteria.testNoFrom);
        const long to = TextToLong(criteria.testNoTo);
        parts << QStringLiteral("Test No %1 to %2").arg(std::min(from, to)).arg(std::max(from, to));
    }
    if (criteria.byReading)
        parts << QStringLiteral("Reading %1 to %2 %3")
                     .arg(criteria.readingFrom.trimmed(), criteria.readingTo.trimmed(),
                          criteria.unit.trimmed());
    if (criteria.byResult)
        parts << QStringLiteral("Test Result ") + criteria.result.trimmed();
    return parts.isEmpty() ? QStringLiteral("none") : parts.join(QStringLiteral("; "));
}

QString CalibrationWords(const QString &lastCalibration, int months, const QDate &day)
{
    const std::optional<QDate> date = CalibrationDate(lastCalibration);
    switch (CalibrationStateOf(lastCalibration, months, day)) {
    case CalibrationState::Current:
        return QStringLiteral("not due (until %1)")
            .arg(DayText(date->addMonths(months).toJulianDay()));
    case CalibrationState::Due:
        return QStringLiteral("%1 (since %2)")
            .arg(QLatin1String(CalibrationDueMark),
                 DayText(date->addMonths(months).addDays(1).toJulianDay()));
    case CalibrationState::Unknown:
        break;
    }
    return QLatin1String(CalibrationDueMark) +
           QStringLiteral(" (the last calibration cannot be read)");
}

QString PercentText(std::optional<double> rate)
{
    return rate ? QString::number(*rate * 100, 'f', 1) + QStringLiteral(" %") : QStringLiteral("-");
}

QString ValueText(double value, const QString &unit)
{
    // The chart's words for a reading, without its unit.
    const QString text = ReadingText(float(value), unit);
    return text.left(text.size() - unit.size() - 1);
}

QString MonthText(int year, int month)
{
    return PeriodText(QDate(year, month, 1).toJulianDay(), ChartPeriod::Month);
}

QString MoreRecordsText(qint64 total, qint64 listed)
{
    if (total <= listed)
        return QString();
    return QStringLiteral("and %1 more records: export the selection as an Excel workbook")
        .arg(GroupedCount(total - listed));
}

QString FiguresFootnote()
{
    return QStringLiteral(
        "Median and 90th percentile by nearest rank: the least reading that at least half "
        "(nine tenths) of the readings in its unit are at or below, always a reading as the "
        "tester wrote it. Fail rate: FAIL among the tests whose result is PASS or FAIL. "
        "Readings whose value is no number are counted apart and left out of the figures.");
}
