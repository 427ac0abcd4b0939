#include "archive/archivewords.h"
#include "archive/report.h"

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

QString CalibrationRangeText()
{
    QString text = WhatFailed(ArchiveError(ArchiveErrorCode::CalibrationOutOfRange));
    text[0] = text[0].toUpper();
    return text;
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
