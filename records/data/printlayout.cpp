#include "records/data/printlayout.h"

#include <algorithm>
#include <cstdlib>

namespace {

constexpr int DeviceLines = 4;
constexpr int Columns = RecordColumns;

void AddRow(PrintPage &page, const GridRow &row, int x0, int w, int y)
{
    for (int j = 0; j < Columns; ++j)
        page.append({x0 + j * w, y, row.value(j)});
}

void AddDeviceLines(PrintPage &page, const QStringList &deviceInfo, int x0, int firstY, int d)
{
    for (int k = 0; k < DeviceLines; ++k)
        page.append({x0, firstY + k * d, deviceInfo.value(k)});
    page.append({x0, firstY + DeviceLines * d, QString()});
}

} // namespace

PrintJob ResultsPrintLayout(int pageWidth, int pageHeight, const QStringList &deviceInfo,
                            const GridRows &gridRows)
{
    const int w = pageWidth / 8;
    const int h = pageHeight;
    const int d = h / 80;
    const int x0 = w / 2;
    PrintJob job(1);
    AddDeviceLines(job.last(), deviceInfo, x0, 5 * d, d);
    int n = 10;
    for (const GridRow &row : gridRows) {
        AddRow(job.last(), row, x0, w, n * d);
        ++n;
        if ((n + 5LL) * d > h) {
            job.append(PrintPage());
            AddRow(job.last(), gridRows.first(), x0, w, 5 * d);
            n = 6;
        }
    }
    return job;
}

QVector<PrintJob> SearchPrintLayout(int pageWidth, int pageHeight, int fontHeight,
                                    const QStringList &deviceInfo, const GridRows &gridRows)
{
    const int w = pageWidth / 8;
    const int h = pageHeight;
    const int d = int(std::llabs(fontHeight) * 15 / 2);
    const int x0 = w / 2;
    QVector<PrintJob> jobs(1, PrintJob(1));
    AddDeviceLines(jobs.last().last(), deviceInfo, x0, 3 * d, d);
    int n = 5;
    for (const GridRow &row : gridRows) {
        AddRow(jobs.last().last(), row, x0, w, (n + 3) * d);
        ++n;
        if ((n + 5LL) * d > h) {
            n = 0;
            jobs.append(PrintJob(1));
        }
    }
    return jobs;
}

namespace {
// Lines of an archive page: the header from the third on, a blank line, the
// headings, the rows, and the page's number on the last but two.
constexpr int ArchiveTopLine = 3;
constexpr int ArchiveFooterLine = 77;
constexpr int ArchiveLastRowLine = ArchiveFooterLine - 3;
} // namespace

int ArchiveRowsPerPage(int headerLines)
{
    const int firstRow = ArchiveTopLine + headerLines + 2;
    return std::max(1, ArchiveLastRowLine - firstRow + 1);
}

int ArchivePageCount(int headerLines, qsizetype records)
{
    const qsizetype perPage = ArchiveRowsPerPage(headerLines);
    return int(std::max<qsizetype>(1, (records + perPage - 1) / perPage));
}

PrintColumns RecordPrintColumns()
{
    return PrintColumns(Columns, 2);
}

namespace {
// Each column's left edge: the margin of half an eighth, then the widths
// in sixteenths (half an eighth each) before it.
void AddListRow(PrintPage &page, const GridRow &row, int x0, int w, const PrintColumns &columns,
                int y)
{
    int before = 0;
    for (int j = 0; j < columns.size(); ++j) {
        page.append({x0 + before * w / 2, y, row.value(j)});
        before += columns[j];
    }
}
} // namespace

PrintPage ArchivePrintPage(int pageWidth, int pageHeight, const QStringList &header,
                           const GridRow &headings, const GridRows &rows, int index, int pages,
                           const PrintColumns &columns)
{
    const int w = pageWidth / 8;
    const int d = pageHeight / 80;
    const int x0 = w / 2;
    PrintPage page;
    int n = ArchiveTopLine;
    for (const QString &line : header)
        page.append({x0, n++ * d, line});
    ++n;
    AddListRow(page, headings, x0, w, columns, n++ * d);
    const int room = ArchiveRowsPerPage(int(header.size()));
    for (qsizetype r = 0; r < rows.size() && r < room; ++r)
        AddListRow(page, rows[r], x0, w, columns, n++ * d);
    page.append(
        {x0, ArchiveFooterLine * d, QStringLiteral("page %1 of %2").arg(index + 1).arg(pages)});
    return page;
}

PrintJob ArchivePrintLayout(int pageWidth, int pageHeight, const QStringList &header,
                            const GridRows &gridRows, const PrintColumns &columns)
{
    const GridRow headings = gridRows.value(0);
    const GridRows records = gridRows.mid(1);
    const int perPage = ArchiveRowsPerPage(int(header.size()));
    const int pages = ArchivePageCount(int(header.size()), records.size());
    PrintJob job;
    for (int page = 0; page < pages; ++page)
        job.append(ArchivePrintPage(pageWidth, pageHeight, header, headings,
                                    records.mid(qsizetype(page) * perPage, perPage), page, pages,
                                    columns));
    return job;
}

void DropEmptyLastJob(QVector<PrintJob> &jobs)
{
    if (jobs.size() > 1 && jobs.last().size() == 1 && jobs.last().first().isEmpty())
        jobs.removeLast();
}
