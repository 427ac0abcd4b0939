#include "archive/selectionfile.h"

#include "base/filelines.h"
#include "records/data/datafile.h"
#include "records/workbook/recordworkbook.h"

#include <memory>

namespace {

// Where the records go.
class Sink
{
public:
    virtual ~Sink() = default;
    virtual bool Add(const GridRow &record) = 0;
    // The file put in place; false with "<path>: <reason>" in *failure.
    virtual bool Finish(QString *failure) = 0;
};

// The data file and the tab-separated export: the lines the results window
// writes, gathered into large pieces.
class TextSink : public Sink
{
public:
    TextSink(const QString &path, QChar separator) : FFile(path), FSeparator(separator) {}

    bool Open(const QStringList &headerLines, const GridRow &headings, QString *failure)
    {
        if (!FFile.Open(failure))
            return false;
        for (const QString &line : BuildRecordFileLines(headerLines, {headings}, FSeparator))
            AppendFileLine(FBytes, line);
        return true;
    }
    bool Add(const GridRow &record) override
    {
        AppendFileLine(FBytes, RecordFileLine(record, FSeparator));
        return FBytes.size() < PieceBytes || Write();
    }
    bool Finish(QString *failure) override
    {
        if (!FFailure.isEmpty() || !Write() || !FFile.Commit(&FFailure)) {
            *failure = FFailure;
            return false;
        }
        return true;
    }

private:
    static constexpr qsizetype PieceBytes = 256 * 1024;
    bool Write()
    {
        const bool written = FFailure.isEmpty() && FFile.Write(FBytes, &FFailure);
        FBytes.clear();
        return written;
    }

    AtomicFileWriter FFile;
    QChar FSeparator;
    QByteArray FBytes;
    QString FFailure;
};

class WorkbookSink : public Sink
{
public:
    bool Open(const QString &path, const QStringList &headerLines, QString *failure)
    {
        return FBook.Open(path, headerLines, failure);
    }
    bool Add(const GridRow &record) override { return FBook.AddRecord(record); }
    bool Finish(QString *failure) override { return FBook.Finish(failure); }

private:
    RecordWorkbook FBook;
};

// The file's sink, opened; nullptr with why in *failure.
std::unique_ptr<Sink> OpenSink(const SelectionFile &file, QString *failure)
{
    if (file.kind == SelectionFileKind::Workbook) {
        auto book = std::make_unique<WorkbookSink>();
        if (!book->Open(file.path, file.headerLines, failure))
            return nullptr;
        return book;
    }
    auto text = std::make_unique<TextSink>(
        file.path, file.kind == SelectionFileKind::DataFile ? QChar(u',') : QChar(u'\t'));
    if (!text->Open(file.headerLines, file.headings, failure))
        return nullptr;
    return text;
}

} // namespace

SelectionFileKind ExportKindOf(const QString &path)
{
    return IsWorkbookPath(path) ? SelectionFileKind::Workbook : SelectionFileKind::Spreadsheet;
}

std::optional<SelectionWritten> WriteSelectionFile(ArchiveStore &store, const SelectionFile &file,
                                                   const ArchiveJob &job, ArchiveError *error)
{
    SelectionWritten written;
    const std::unique_ptr<Sink> sink = OpenSink(file, &written.failure);
    if (!sink)
        return written;
    bool refused = false;
    const bool read = store.ForEachRecord(
        file.query, file.sort, file.count,
        [&](const ArchivedRecord &record) {
            if (written.records >= file.count || job.Cancelled())
                return false;
            refused = !sink->Add(record.cells);
            ++written.records;
            if (written.records % SelectionProgressRecords == 0)
                job.Progress({0, 1, written.records});
            return !refused;
        },
        error);
    if (job.Cancelled()) {
        *error = ArchiveError(ArchiveErrorCode::Cancelled);
        return std::nullopt;
    }
    if (!read)
        return std::nullopt;
    job.Progress({0, 1, written.records});
    // A sink that refused a record says why when it is finished.
    sink->Finish(&written.failure);
    return written;
}
