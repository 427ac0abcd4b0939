#pragma once
// Page layouts of the printed record lists, as plain data.

#include "records/recordfields.h"

#include <QString>
#include <QVector>

struct PrintItem
{
    int x = 0;
    int y = 0;
    QString text;
};
using PrintPage = QVector<PrintItem>;
using PrintJob = QVector<PrintPage>;

// Results window: one job; line height = page height / 80.
PrintJob ResultsPrintLayout(int pageWidth, int pageHeight, const QStringList &deviceInfo,
                            const GridRows &gridRows);

// Search result window: line height = |fontHeight| * 7.5; a page break ends
// the job and starts another one.
QVector<PrintJob> SearchPrintLayout(int pageWidth, int pageHeight, int fontHeight,
                                    const QStringList &deviceInfo, const GridRows &gridRows);
