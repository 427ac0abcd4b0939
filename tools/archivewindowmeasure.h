#pragma once
// Figures for the archive window over a large archive: opening it, a filter,
// a sort, scrolling to the end, the chart of its readings and the memory the
// window holds; and painting a chart of many readings. Needs a QApplication.

#include "archive/store/archivelocation.h"
#include "tools/benchfigures.h"

// where holds the archive to measure (a million records for the targets).
// The memory the window took while opened and its chart loaded.
MemoryUse MeasureArchiveWindow(const ArchiveLocation &where);
void MeasureChartPainting(int points);
