// The data file reader: a file of any bytes is read into records, one record
// for every line from line 11 on, the same whether it is read straight from
// the file or through its lines, and saving those records and reading the
// file back gives them again unchanged.

#include "base/filelines.h"
#include "fuzz/fuzzing.h"
#include "records/data/datafile.h"

#include <algorithm>

namespace {

constexpr int FirstRecordLine = 11;

bool SameContent(const DataFileContent &a, const DataFileContent &b)
{
    return a.deviceInfo == b.deviceInfo && a.records == b.records;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = WriteScratchFile(QStringLiteral("input.DAT"), InputBytes(data, size));
    QStringList lines;
    FUZZ_CHECK(LoadLines(input, lines, nullptr));
    DataFileContent content;
    const DataFileStatus status = LoadDataFile(input, &content, nullptr);
    DataFileContent throughLines;
    FUZZ_CHECK(ParseDataFileLines(lines, &throughLines) == status);
    FUZZ_CHECK(SameContent(content, throughLines));
    if (status != DataFileStatus::Ok) {
        FUZZ_CHECK(content.records.isEmpty());
        return 0;
    }
    FUZZ_CHECK(lines.first() == QLatin1String(DataFileMarker));
    FUZZ_CHECK(content.deviceInfo.size() == 4);
    FUZZ_CHECK(content.records.size() == std::max<qsizetype>(0, lines.size() - FirstRecordLine));
    for (const GridRow &row : content.records)
        FUZZ_CHECK(row.size() == RecordColumns);

    GridRows gridRows{PlainHeadings()};
    gridRows += content.records;
    const QString saved = WriteScratchFile(
        QStringLiteral("saved.DAT"),
        FileBytes(BuildRecordFileLines(content.deviceInfo, gridRows, QLatin1Char(','))));
    DataFileContent reread;
    FUZZ_CHECK(LoadDataFile(saved, &reread, nullptr) == DataFileStatus::Ok);
    FUZZ_CHECK(SameContent(content, reread));
    return 0;
}
