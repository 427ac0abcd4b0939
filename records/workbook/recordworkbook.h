#pragma once
// Test records as an Excel workbook (.xlsx), written with libxlsxwriter: a
// header block of lines, an empty row, the heading row (frozen, with an
// autofilter) and one row per record (see workbookcells.h), in columns as
// wide as their texts. Rows are written as they come, in constant memory,
// so a million records need not be held at once. The workbook is written
// to a temporary file beside its place and put there only when complete.

#include "records/data/recordfields.h"

#include <QString>
#include <QStringList>

#include <memory>

// Excel holds at most this many rows in a worksheet, header block included.
inline constexpr qint64 WorkbookMaxRows = 1048576;

// Writes one workbook, row by row, on one thread.
class RecordWorkbook
{
public:
    RecordWorkbook();
    // A workbook not finished is dropped: nothing of it stays on the disk.
    ~RecordWorkbook();
    RecordWorkbook(const RecordWorkbook &) = delete;
    RecordWorkbook &operator=(const RecordWorkbook &) = delete;

    // Starts the workbook that is to replace any file at path: the header
    // lines one a row in the first column, an empty row, the heading row
    // (WorkbookHeadings()). False with the reason in *error ("<path>:
    // <reason>") when its temporary file cannot be made beside path.
    bool Open(const QString &path, const QStringList &headerLines, QString *error);

    // The record's six texts as the next row. False once the workbook cannot
    // go on (the disk refused, the worksheet is full); Finish says why.
    bool AddRecord(const GridRow &record);

    // Completes the workbook, pushes it to the disk and renames it over the
    // file at path. False with the reason in *error; any old file at path is
    // then as it was, and nothing is left beside it.
    bool Finish(QString *error);

    // Records added since Open; 0 once finished.
    qint64 RecordsAdded() const;

private:
    struct Writer;
    std::unique_ptr<Writer> d;
};

// One call for a grid of records: its rows from 1 on (row 0 holds the
// grid's headings, the workbook writes its own) under the header lines
// (the device lines, for instance). As RecordWorkbook::Finish.
bool WriteRecordWorkbook(const QString &path, const QStringList &headerLines,
                         const GridRows &gridRows, QString *error);

// A name that the workbook is written to: it ends in ".xlsx", in any case.
bool IsWorkbookPath(const QString &path);
