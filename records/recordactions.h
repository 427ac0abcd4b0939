#pragma once
// Saving, exporting and printing the records of a result grid: the steps
// both result windows share.

#include "app/filedialogs.h"
#include "app/messagebox.h"
#include "records/recordfields.h"

class QWidget;

// Asks for a file (with the overwrite question) and writes the device lines
// and the grid rows with separator after every cell. Messages on failure, in
// the kind of box given.
void WriteRecordFile(QWidget *owner, const FileDialogRequest &dialog, const GridRows &gridRows,
                     QChar separator, MsgOwner boxes = MsgOwner::Application);

// Asks for a printer and prints the results-window layout.
void PrintResultRecords(QWidget *owner, const GridRows &gridRows);

// Asks for a printer and prints the search-result layout, one print job a
// page.
void PrintSearchRecords(QWidget *owner, const GridRows &gridRows);
