#pragma once
// An archive selection (one tester or all, and the filter) in words, as the
// chart's title and the printout's header say it.

#include "archive/chartpainter.h"
#include "records/data/searchfilter.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

// The chart's title: the tester (empty: all testers), the period when the
// filter has dates (else the chart names the days of its data), and the
// rest of the filter in words (empty without one).
ChartTitle SelectionChartTitle(const QString &tester, const SearchCriteria &criteria);

// The header of a printout of records: "Archived records", then
// "Tester : SN0012345" (or "all testers"), "Period : ...", "Filter : ...",
// "Records : 1,509" and "Printed : 11 - Mar - 2010 17:59".
QStringList SelectionPrintHeader(const QString &tester, const SearchCriteria &criteria,
                                 qint64 records, const QDateTime &printed);
