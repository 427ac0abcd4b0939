#include "archive/archivewords.h"
#include "archive/liststyle.h"
#include "archive/report.h"
#include "archive/testerlist.h"

#include "archive/store/archivechoice.h"
#include "archive/store/archivelocation.h"
#include "archive/store/archiveplaces.h"
#include "archive/store/archiveschema.h"
#include "archive/store/archivetrail.h"
#include "archive/store/calibration.h"
#include "archive/store/serverwatchdog.h"
#include "kit/texts.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace {

const char MsgNotArchived[] = "Records Not Archived : ";
const char LabelNotArchived[] = "Records not archived";
const char LabelCalibrationDue[] = " - calibration due!!!";

// What went wrong, without its place.
QString WhatFailed(const ArchiveError &e)
{
    switch (e.code) {
    case ArchiveErrorCode::None:
        break;
    case ArchiveErrorCode::NoLocation:
        return QStringLiteral("no archive location");
    case ArchiveErrorCode::UnknownLocation:
        return QStringLiteral("%1 must be sqlite: followed by a file path, postgresql:// followed "
                              "by a server, or odbc: followed by a connection string, not \"%2\"")
            .arg(QLatin1String(ArchiveEnvironment), e.detail);
    case ArchiveErrorCode::PasswordInLocation:
        return QStringLiteral("the archive location must not hold a password: libpq reads it from "
                              "its password file (PGPASSFILE or ~/.pgpass) or service file, ODBC "
                              "from the DSN");
    case ArchiveErrorCode::ControlInLocation:
        return QStringLiteral("the archive location must be one line, without control characters");
    case ArchiveErrorCode::LocationTooLong:
        return QStringLiteral("the archive location is longer than %1 can hold (%2 bytes)")
            .arg(QLatin1String(ArchiveChoiceFileName))
            .arg(ArchiveChoiceMaxBytes);
    case ArchiveErrorCode::MemoryDatabase:
        return QStringLiteral("an archive in memory keeps nothing: sqlite: must be followed by "
                              "the path of a file");
    case ArchiveErrorCode::NoOdbcConnection:
        return QStringLiteral("odbc: must be followed by a connection string or DSN");
    case ArchiveErrorCode::NoPortNumber:
        return QStringLiteral("the port \"%1\" is no port number").arg(e.detail);
    case ArchiveErrorCode::UnbracketedAddress:
        return QStringLiteral("an IPv6 address must be in brackets, then a port");
    case ArchiveErrorCode::SeveralHosts:
        return QStringLiteral("one host only");
    case ArchiveErrorCode::UnknownParameter:
        return QStringLiteral("\"%1\" is no connection parameter").arg(e.detail);
    case ArchiveErrorCode::SemicolonInParameter:
        return QStringLiteral("the value of %1 must not contain ';'").arg(e.detail);
    case ArchiveErrorCode::ParameterWithoutValue:
        return QStringLiteral("the parameter \"%1\" has no value").arg(e.detail);
    case ArchiveErrorCode::NoFilePath:
        return QStringLiteral("the archive needs the path of its file");
    case ArchiveErrorCode::NoServerLocation:
        return QStringLiteral("a server must be given as postgresql:// followed by the server, or "
                              "odbc: followed by a connection string or DSN");
    case ArchiveErrorCode::LocalNotSqlite:
        return QStringLiteral("%1 must be sqlite: followed by a file path, not \"%2\"")
            .arg(QLatin1String(LocalArchiveEnvironment), e.detail);
    case ArchiveErrorCode::NotOneLine:
        return QStringLiteral("%1 is no file of one line").arg(e.detail);
    case ArchiveErrorCode::CannotMakeFolder:
        return QStringLiteral("cannot make the folder %1").arg(e.detail);
    case ArchiveErrorCode::NotAFile:
        return QStringLiteral("not a file");
    case ArchiveErrorCode::NoArchiveFile:
        return QStringLiteral("no such file");
    case ArchiveErrorCode::DriverMissing:
        return QStringLiteral("the %1 driver of Qt is missing")
            .arg(e.detail == QLatin1String("QSQLITE") ? QStringLiteral("SQLite") : e.detail);
    case ArchiveErrorCode::NotAnArchive:
        return QStringLiteral("not a Kestrune archive");
    case ArchiveErrorCode::Damaged:
        return QStringLiteral("the archive file is damaged and was left as it is (%1)")
            .arg(e.reason);
    case ArchiveErrorCode::ReadOnly:
        return QStringLiteral("this user may only read the archive, not add to it or change it") +
               (e.reason.isEmpty() ? QString() : QStringLiteral(" (%1)").arg(e.reason));
    case ArchiveErrorCode::DiskFull:
        return QStringLiteral("the disk is full (%1)").arg(e.reason);
    case ArchiveErrorCode::FileSizeLimit:
        return QStringLiteral("the file-size limit was reached (%1)").arg(e.reason);
    case ArchiveErrorCode::NewerArchive:
        return QStringLiteral("the archive was written by a newer Kestrune (archive version %1, "
                              "this program knows up to %2)")
            .arg(e.version)
            .arg(ArchiveSchemaVersion);
    case ArchiveErrorCode::UnverifiableArchive:
        return QStringLiteral("the archive (version %1) holds no fingerprints yet: open it once "
                              "with Kestrune to bring it up to version %2")
            .arg(e.version)
            .arg(ArchiveSchemaVersion);
    case ArchiveErrorCode::ServerSilent:
        return QStringLiteral("the server gave no answer for %1 s").arg(ServerSilenceSeconds);
    case ArchiveErrorCode::SettingsIncorrect:
        return QString::fromLatin1(MsgSettingsIncorrect);
    case ArchiveErrorCode::CalibrationOutOfRange:
        return QStringLiteral("the calibration interval must be %1 to %2 months")
            .arg(MinCalibrationMonths)
            .arg(MaxCalibrationMonths);
    case ArchiveErrorCode::RetentionOutOfRange:
        return QStringLiteral("the minimum retention must be %1 to %2 years")
            .arg(MinRetentionYears)
            .arg(MaxRetentionYears);
    case ArchiveErrorCode::InsideRetention:
        return QStringLiteral("records are kept at least %1 years: the cut-off date must be at "
                              "least %1 years ago")
            .arg(e.version);
    case ArchiveErrorCode::Cancelled:
        return QStringLiteral("Cancelled");
    case ArchiveErrorCode::DataFileEmpty:
        return QStringLiteral("the file is empty");
    case ArchiveErrorCode::DataFileMismatch:
        return QString::fromLatin1(MsgFormatMismatch);
    case ArchiveErrorCode::FileFailed:
    case ArchiveErrorCode::Database:
    case ArchiveErrorCode::DataFileRefused:
        break;
    }
    return e.reason;
}

} // namespace

QString GroupedCount(qint64 count)
{
    return QLocale(QLocale::English).toString(count);
}

QString ArchiveErrorText(const ArchiveError &error)
{
    const QString what = WhatFailed(error);
    return error.place.isEmpty() ? what : error.place + QStringLiteral(": ") + what;
}

QString ArchivedLabelText(const ArchiveCounts &counts)
{
    return QStringLiteral("%1 new records archived, %2 already there")
        .arg(GroupedCount(counts.added), GroupedCount(counts.already));
}

DownloadArchivingText DownloadArchivingWords(const ArchiveResult<DownloadArchived> &result)
{
    return DownloadArchivingWords(result, std::nullopt);
}

DownloadArchivingText DownloadArchivingWords(const ArchiveResult<DownloadArchived> &result,
                                             std::optional<qint64> waitingForSite)
{
    if (!result)
        return {QLatin1String(LabelNotArchived),
                QLatin1String(MsgNotArchived) + ArchiveErrorText(result.error)};
    QString line = ArchivedLabelText(result->counts);
    if (waitingForSite)
        line += *waitingForSite > 0 ? QStringLiteral(" - %1 waiting for the site server")
                                          .arg(GroupedCount(*waitingForSite))
                                    : QStringLiteral(" - on the site server");
    if (result->calibrationDue)
        line += QLatin1String(LabelCalibrationDue);
    return {line, QString()};
}

namespace {
QString RangeText(ArchiveErrorCode code)
{
    QString text = WhatFailed(ArchiveError(code));
    text[0] = text[0].toUpper();
    return text;
}
} // namespace

QString CalibrationRangeText()
{
    return RangeText(ArchiveErrorCode::CalibrationOutOfRange);
}

QString RetentionRangeText()
{
    return RangeText(ArchiveErrorCode::RetentionOutOfRange);
}

QString CalibrationSetText(int before, int after)
{
    const QString months =
        after == 1 ? QStringLiteral("1 month") : QStringLiteral("%1 months").arg(after);
    return (before == after ? QStringLiteral("Calibration interval is already ")
                            : QStringLiteral("Calibration interval set to ")) +
           months;
}

QString ImportProgressText(const ArchiveProgress &progress, const QStringList &paths, qint64 total)
{
    const QString records =
        total > 0 ? GroupedCount(progress.records) + QStringLiteral(" of ") + GroupedCount(total)
                  : GroupedCount(progress.records);
    return QStringLiteral("File %1 of %2 : %3\n%4 records")
        .arg(GroupedCount(progress.part + 1), GroupedCount(progress.parts),
             QFileInfo(paths.value(progress.part)).fileName(), records);
}

QString SelectionProgressText(qint64 records, qint64 total)
{
    return QStringLiteral("%1 of %2 records").arg(GroupedCount(records), GroupedCount(total));
}

QStringList SelectionHeaderLines(const QString &tester, const SearchCriteria &criteria)
{
    return {QStringLiteral("Kestrune archive"), QStringLiteral("Tester : ") + tester,
            QStringLiteral("Dates : ") + PeriodWords(criteria, ReportFigures()),
            QStringLiteral("Filter : ") + FilterWords(criteria)};
}

QString ImportSummaryText(const ImportSummary &summary)
{
    QStringList lines;
    lines << QStringLiteral("Files read : %1").arg(GroupedCount(summary.filesRead))
          << QStringLiteral("Records added : %1").arg(GroupedCount(summary.added))
          << QStringLiteral("Records already there : %1").arg(GroupedCount(summary.already))
          << QStringLiteral("Files refused : %1").arg(GroupedCount(summary.refused.size()));
    for (const RefusedFile &file : summary.refused)
        lines << QDir::toNativeSeparators(file.path) + QStringLiteral(" : ") +
                     ArchiveErrorText(file.why);
    if (summary.cancelled)
        lines << QStringLiteral("Import cancelled");
    return lines.join(QLatin1Char('\n'));
}

namespace {
QString RecordsText(qint64 count)
{
    return GroupedCount(count) +
           (count == 1 ? QStringLiteral(" record") : QStringLiteral(" records"));
}

QString YearsText(int years)
{
    return years == 1 ? QStringLiteral("1 year") : QStringLiteral("%1 years").arg(years);
}
} // namespace

QString DeleteScopeText(const QString &serial, qsizetype testers)
{
    if (!serial.isEmpty())
        return QStringLiteral("Tester ") + serial;
    return testers == 1 ? QStringLiteral("All testers (1)")
                        : QStringLiteral("All %1 testers").arg(GroupedCount(testers));
}

QString DeleteQuestionText(qint64 count, const QString &serial, qsizetype testers, long cutOffKey)
{
    QString scope = DeleteScopeText(serial, testers);
    scope[0] = scope[0].toLower();
    return QStringLiteral("Delete %1 of %2 dated before %3?")
        .arg(RecordsText(count), scope, DateKeyText(cutOffKey));
}

QString DeleteCountText(qint64 count, long cutOffKey)
{
    return (count == 0 ? QStringLiteral("No records") : RecordsText(count)) +
           QStringLiteral(" dated before ") + DateKeyText(cutOffKey);
}

QString DeletedText(qint64 count)
{
    return RecordsText(count) + QStringLiteral(" deleted!!!");
}

QString RetentionSetText(int before, int after)
{
    return (before == after ? QStringLiteral("Minimum retention is already ")
                            : QStringLiteral("Minimum retention set to ")) +
           YearsText(after);
}

QString RetentionText(int years)
{
    return QStringLiteral("Keep records at least ") + YearsText(years);
}

QString RetentionRefusalText(int years, long latestCutOffKey)
{
    return QStringLiteral("Records are kept at least %1: the cut-off can be %2 at the latest")
        .arg(YearsText(years), DateKeyText(latestCutOffKey));
}

QString TrailKindText(const TrailEntry &entry)
{
    switch (entry.kind) {
    case TrailKind::Download:
        return QStringLiteral("Download");
    case TrailKind::Import:
        return QStringLiteral("Import");
    case TrailKind::CarriedOver:
        return QStringLiteral("Carried over");
    case TrailKind::Sent:
        return QStringLiteral("Sent");
    case TrailKind::Deletion:
        return QStringLiteral("Deletion");
    case TrailKind::Setting:
        return QStringLiteral("Setting");
    case TrailKind::Verify:
        return QStringLiteral("Verify");
    case TrailKind::Other:
        break;
    }
    return entry.kindName;
}

QString TrailRecordsText(const TrailEntry &entry)
{
    switch (entry.kind) {
    case TrailKind::Download:
    case TrailKind::Import:
    case TrailKind::CarriedOver:
    case TrailKind::Sent:
        return QStringLiteral("%1 new, %2 already there")
            .arg(GroupedCount(entry.count), GroupedCount(entry.already));
    case TrailKind::Deletion:
        return GroupedCount(entry.count) + QStringLiteral(" deleted");
    case TrailKind::Verify:
        return GroupedCount(entry.count) + QStringLiteral(" verified");
    case TrailKind::Setting:
    case TrailKind::Other:
        break;
    }
    return QString();
}

namespace {
// "retention_years 5 -> 7" as the operator reads it.
QString SettingText(const QString &details)
{
    static const std::pair<const char *, const char *> names[] = {
        {"retention_years", "Keep records at least %1 years"},
        {"calibration_months", "Calibration every %1 months"}};
    const QString name = details.section(QLatin1Char(' '), 0, 0);
    const QString change = details.section(QLatin1Char(' '), 1);
    for (const auto &[stored, words] : names)
        if (name == QLatin1String(stored) && !change.isEmpty())
            return QString::fromLatin1(words).arg(change);
    return details;
}
} // namespace

QString TrailDetailsText(const TrailEntry &entry)
{
    switch (entry.kind) {
    case TrailKind::Import:
        return entry.source;
    case TrailKind::Sent:
        return entry.source.isEmpty() ? QString() : QStringLiteral("from ") + entry.source;
    case TrailKind::Deletion:
        return QStringLiteral("dated before ") + DateKeyText(entry.cutOff);
    case TrailKind::Setting:
        return SettingText(entry.details);
    case TrailKind::Download:
    case TrailKind::CarriedOver:
    case TrailKind::Verify:
    case TrailKind::Other:
        break;
    }
    return entry.details;
}

QStringList TrailFilterWords(const QString &serial, long fromKey, long toKey)
{
    QString dates = QStringLiteral("all");
    if (fromKey > 0 && toKey > 0)
        dates = DateKeyText(fromKey) + QStringLiteral(" to ") + DateKeyText(toKey);
    else if (fromKey > 0)
        dates = QStringLiteral("from ") + DateKeyText(fromKey);
    else if (toKey > 0)
        dates = QStringLiteral("to ") + DateKeyText(toKey);
    return {QStringLiteral("Tester : ") + (serial.isEmpty()
                                               ? QLatin1String(AllTestersText)
                                               : serial + QStringLiteral(" and all testers")),
            QStringLiteral("Dates : ") + dates};
}

QStringList TrailPrintHeader(const QString &serial, long fromKey, long toKey, qint64 entries,
                             const QDateTime &printed)
{
    return QStringList{QStringLiteral("Audit trail")} + TrailFilterWords(serial, fromKey, toKey) +
           QStringList{QStringLiteral("Entries : ") + GroupedCount(entries),
                       QStringLiteral("Printed : ") + MomentListText(printed)};
}

QString TrailCountText(qint64 entries)
{
    return GroupedCount(entries) +
           (entries == 1 ? QStringLiteral(" entry") : QStringLiteral(" entries"));
}
