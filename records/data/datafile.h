#pragma once
// The data file (.DAT) and the spreadsheet export (.xls): the same layout,
// with a comma or a tab after every cell.

#include "base/filelines.h"
#include "records/data/recordfields.h"

#include <optional>

inline const char DataFileMarker[] = "Kestrune";
inline constexpr int DataFileMaxLine = 999;
inline constexpr qint64 DataFileMaxBytes = MaxTextFileBytes;
inline constexpr qsizetype DataFileMaxRecords = 1000000;

// Marker, device lines, empty lines up to nine, then one line per grid row
// (row 0 = headings), each cell followed by separator.
QStringList BuildRecordFileLines(const QStringList &deviceInfo, const GridRows &gridRows,
                                 QChar separator);
// The line of one grid row: each cell, without line breaks, and separator.
QString RecordFileLine(const GridRow &row, QChar separator);

// Refused: the file was not read (see LoadDataFile).
enum class DataFileStatus { Empty, Mismatch, Ok, Refused };
struct DataFileContent
{
    QStringList deviceInfo; // lines 1 to 4
    GridRows records;       // from line 11 on
};
// Reads lines loaded from a data file. A file with the marker but fewer than
// five lines is a mismatch.
DataFileStatus ParseDataFileLines(const QStringList &lines, DataFileContent *content);

// Reads the data file at path straight into content, without keeping its
// lines. A file that cannot be read, is no regular file, is larger than
// DataFileMaxBytes or holds more than DataFileMaxRecords records is Refused
// with the reason in *error, before anything of it is taken.
DataFileStatus LoadDataFile(const QString &path, DataFileContent *content, QString *error);
// How many record lines the file at path holds, read as LoadDataFile reads
// it but without taking the records; nullopt when it cannot be read.
std::optional<qint64> CountDataFileRecords(const QString &path);
