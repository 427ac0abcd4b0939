#include "archive/testerlist.h"

#include "archive/archivewords.h"
#include "archive/liststyle.h"
#include "archive/store/chartinput.h"

#include <QDate>

#include <algorithm>

namespace {

GridRow Row(const QString &serial, const QString &calibration, qint64 records, long first,
            long last, const QDateTime &download)
{
    return {serial,
            calibration,
            GroupedCount(records),
            DateKeyText(first),
            DateKeyText(last),
            MomentListText(download)};
}

} // namespace

QStringList TesterHeadings()
{
    return {QStringLiteral("  Serial Number"), QStringLiteral("  Last Calibration"),
            QStringLiteral("  Records"),       QStringLiteral("  First Test"),
            QStringLiteral("  Last Test"),     QStringLiteral("  Last Download")};
}

QVector<ArchiveTester> ListedTesters(const QVector<ArchiveTester> &testers,
                                     const TesterListView &view)
{
    return view.dueOnly ? DueTesters(testers, view.months, view.today) : testers;
}

GridRows TesterRows(const QVector<ArchiveTester> &testers, const TesterListView &view)
{
    qint64 records = 0;
    long first = 0;
    long last = 0;
    QDateTime download;
    for (const ArchiveTester &t : testers) {
        records += t.records;
        if (t.firstDateKey > 0 && (first == 0 || t.firstDateKey < first))
            first = t.firstDateKey;
        last = std::max(last, t.lastDateKey);
        if (t.lastDownload.isValid() && (!download.isValid() || t.lastDownload > download))
            download = t.lastDownload;
    }
    GridRows rows{Row(QLatin1String(AllTestersText), QString(), records, first, last, download)};
    for (const ArchiveTester &t : ListedTesters(testers, view)) {
        const QString shown = CalibrationListText(t.lastCalibration);
        const QString calibration =
            CalibrationDue(t.lastCalibration, view.months, view.today)
                ? (shown + QLatin1Char(' ') + QLatin1String(CalibrationDueMark)).trimmed()
                : shown;
        rows.append(Row(t.serialNumber, calibration, t.records, t.firstDateKey, t.lastDateKey,
                        t.lastDownload));
    }
    return rows;
}

QString PickedDateText(long dateKey)
{
    const std::optional<qint64> day = DayOfDateKey(dateKey);
    return day ? QDate::fromJulianDay(*day).toString(QStringLiteral("yyyy-MM-dd")) : QString();
}

std::optional<ArchiveSite> ReadSite(ArchiveStore &store, ArchiveError *error)
{
    const std::optional<int> months = store.CalibrationMonths(error);
    const std::optional<int> years = months ? store.RetentionYears(error) : std::nullopt;
    std::optional<QVector<ArchiveTester>> testers;
    if (years)
        testers = store.Testers(error);
    if (!testers)
        return std::nullopt;
    ArchiveSite site{*months, std::move(*testers)};
    site.retentionYears = *years;
    return site;
}
