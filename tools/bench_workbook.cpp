// Figures of the Excel workbook: a million records written one by one (as
// the archive will hand them over), in time (the reading back included) and
// in memory, and the results window's one call for a grid of 100,000. Each
// figure is a line "name<TAB>value<TAB>unit".

#include "records/workbook/recordworkbook.h"
#include "records/workbook/workbookcheck.h"
#include "tools/benchfigures.h"
#include "tools/benchrecords.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QTemporaryDir>

#include <cstdio>

namespace {

const QStringList Device{"Device Information ", "Serial Number         : SN-0042",
                         "Software Version  : V1.07", "Last Calibration      : 2010-01-31"};

void Figure(const char *name, double value, const char *unit)
{
    std::printf("%s\t%.1f\t%s\n", name, value, unit);
    std::fflush(stdout);
}

double MegaBytes(qint64 bytes)
{
    return double(bytes) / (1024 * 1024);
}

// The records are made as they are written, so that only the writer's
// memory counts.
bool StreamRecords(const QString &path, int records)
{
    QRandomGenerator random(7);
    RecordWorkbook workbook;
    QString error;
    bool written = workbook.Open(path, Device, &error);
    for (int n = 1; written && n <= records; ++n)
        written = workbook.AddRecord(RandomRecord(random, QString::number(n)));
    written = workbook.Finish(&error) && written;
    if (!written)
        std::fprintf(stderr, "%s\n", qPrintable(error));
    return written;
}

void BenchStream(const QString &path)
{
    constexpr int Records = 1000000;
    bool written = false;
    double ms = 0;
    const MemoryUse memory =
        MeasureMemory([&] { ms = Measure([&] { written = StreamRecords(path, Records); }); });
    if (!written)
        return;
    Figure("xlsx_1m_rows_s", ms / 1000, "s");
    Figure("xlsx_1m_rows_peak_mb", memory.peakKb / 1024.0, "MB");
    Figure("xlsx_1m_rows_file_mb", MegaBytes(QFileInfo(path).size()), "MB");
    // Of the time above: reading the workbook back before it is put in place.
    QString damage;
    Figure("xlsx_1m_rows_check_s", Measure([&] { damage = WorkbookDamage(path); }) / 1000, "s");
}

void BenchGrid(const QString &path)
{
    constexpr int Records = 100000;
    QRandomGenerator random(11);
    GridRows grid{PlainHeadings()};
    grid.reserve(Records + 1);
    for (int n = 1; n <= Records; ++n)
        grid << RandomRecord(random, QString::number(n).rightJustified(5, u'0'));
    QString error;
    bool written = false;
    const double ms = Measure([&] { written = WriteRecordWorkbook(path, Device, grid, &error); });
    if (!written) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return;
    }
    Figure("xlsx_100k_grid_s", ms / 1000, "s");
}

} // namespace

int main(int argc, char **argv)
{
    // As in the program: the C library's locale is the user's.
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    BenchStream(dir.filePath(QStringLiteral("million.xlsx")));
    BenchGrid(dir.filePath(QStringLiteral("grid.xlsx")));
    return 0;
}
