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

// The widths of a list's columns in sixteenths of the page's width, after a
// margin of one sixteenth; the last column may run on to the page's edge.
using PrintColumns = QVector<int>;
// The six record columns, an eighth of the page each.
PrintColumns RecordPrintColumns();

// Archive selections: every page says what it is (header lines such as a
// title, the tester, the filter in words and the day printed), then the
// headings, rows, and "page N of M" at its foot. Line height = page height /
// 80, as in the results window, so that every page holds as many rows. Made
// page by page, so that rows read a page at a time can be printed as they
// come: the rows a page holds under headerLines header lines (at least one),
int ArchiveRowsPerPage(int headerLines);
// the pages that records rows take (at least one, for the headings),
int ArchivePageCount(int headerLines, qsizetype records);
// and page index (0-based) of pages, holding rows (no more than a page
// holds) under header and headings.
PrintPage ArchivePrintPage(int pageWidth, int pageHeight, const QStringList &header,
                           const GridRow &headings, const GridRows &rows, int index, int pages,
                           const PrintColumns &columns = RecordPrintColumns());
// All pages of gridRows (row 0 the headings).
PrintJob ArchivePrintLayout(int pageWidth, int pageHeight, const QStringList &header,
                            const GridRows &gridRows,
                            const PrintColumns &columns = RecordPrintColumns());

// The jobs worth printing: a last job whose page holds nothing is dropped.
void DropEmptyLastJob(QVector<PrintJob> &jobs);
