#pragma once
// The audit trail's entries as the trail window lists them, as the
// tab-separated file it saves and as the pages it prints.

#include "archive/store/archivetrailread.h"
#include "records/data/printlayout.h"
#include "records/data/recordfields.h"

#include <QByteArray>
#include <QStringList>

// "Time", "Entry", "Tester", "Records", "PC", "User", "Details"
QStringList TrailHeadings();
// An entry in the list's words: the time of day to the second after the
// list's date ("08 - Dec - 2026 05:04:01"); the tester's serial number,
// "all testers" for a deletion or verify of them all, empty for a setting.
GridRow TrailRow(const TrailEntry &entry);

// The saved file: a heading row, then an entry a line, cells separated by a
// tab, lines ended by CR LF, in UTF-8 after its byte-order mark (so that a
// spreadsheet program reads a file name in any script). The time is written
// "2026-12-08 05:04:01" (local time), the records as plain numbers (added or
// deleted or verified, then already there), and the fingerprint last. Tabs
// and line breaks inside a cell become blanks.
QByteArray TrailFileBytes(const QVector<TrailEntry> &entries);

// The printed pages' rows (heading first) and their columns: PC and user
// share one.
GridRows TrailPrintRows(const QVector<TrailEntry> &entries);
PrintColumns TrailPrintColumns();
