#include "records/data/printlayout.h"

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

void DropEmptyLastJob(QVector<PrintJob> &jobs)
{
    if (jobs.size() > 1 && jobs.last().size() == 1 && jobs.last().first().isEmpty())
        jobs.removeLast();
}
