#pragma once
// The print dialog goes through here, so that a test can answer it (for
// example with a PDF file as the printer).

#include <functional>

class QPrinter;
class QWidget;

// Returns false when the operator cancels.
using PrintDialogHandler = std::function<bool(QPrinter &printer, QWidget *owner)>;
void SetPrintDialogHandler(PrintDialogHandler handler);

bool ExecutePrintDialog(QPrinter &printer, QWidget *owner);
