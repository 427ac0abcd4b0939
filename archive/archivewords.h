#pragma once
// The archive's results and failures as the operator reads them: the line
// under the results window's device lines, the import's progress and
// summary, and every failure of the store.

#include "archive/store/archiveerror.h"
#include "archive/store/archiveimport.h"
#include "archive/store/archivejob.h"
#include "archive/store/archiveresult.h"
#include "records/data/searchfilter.h"

#include <QString>
#include <QStringList>

#include <optional>

// A count as the archive window writes it: "1,234,567".
QString GroupedCount(qint64 count);

// The failure, after its place when it has one ("place: what").
QString ArchiveErrorText(const ArchiveError &error);

// "N new records archived, M already there"
QString ArchivedLabelText(const ArchiveCounts &counts);

// What the results window shows for an archived download: the line under
// its device lines, and a message when the records are not in the archive.
struct DownloadArchivingText
{
    QString line;
    QString failure; // empty when archived
};
DownloadArchivingText DownloadArchivingWords(const ArchiveResult<DownloadArchived> &result);
// With a site's server chosen, the line says too whether the records of the
// tester wait in this PC's outbox: " - 12 waiting for the site server", or
// " - on the site server" once none waits.
DownloadArchivingText DownloadArchivingWords(const ArchiveResult<DownloadArchived> &result,
                                             std::optional<qint64> waitingForSite);

// A refused calibration interval: "The calibration interval must be 1 to
// 120 months".
QString CalibrationRangeText();
// What setting the calibration interval did: "Calibration interval set to
// 24 months", or "Calibration interval is already 24 months" when it was.
QString CalibrationSetText(int before, int after);

// "File 2 of 5 : name.DAT\n1,024 records" for the import of paths; with the
// records of all the files, "1,024 of 150,000 records".
QString ImportProgressText(const ArchiveProgress &progress, const QStringList &paths,
                           qint64 total = 0);
// "1,024 of 1,000,000 records" written or read of a selection.
QString SelectionProgressText(qint64 records, qint64 total);
// The lines above the records of an exported workbook of the archive's
// selection: "Tester : SN0012345" (or "all testers"), its dates and the rest
// of its filter in words.
QStringList SelectionHeaderLines(const QString &tester, const SearchCriteria &criteria);
// The summary, one fact a line.
QString ImportSummaryText(const ImportSummary &summary);
