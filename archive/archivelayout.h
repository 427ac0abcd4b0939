#pragma once
// How the archive window is laid out: a window the operator sizes (no
// smaller than fits a 1366 x 768 screen with a task bar), the toolbar across
// the top, the tester list and the records on the left, the filter and the
// chart on the right, a splitter between them. And how its size is kept in
// the settings file.

#include "tester/mainstate.h"

#include <QSize>

class QTableView;

inline constexpr int ArchiveRowHeight = 24;
// Where the archive window's dialogs stand, from its top left corner.
inline constexpr int ArchiveDialogLeft = 620;
inline constexpr int ArchiveDialogTop = 80;
// Rows the tester list shows without scrolling.
inline constexpr int TesterRowsShown = 10;
// The window's size before the operator sizes it (at least; wider when the
// tester list needs it in the platform's font) and its smallest size.
inline constexpr QSize ArchiveDefaultSize(1180, 690);
inline constexpr QSize ArchiveMinimumSize(1024, 600);

// The size kept in WindowPositions[ArchiveWindowSize]: one more than how
// much wider and higher than the smallest size the window is. None kept
// (both 0): the default size given.
QSize ArchiveSizeOf(const TWindowPosition &kept, const QSize &defaultSize);
TWindowPosition KeptArchiveSize(const QSize &size);

// Columns as wide as their headings and cells, the last one taking what
// room is left; as high as its headings and TesterRowsShown rows. The width
// the list takes without a horizontal scroll bar, with samples of the
// longest texts it shows and room for a vertical scroll bar.
int FitTesterList(QTableView *list);
// The record table's columns as wide as their headings (with a sort mark)
// and the longest texts of records; the last one takes what room is left.
// The width that takes.
int FitRecordTable(QTableView *table);
