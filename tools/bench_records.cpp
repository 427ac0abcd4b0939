// Figures for 100,000 records: opening, sorting, saving, exporting and
// searching. Each
// should stay well under a second.

#include "base/filelines.h"
#include "records/data/datafile.h"
#include "records/data/recordfields.h"
#include "records/data/searchfilter.h"
#include "records/data/sortrows.h"
#include "tools/benchrecords.h"

#include <QElapsedTimer>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <cstdio>
#include <functional>

namespace {

constexpr int Records = 100000;

const QStringList Device{"Device Information ", "Serial Number         : SN-0042",
                         "Software Version  : V1.07", "Last Calibration      : 2010-01-31"};

GridRows MakeGrid()
{
    QRandomGenerator random(7);
    GridRows rows{PlainHeadings()};
    rows.reserve(Records + 1);
    for (int r = 1; r <= Records; ++r)
        rows << RandomRecord(random,
                             QString::number(int(random.bounded(Records))).rightJustified(4, '0'));
    return rows;
}

void Report(const char *what, const std::function<void()> &work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    std::printf("%-44s %8.1f ms\n", what, double(timer.nsecsElapsed()) / 1e6);
    std::fflush(stdout);
}

void BenchSave(const GridRows &grid, const QString &path)
{
    QStringList lines;
    Report("build data file lines", [&] { lines = BuildRecordFileLines(Device, grid, ','); });
    Report("write data file", [&] { SaveLinesAtomically(path, lines, nullptr); });
}

void BenchExport(const GridRows &grid, const QString &path)
{
    QStringList lines;
    Report("build export lines", [&] { lines = BuildRecordFileLines(Device, grid, '\t'); });
    Report("write export file", [&] { SaveLinesAtomically(path, lines, nullptr); });
}

void BenchOpen(const GridRows &grid, const QString &path)
{
    const QStringList built = BuildRecordFileLines(Device, grid, ',');
    DataFileContent content;
    Report("parse data file lines", [&] { ParseDataFileLines(built, &content); });
    QStringList lines;
    Report("load data file from disk", [&] { LoadLines(path, lines, nullptr); });
    Report("parse loaded lines", [&] { ParseDataFileLines(lines, &content); });
    if (content.records.size() != Records)
        std::printf("  unexpected record count %lld\n",
                    static_cast<long long>(content.records.size()));
}

void BenchSort(const GridRows &grid)
{
    const QStringList headings = PlainHeadings();
    for (int column = 0; column < RecordColumns; ++column) {
        for (bool ascending : {true, false}) {
            GridRows rows = grid;
            const QByteArray what = "sort by" + headings[column].toLatin1() +
                                    (ascending ? " ascending" : " descending");
            Report(what.constData(), [&] { SortRows(rows, 1, Records, column, ascending); });
        }
    }
}

void BenchSearch(const GridRows &grid)
{
    SearchCriteria none;
    SearchCriteria all;
    all.byTestNo = true;
    all.testNoFrom = "1";
    all.testNoTo = "99999";
    all.byDate = true;
    all.dateFrom = "2007-01-01";
    all.dateTo = "2012-12-31";
    all.byReading = true;
    all.unit = "%BAC";
    all.readingFrom = "0.000";
    all.readingTo = "0.400";
    all.byResult = true;
    all.result = "PASS";
    SearchCriteria reading;
    reading.byReading = true;
    reading.unit = "mg/L";
    reading.readingFrom = "0.100";
    reading.readingTo = "0.300";
    const std::pair<const char *, const SearchCriteria *> runs[] = {
        {"search, no criterion (every record kept)", &none},
        {"search, reading in mg/L", &reading},
        {"search, all four criteria", &all}};
    for (const auto &run : runs) {
        GridRows matches;
        Report(run.first, [&] { FilterRecords(grid, *run.second, &matches); });
        std::printf("  %lld records kept\n", static_cast<long long>(matches.size()));
    }
}

} // namespace

int main()
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "no temporary directory\n");
        return 1;
    }
    const QString dataPath = dir.filePath("records.DAT");
    const QString exportPath = dir.filePath("records.xls");
    GridRows grid;
    Report("make 100,000 records", [&] { grid = MakeGrid(); });
    BenchSave(grid, dataPath);
    BenchExport(grid, exportPath);
    BenchOpen(grid, dataPath);
    BenchSort(grid);
    BenchSearch(grid);
    return 0;
}
