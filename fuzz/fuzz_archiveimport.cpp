// A data file of any bytes imported into an archive: all of its records or
// none, and every record kept comes back with the file's texts exactly (a
// zero byte among them too), each record once.

#include "archive/store/archiveimport.h"
#include "archive/store/storedtext.h"
#include "fuzz/fuzzing.h"
#include "records/data/datafile.h"

#include <QCoreApplication>

#include <algorithm>
#include <map>
#include <tuple>

namespace {

using RecordKey = std::tuple<QString, QString, QString>; // test no, date, time

RecordKey KeyOf(const GridRow &row)
{
    return {row.value(0), row.value(1), row.value(2)};
}

// An archive with its tables and no record, made once: each input starts
// from a copy.
QByteArray EmptyArchive()
{
    const QString path = ScratchDir() + QStringLiteral("/empty.sqlite");
    ArchiveError error;
    FUZZ_CHECK(ArchiveStore::Open({ArchiveLocation::Driver::Sqlite, path}, &error));
    QFile file(path);
    FUZZ_CHECK(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString input = WriteScratchFile(QStringLiteral("import.DAT"), InputBytes(data, size));
    const QString path = ScratchDir() + QStringLiteral("/archive.sqlite");
    static const QByteArray empty = EmptyArchive();
    WriteScratchFile(QStringLiteral("archive.sqlite"), empty);
    ArchiveError error;
    std::unique_ptr<ArchiveStore> store =
        ArchiveStore::Open({ArchiveLocation::Driver::Sqlite, path}, &error);
    FUZZ_CHECK(store);
    const ImportSummary summary = ImportDataFiles(*store, {input});
    DataFileContent content;
    const DataFileStatus status = LoadDataFile(input, &content, nullptr);
    const std::optional<qint64> count = store->Count({}, &error);
    FUZZ_CHECK(count);
    if (status != DataFileStatus::Ok) {
        FUZZ_CHECK(summary.refused.size() == 1 && summary.filesRead == 0 && *count == 0);
        return 0;
    }
    // A file read is archived whole: its first record of each key is kept.
    FUZZ_CHECK(summary.refused.isEmpty() && summary.filesRead == 1);
    std::map<RecordKey, GridRow> expected;
    for (const GridRow &row : content.records)
        expected.emplace(KeyOf(row), row);
    FUZZ_CHECK(summary.added == qint64(expected.size()));
    FUZZ_CHECK(summary.added + summary.already == content.records.size());
    FUZZ_CHECK(*count == summary.added);
    const std::optional<QVector<ArchivedRecord>> kept =
        store->Page({}, {}, 0, int(expected.size()) + 1, &error);
    FUZZ_CHECK(kept && kept->size() == qsizetype(expected.size()));
    for (const ArchivedRecord &record : *kept) {
        GridRow original;
        for (const QString &cell : record.cells)
            original << OriginalText(cell);
        const auto found = expected.find(KeyOf(original));
        FUZZ_CHECK(found != expected.end() && found->second == original);
        expected.erase(found);
    }
    return 0;
}
