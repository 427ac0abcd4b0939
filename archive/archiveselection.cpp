// The archive window's selection written out: saved as a data file,
// exported as text or a workbook, or printed, each read in one pass on the
// archive's worker with a progress box and Cancel.

#include "archive/Archive.h"
#include "archive/archivemodel.h"
#include "archive/archivewords.h"
#include "archive/selectionfile.h"
#include "archive/selectionprogress.h"
#include "archive/selectionwords.h"
#include "archive/testerlist.h"
#include "archive/verifywords.h"
#include "kit/hourglasscursor.h"
#include "kit/texts.h"
#include "records/data/datafile.h"
#include "records/recordactions.h"
#include "tester/mainstate.h"

#include <QDateTime>

namespace {
const char MsgTooManyRecords[] = "Too Many Data (more than 1,000,000 records) !!!";
} // namespace

QString TFormArchive::SelectionTesterWords() const
{
    const std::optional<qint64> shown = Records->Query().testerId;
    for (const ArchiveTester &t : FTesters)
        if (shown && t.id == *shown)
            return t.serialNumber;
    return QLatin1String(AllTestersText);
}

QStringList TFormArchive::SelectionDeviceInfo() const
{
    for (const ArchiveTester &t : FTesters)
        if (FTesterId && t.id == *FTesterId && !t.deviceInfo.isEmpty())
            return t.deviceInfo;
    // Records of several testers: the device lines carry no values.
    return ShownDeviceInfoHeadings();
}

bool TFormArchive::SelectionWritable()
{
    const qint64 count = Records->Records();
    if (count == 0) {
        Fail(QString::fromLatin1(MsgNoData));
        return false;
    }
    // No more than a data file may hold: the program could not read it back.
    if (count > DataFileMaxRecords) {
        Fail(QString::fromLatin1(MsgTooManyRecords));
        return false;
    }
    return !FWriting;
}

void TFormArchive::WriteSelection(const FileDialogRequest &dialog, bool exported)
{
    if (!SelectionWritable())
        return;
    const QString path = AskSavePath(this, dialog, MsgOwner::Application);
    if (path.isEmpty())
        return;
    SelectionFile file;
    file.path = path;
    file.kind = exported ? ExportKindOf(path) : SelectionFileKind::DataFile;
    // A workbook says which selection it holds; a text file has the device
    // lines a data file has.
    file.query = Records->Query();
    file.headerLines = file.kind == SelectionFileKind::Workbook
                           ? SelectionHeaderLines(SelectionTesterWords(), file.query.criteria)
                           : SelectionDeviceInfo();
    file.headings = Records->Headings();
    file.sort = Records->Sort();
    file.count = Records->Records();
    // Written on the worker's thread as the records come, in one pass.
    StartHourglass(FWriting, this);
    FWritingJob = FWorker->Run(
        this,
        [file](ArchiveStore &store, const ArchiveJob &self, ArchiveError *error) {
            return WriteSelectionFile(store, file, self, error);
        },
        [this](const ArchiveResult<SelectionWritten> &written) { Written(written); },
        [this](const ArchiveProgress &progress) { FWritingProgress->Told(progress); });
    FWritingProgress->Begin(exported ? QStringLiteral("Export") : QStringLiteral("Save"),
                            file.count, FWritingJob);
}

bool TFormArchive::WritingAnswered(const ArchiveError &error)
{
    FWritingProgress->Finish();
    // Closed meanwhile: the operator no longer waits for it.
    if (!FWriting)
        return false;
    FWriting.reset();
    if (error.code == ArchiveErrorCode::Cancelled)
        return false;
    if (error.Failed())
        Fail(error);
    return !error.Failed();
}

void TFormArchive::Written(const ArchiveResult<SelectionWritten> &written)
{
    if (WritingAnswered(written.error) && written && !written->failure.isEmpty())
        RecordFileNotSaved(MsgOwner::Application, written->failure);
}

void TFormArchive::PrintSelection()
{
    if (!SelectionWritable())
        return;
    // The layout is made from every record, read in one pass; each page says
    // what it holds: the tester, the filter, the day printed, and last the
    // fingerprint of the records and the archive's last verify.
    StartHourglass(FWriting, this);
    FWritingJob = Records->AllRows(
        this,
        [this, serial = SelectedSerial(),
         query = Records->Query()](const ArchiveResult<GridRows> &rows) {
            if (!WritingAnswered(rows.error) || !rows)
                return;
            StartHourglass(FWriting, this);
            FWorker->Run(
                this,
                [query](ArchiveStore &store, const ArchiveJob &, ArchiveError *error) {
                    return store.Seal(query, error);
                },
                [this,
                 header = SelectionPrintHeader(serial, query.criteria, rows->size() - 1,
                                               QDateTime::currentDateTime()),
                 rows = *rows](const ArchiveResult<SelectionSeal> &seal) {
                    if (WritingAnswered(seal.error) && seal)
                        PrintArchiveRecords(this, header + SelectionSealLines(*seal), rows);
                });
        },
        [this](const ArchiveProgress &progress) { FWritingProgress->Told(progress); });
    FWritingProgress->Begin(QStringLiteral("Print"), Records->Records(), FWritingJob);
}
