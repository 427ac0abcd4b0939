#pragma once
// The data file (.DAT) and the spreadsheet export (.xls): the same layout,
// with a comma or a tab after every cell.

#include "records/recordfields.h"

inline const char DataFileMarker[] = "Kestrune";
inline constexpr int DataFileMaxLine = 999;

// Marker, device lines, empty lines up to nine, then one line per grid row
// (row 0 = headings), each cell followed by separator.
QStringList BuildRecordFileLines(const QStringList &deviceInfo, const GridRows &gridRows,
                                 QChar separator);

enum class DataFileStatus { Empty, Mismatch, Ok };
struct DataFileContent
{
    QStringList deviceInfo;  // lines 1 to 4
    GridRows records;        // from line 11 on
};
// Reads lines loaded from a data file. A file with the marker but fewer than
// five lines is a mismatch.
DataFileStatus ParseDataFileLines(const QStringList &lines, DataFileContent *content);
