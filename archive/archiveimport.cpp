#include "archive/archiveimport.h"

#include "archive/calibration.h"
#include "kit/texts.h"
#include "records/data/datafile.h"

#include <QDir>

namespace {
const char MsgNotArchived[] = "Records Not Archived : ";
const char LabelNotArchived[] = "Records not archived";
const char LabelCalibrationDue[] = " - calibration due!!!";
} // namespace

QString ArchivedLabelText(const ArchiveCounts &counts)
{
    return QStringLiteral("%1 new records archived, %2 already there")
        .arg(counts.added)
        .arg(counts.already);
}

DownloadArchiving ArchiveDownload(const QStringList &deviceInfo, const GridRows &records)
{
    DownloadArchiving outcome;
    QString error;
    const std::unique_ptr<ArchiveStore> store = OpenChosenArchive(&error);
    if (store)
        outcome.counts = store->Add(deviceInfo, records, &error);
    if (outcome.counts) {
        outcome.label = ArchivedLabelText(*outcome.counts);
        // The interval unread leaves the label as it is: the records are in.
        QString ignored;
        if (const std::optional<int> months = store->CalibrationMonths(&ignored))
            outcome.calibrationDue =
                CalibrationDue(DeviceValue(deviceInfo.value(3)), *months, QDate::currentDate());
        if (outcome.calibrationDue)
            outcome.label += QLatin1String(LabelCalibrationDue);
    } else {
        outcome.label = QLatin1String(LabelNotArchived);
        outcome.failure = QLatin1String(MsgNotArchived) + error;
    }
    return outcome;
}

ImportSummary ImportDataFiles(ArchiveStore &store, const QStringList &paths,
                              const ImportProgress &progress)
{
    ImportSummary summary;
    for (int i = 0; i < paths.size(); ++i) {
        const QString &path = paths[i];
        if (progress && !progress(i, paths.size(), 0)) {
            summary.cancelled = true;
            break;
        }
        DataFileContent content;
        QString error;
        switch (LoadDataFile(path, &content, &error)) {
        case DataFileStatus::Refused:
            summary.refused.append({path, error});
            continue;
        case DataFileStatus::Empty:
            summary.refused.append({path, QStringLiteral("the file is empty")});
            continue;
        case DataFileStatus::Mismatch:
            summary.refused.append({path, QString::fromLatin1(MsgFormatMismatch)});
            continue;
        case DataFileStatus::Ok:
            break;
        }
        bool cancelled = false;
        const auto perRecords = [&](qint64 sent) {
            cancelled = progress && !progress(i, paths.size(), sent);
            return !cancelled;
        };
        const std::optional<ArchiveCounts> counts =
            store.Add(content.deviceInfo, content.records, &error, perRecords);
        if (cancelled) {
            summary.cancelled = true;
            break;
        }
        if (!counts) {
            summary.refused.append({path, error});
            continue;
        }
        ++summary.filesRead;
        summary.added += counts->added;
        summary.already += counts->already;
    }
    return summary;
}

QString ImportSummaryText(const ImportSummary &summary)
{
    QStringList lines;
    lines << QStringLiteral("Files read : %1").arg(summary.filesRead)
          << QStringLiteral("Records added : %1").arg(summary.added)
          << QStringLiteral("Records already there : %1").arg(summary.already)
          << QStringLiteral("Files refused : %1").arg(summary.refused.size());
    for (const RefusedFile &file : summary.refused)
        lines << QDir::toNativeSeparators(file.path) + QStringLiteral(" : ") + file.reason;
    if (summary.cancelled)
        lines << QStringLiteral("Import cancelled");
    return lines.join(QLatin1Char('\n'));
}
