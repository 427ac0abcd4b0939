#pragma once
// The report of an archive selection (one tester or all, a period, the
// filter): what it is made from, as plain data, and its figures, counted
// record by record in plain functions. The pages are drawn by
// reportpainter.h.

#include "archive/chartpainter.h"
#include "archive/store/archiveverify.h"
#include "archive/store/calibration.h"
#include "records/data/recordfields.h"
#include "records/data/searchfilter.h"

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QVector>

#include <map>
#include <optional>
#include <vector>

// The figures of the readings in one unit.
struct UnitFigures
{
    QString unit;        // as the reading ends: "%BAC", "mg/L", "o/oo ", ...
    qint64 readings = 0; // whose value is a number
    qint64 noNumber = 0; // whose value is no number ("-----", "Err")
    double minimum = 0;  // these four only when readings > 0
    double median = 0;   // nearest rank, see NearestRank
    double percentile90 = 0;
    double maximum = 0;
};

// The tests of one month.
struct MonthTests
{
    int year = 0;
    int month = 0; // 1..12
    qint64 tests = 0;
    qint64 pass = 0;
    qint64 fail = 0;
};

struct ReportFigures
{
    qint64 tests = 0;
    qint64 pass = 0;
    qint64 fail = 0;       // tests - pass - fail have another result ("-")
    qint64 noUnit = 0;     // readings that end in no unit of the unit list
    qint64 undated = 0;    // tests whose date names no day
    long firstDateKey = 0; // yyyymmdd of the first and last dated test; 0 without one
    long lastDateKey = 0;
    QVector<UnitFigures> units; // units with any reading, in the unit list's order
    QVector<MonthTests> months; // see MonthsOf

    qint64 OtherResults() const { return tests - pass - fail; }
    // FAIL among the tests whose result is PASS or FAIL, 0 to 1; none
    // without such a test.
    std::optional<double> FailRate() const;
};
std::optional<double> FailRate(qint64 pass, qint64 fail);

// The value at nearest rank percent (1 to 100) of values: the least value
// that at least percent % of values are at or below (rank ceil(percent / 100
// x count) in ascending order). It is always one of the values, as the
// tester wrote it. values is reordered and must not be empty.
double NearestRank(std::vector<double> &values, int percent);

// Counts the figures record by record, in any order, so that whatever reads
// the selection from the archive can feed it a page at a time.
class ReportTally
{
public:
    // A record's six texts.
    void Add(const GridRow &record);
    // A record's date key (DateKey of its date), reading text and result text.
    void Add(long dateKey, QStringView reading, QStringView result);
    // Reorders the readings it holds; adding more afterwards is fine.
    ReportFigures Figures();

private:
    struct Unit
    {
        std::vector<double> values;
        qint64 noNumber = 0;
    };
    ReportFigures FCounts;          // tests, results and dates; units and months are filled late
    std::map<QString, Unit> FUnits; // by unit text
    std::map<long, MonthTests> FMonths; // by yyyymm
};

// The figures of records.
ReportFigures FiguresOf(const GridRows &records);

// More months than this from the first to the last test are listed only
// where they have tests.
inline constexpr int MostMonthsListed = 240;
// Every month from the first to the last of counted (yyyymm keys), those
// without tests included, unless that is more than MostMonthsListed.
QVector<MonthTests> MonthsOf(const std::map<long, MonthTests> &counted);

// A tester as the report names it: the values of its device lines.
struct ReportTester
{
    QString serialNumber;
    QString softwareVersion;
    QString lastCalibration;
};

// The first records of a selection are listed; the rest are pointed to the
// workbook.
inline constexpr int ReportRecordLimit = 10000;

// Everything a report is made from.
struct ReportInput
{
    QString title = QStringLiteral("Records report");
    // The selection: one tester, or all of them (then testers lists each one
    // that the archive holds).
    bool allTesters = false;
    QVector<ReportTester> testers;
    int calibrationMonths = DefaultCalibrationMonths; // the site's interval
    SearchCriteria criteria;                          // the filter, as the search applies it
    ReportFigures figures;                            // of every record of the selection
    // The first records of the selection in the order the list shows them;
    // more than recordLimit are left out of the list.
    GridRows records;
    int recordLimit = ReportRecordLimit;
    // The chart as the window shows it (none: all of it); without readings
    // the report says so in its place.
    ChartData chart;
    std::optional<ChartView> chartView;
    ChartTitle chartTitle;
    QDateTime made; // when the report is made; calibrations are judged on its day
    // The selection's fingerprint (a SHA-256 in hex) once the archive has one.
    std::optional<QString> fingerprint;
    // The report ends with it, so that a paper copy can be checked against
    // the archive: the selection's fingerprint and the archive's last verify.
    std::optional<SelectionSeal> seal;
};

// "SN0012345" or "all testers".
QString TestersWords(const ReportInput &input);
// The period in words: the filter's dates ("01 - Mar - 2010 to 31 - Mar -
// 2010"), else "all dates" with the first and last test's day.
QString PeriodWords(const SearchCriteria &criteria, const ReportFigures &figures);
// The filter besides the dates in words: "Test No 100 to 200; Reading 0.000
// to 0.080 %BAC; Test Result FAIL", or "none".
QString FilterWords(const SearchCriteria &criteria);
// How the tester stands with its calibration on day: "not due (until 15 -
// Mar - 2011)", "due (since 16 - Mar - 2011)" or "due (the last calibration
// cannot be read)".
QString CalibrationWords(const QString &lastCalibration, int months, const QDate &day);
// "7.2 %"; "-" without a rate.
QString PercentText(std::optional<double> rate);
// A reading's value as the tester writes it in unit: "0.045", "12".
QString ValueText(double value, const QString &unit);
// "Mar 2010".
QString MonthText(int year, int month);
// The last line of the record list when records are left out: "and 123,456
// more records: export the selection as an Excel workbook"; empty when
// none are.
QString MoreRecordsText(qint64 total, qint64 listed);
// How the figures are reckoned, for the footnote.
QString FiguresFootnote();
