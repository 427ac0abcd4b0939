#pragma once
// The archive's results and failures as the operator reads them: the line
// under the results window's device lines, the import's progress and
// summary, and every failure of the store.

#include "archive/store/archiveerror.h"
#include "archive/store/archiveimport.h"
#include "archive/store/archivejob.h"
#include "archive/store/archiveresult.h"
#include "archive/store/archivetrailread.h"
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
// "The minimum retention must be 1 to 50 years".
QString RetentionRangeText();
// "Minimum retention set to 7 years", or "... is already ..." when unchanged.
QString RetentionSetText(int before, int after);
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

// "Delete Old…": the scope, "Tester SN0012345" or "All 37 testers" (serial
// empty for all testers, of which there are testers).
QString DeleteScopeText(const QString &serial, qsizetype testers);
// The last question: "Delete 1,509 records of tester SN0012345 dated before
// 01 - Jan - 2021?" (or "... of all 37 testers ...").
QString DeleteQuestionText(qint64 count, const QString &serial, qsizetype testers, long cutOffKey);
// What the cut-off would delete: "1,509 records dated before 01 - Jan -
// 2021", or "No records dated before 01 - Jan - 2021".
QString DeleteCountText(qint64 count, long cutOffKey);
// "1,509 records deleted!!!"
QString DeletedText(qint64 count);
// The minimum retention: "Keep records at least 5 years", and why a cut-off
// inside it is refused: "Records are kept at least 5 years: the cut-off can
// be 08 - Dec - 2021 at the latest".
QString RetentionText(int years);
QString RetentionRefusalText(int years, long latestCutOffKey);

// The audit trail's words for an entry: its kind ("Download", "Import",
// "Carried over", "Sent", "Deletion", "Setting", "Verify"), its records
// ("12 new, 3 already there", "1,509 deleted", "124,503 verified") and what
// else it says (an import's file name, "from PC-7" for records sent,
// "dated before 01 - Jan - 2021" for a deletion, "Keep records at least 5 ->
// 7 years" for a setting, a verify's outcome).
QString TrailKindText(const TrailEntry &entry);
QString TrailRecordsText(const TrailEntry &entry);
QString TrailDetailsText(const TrailEntry &entry);
// The trail's filter in words: "Tester : SN0012345 and all testers" (or
// "Tester : all testers"), "Dates : 01 - Jan - 2021 to 31 - Dec - 2021" (or
// "Dates : all", "from ...", "to ...": fromKey, toKey 0 when open).
QStringList TrailFilterWords(const QString &serial, long fromKey, long toKey);
// Above every printed page of the trail: "Audit trail", the filter in
// words, "Entries : 12", "Printed : 08 - Dec - 2026 05:04".
QStringList TrailPrintHeader(const QString &serial, long fromKey, long toKey, qint64 entries,
                             const QDateTime &printed);
// "12 entries"
QString TrailCountText(qint64 entries);
