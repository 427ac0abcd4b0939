#include "kit/printdialog.h"

#include "kit/actionscope.h"

#include <QPrintDialog>
#include <QPrinter>

namespace {
PrintDialogHandler g_handler;
}

void SetPrintDialogHandler(PrintDialogHandler handler)
{
    g_handler = std::move(handler);
}

bool ExecutePrintDialog(QPrinter &printer, QWidget *owner)
{
    if (g_handler)
        return g_handler(printer, owner);
    QPrintDialog dialog(&printer, owner);
    const bool chosen = dialog.exec() == QDialog::Accepted;
    OperatorAsked();
    return chosen;
}
