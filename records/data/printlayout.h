#pragma once
// Page layouts of the printed record lists, as plain data.

#include "records/data/recordfields.h"

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

// Results window: one job; line height = page height / 80. A last row that
// fills a page is followed by a page with only the headings.
PrintJob ResultsPrintLayout(int pageWidth, int pageHeight, const QStringList &deviceInfo,
                            const GridRows &gridRows);

// Search result window: line height = |fontHeight| * 7.5; a page break ends
// the job and starts another one, so every job holds one page. A break after
// the last row leaves a last job whose page holds nothing.
QVector<PrintJob> SearchPrintLayout(int pageWidth, int pageHeight, int fontHeight,
                                    const QStringList &deviceInfo, const GridRows &gridRows);

// The jobs worth printing: a last job whose page holds nothing is dropped.
void DropEmptyLastJob(QVector<PrintJob> &jobs);
