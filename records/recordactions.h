#pragma once
// Saving, exporting and printing the records of a result grid: the steps
// both result windows share.

#include "kit/filedialogs.h"
#include "kit/messagebox.h"
#include "records/data/printlayout.h"
#include "records/data/recordfields.h"
#include "records/data/recordstate.h"

#include <QRect>
#include <functional>

class QDateTime;
class QToolButton;
class QWidget;
class TStringGrid;

// The parts both result windows lay out alike: a toolbar picture button
// (66 pixels high), the record grid in its font with its heading clicks, and
// the save and export file dialogs.
QToolButton *RecordToolButton(QWidget *bar, int left, int top, int width, const char *glyph,
                              const char *word);
TStringGrid *RecordGrid(QWidget *parent, const QRect &place, int rows,
                        std::function<void(int col, int row)> mouseUp);
FileDialogRequest DataFileSaveDialog(QWidget *owner);
FileDialogRequest ExportDialog(QWidget *owner);
// The export dialog with the Excel workbook offered after the tab-separated
// text, which stays the default.
FileDialogRequest SpreadsheetExportDialog(QWidget *owner);
// The same two filters with the workbook first, chosen unless the operator
// picks the other.
FileDialogRequest WorkbookExportDialog(QWidget *owner);

// Asks for a file to write, and whether to replace it when it exists ("File
// Over Saving ?" in the kind of box given). Empty when the operator cancels.
QString AskSavePath(QWidget *owner, const FileDialogRequest &dialog, MsgOwner boxes);

// Says why a file of records was not saved (error: "<path>: <reason>"), in
// the kind of box given; false.
bool RecordFileNotSaved(MsgOwner boxes, const QString &error);

// Asks for a file (with the overwrite question) and writes the device lines
// and the grid rows with separator after every cell. True when the file was
// written; a failure is shown, in the kind of box given, with the system's
// reason and leaves any old file as it was.
bool WriteRecordFile(QWidget *owner, const FileDialogRequest &dialog, const GridRows &gridRows,
                     QChar separator, MsgOwner boxes = MsgOwner::Application,
                     const QStringList &deviceInfo = DeviceInfoLines);

// As WriteRecordFile for the export: an Excel workbook when the chosen name
// ends in .xlsx (see records/workbook/recordworkbook.h), the tab-separated
// text otherwise.
bool ExportRecordFile(QWidget *owner, const FileDialogRequest &dialog, const GridRows &gridRows,
                      MsgOwner boxes = MsgOwner::Application,
                      const QStringList &deviceInfo = DeviceInfoLines);

// The data file that keeps records the operator had no chance to save, in
// dir and named for when, e.g. "Kestrune-20261207-101500.DAT".
QString RecoveryFilePath(const QString &dir, const QDateTime &when);
// Writes the device lines and the grid rows there as a data file. The path
// written, or empty with the reason in *error.
QString SaveRecoveryFile(const QString &dir, const QDateTime &when, const GridRows &gridRows,
                         QString *error);

// Asks for a printer and prints the results-window layout.
void PrintResultRecords(QWidget *owner, const GridRows &gridRows,
                        const QStringList &deviceInfo = DeviceInfoLines);

// Asks for a printer and prints the search-result layout, one print job a
// page.
void PrintSearchRecords(QWidget *owner, const GridRows &gridRows);

// Asks for a printer and prints the records of an archive selection, each
// page under header (see ArchivePrintLayout).
// columns: their widths (see PrintColumns).
void PrintArchiveRecords(QWidget *owner, const QStringList &header, const GridRows &gridRows,
                         const QVector<int> &columns = RecordPrintColumns());
