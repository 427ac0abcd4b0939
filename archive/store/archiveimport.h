#pragma once
// Records that come into the archive: a download the results window took,
// and data files read as the results window reads them.

#include "archive/store/archivestore.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

// What archiving a download gave.
struct DownloadArchived
{
    ArchiveCounts counts;
    bool calibrationDue = false; // by the site's interval, judged today
};

// Archives the records of a download (no heading row) in one transaction
// (a batch of kind download by this PC and user),
// and judges by the site's calibration interval on today whether the tester
// is due (an interval that cannot be read leaves it not due: the records are
// in).
std::optional<DownloadArchived> ArchiveDownload(ArchiveStore &store, const QStringList &deviceInfo,
                                                const GridRows &records, const QDate &today,
                                                ArchiveError *error);

struct RefusedFile
{
    QString path;
    ArchiveError why;
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
// archives its records in one transaction per file, each a batch of kind
// import naming the file.
ImportSummary ImportDataFiles(ArchiveStore &store, const QStringList &paths,
                              const ImportProgress &progress = {});
