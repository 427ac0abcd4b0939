#pragma once
// Records that come into the archive: a download the results window took,
// and data files read as the results window reads them.

#include "archive/archivestore.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// What the results window shows after archiving a download.
struct DownloadArchiving
{
    std::optional<ArchiveCounts> counts;
    bool calibrationDue = false; // by the site's interval, judged today
    QString label;               // under the device lines
    QString failure;             // a message for the operator; empty when archived
};

// Archives the records of a download (no heading row) in one transaction
// where ChosenArchiveLocation says, opening the archive for this only; the
// label also says when the tester is due for calibration.
DownloadArchiving ArchiveDownload(const QStringList &deviceInfo, const GridRows &records);
// "N new records archived, M already there"
QString ArchivedLabelText(const ArchiveCounts &counts);

struct RefusedFile
{
    QString path;
    QString reason;
};

struct ImportSummary
{
    int filesRead = 0;
    qint64 added = 0;
    qint64 already = 0;
    QVector<RefusedFile> refused;
    bool cancelled = false; // the file in hand then left nothing behind
};

// Told the file in hand (0-based), the number of files and the records of
// that file sent so far; answering false cancels the import.
using ImportProgress = std::function<bool(int file, int files, qint64 records)>;

// Reads each data file with LoadDataFile (its limits and refusals) and
// archives its records in one transaction per file.
ImportSummary ImportDataFiles(ArchiveStore &store, const QStringList &paths,
                              const ImportProgress &progress = {});

// The summary as the operator reads it, one fact a line.
QString ImportSummaryText(const ImportSummary &summary);
