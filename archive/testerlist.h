#pragma once
// The list of archived testers as the archive window shows it.

#include "archive/store/archivestore.h"
#include "archive/store/archivetrail.h"
#include "archive/store/calibration.h"

#include <QDate>
#include <QStringList>

#include <optional>

// The site's calibration interval and every tester archived.
struct ArchiveSite
{
    int calibrationMonths = DefaultCalibrationMonths;
    QVector<ArchiveTester> testers;
    qint64 unsent = 0; // this PC's records waiting for the site, when read in its place
    int retentionYears = DefaultRetentionYears; // the minimum retention "Delete Old…" keeps
};
// Read together, on the archive's worker.
std::optional<ArchiveSite> ReadSite(ArchiveStore &store, ArchiveError *error);

// "  Serial Number", "  Last Calibration", "  Records", "  First Test",
// "  Last Test", "  Last Download"
QStringList TesterHeadings();
inline const char AllTestersText[] = "all testers";

// Written after the last calibration of a tester due for calibration.
inline const char CalibrationDueMark[] = "due";

// How the list is shown: the site's calibration interval, the day it is
// judged on, and whether only the testers due are listed.
struct TesterListView
{
    int months = DefaultCalibrationMonths;
    QDate today;
    bool dueOnly = false;
};

// The testers that the list shows, in the order given.
QVector<ArchiveTester> ListedTesters(const QVector<ArchiveTester> &testers,
                                     const TesterListView &view);

// A first row for all testers together (every one of testers), then one row
// per listed tester: serial number, last calibration (followed by the due
// mark when it is due), records, first and last test date and the last
// download with its time of day, dates in the results window's style.
GridRows TesterRows(const QVector<ArchiveTester> &testers, const TesterListView &view);

// A date key as the date lists of the search write it, "yyyy-mm-dd"; empty
// when it names no day.
QString PickedDateText(long dateKey);
