#pragma once
// The list of archived testers as the archive window shows it.

#include "archive/archivestore.h"

#include <QStringList>

// "  Serial Number", "  Last Calibration", "  Records", "  First Test",
// "  Last Test", "  Last Download"
QStringList TesterHeadings();
inline const char AllTestersText[] = "all testers";

// One row per tester after a first row for all testers together: serial
// number, last calibration, records, first and last test date (as the
// records write dates), last download (yyyy-MM-dd hh:mm).
GridRows TesterRows(const QVector<ArchiveTester> &testers);

// A date key as the date lists of the search write it, "yyyy-mm-dd"; empty
// when it names no day.
QString PickedDateText(long dateKey);
