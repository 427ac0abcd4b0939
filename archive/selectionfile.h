#pragma once
// The archive window's selection written to a file in one ordered pass on
// the worker's thread, record by record, in little memory whatever its size:
// a data file (.DAT), the spreadsheet export (.xls, tab-separated; both as
// the results window writes them), or an Excel workbook (.xlsx). The file
// replaces one at its path only once it is whole.

#include "archive/store/archivejob.h"
#include "archive/store/archivestore.h"

#include <QString>
#include <QStringList>

#include <optional>

enum class SelectionFileKind { DataFile, Spreadsheet, Workbook };

// An Excel workbook for a name ending in .xlsx, else the tab-separated text.
SelectionFileKind ExportKindOf(const QString &path);

struct SelectionFile
{
    QString path;
    SelectionFileKind kind = SelectionFileKind::DataFile;
    // The device lines of a text file; the lines above a workbook's records.
    QStringList headerLines;
    GridRow headings; // the table's, with the sort mark: a text file's first row
    ArchiveQuery query;
    ArchiveSort sort;
    qint64 count = 0; // the selection's records as counted; more are not written
};

struct SelectionWritten
{
    qint64 records = 0;
    // "<path>: <reason>" when the file could not be written; there is then
    // no new file.
    QString failure;
};

// Records written between two tellings of the progress.
inline constexpr int SelectionProgressRecords = 1024;

// Writes the selection of file, telling through job how many records are
// written ({0, 1, records}). A job cancelled stops with Cancelled in *error
// and leaves no file; a selection that could not be read, with why.
std::optional<SelectionWritten> WriteSelectionFile(ArchiveStore &store, const SelectionFile &file,
                                                   const ArchiveJob &job, ArchiveError *error);
