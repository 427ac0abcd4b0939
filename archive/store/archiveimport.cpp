#include "archive/store/archiveimport.h"

#include "archive/store/calibration.h"
#include "records/data/datafile.h"

#include <QFileInfo>

std::optional<DownloadArchived> ArchiveDownload(ArchiveStore &store, const QStringList &deviceInfo,
                                                const GridRows &records, const QDate &today,
                                                ArchiveError *error)
{
    const std::optional<ArchiveCounts> counts =
        store.Add(deviceInfo, records, ArchiveOrigin(), error);
    if (!counts)
        return std::nullopt;
    DownloadArchived archived{*counts};
    ArchiveError ignored;
    if (const std::optional<int> months = store.CalibrationMonths(&ignored))
        archived.calibrationDue = CalibrationDue(DeviceValue(deviceInfo.value(3)), *months, today);
    return archived;
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
        QString reason;
        switch (LoadDataFile(path, &content, &reason)) {
        case DataFileStatus::Refused:
            summary.refused.append(
                {path, ArchiveError(ArchiveErrorCode::DataFileRefused).Because(reason)});
            continue;
        case DataFileStatus::Empty:
            summary.refused.append({path, ArchiveError(ArchiveErrorCode::DataFileEmpty)});
            continue;
        case DataFileStatus::Mismatch:
            summary.refused.append({path, ArchiveError(ArchiveErrorCode::DataFileMismatch)});
            continue;
        case DataFileStatus::Ok:
            break;
        }
        bool cancelled = false;
        const auto perRecords = [&](qint64 sent) {
            cancelled = progress && !progress(i, paths.size(), sent);
            return !cancelled;
        };
        // Its batch names the file it came from.
        ArchiveOrigin origin;
        origin.kind = QLatin1String(BatchImport);
        origin.source = QFileInfo(path).fileName();
        ArchiveError error;
        const std::optional<ArchiveCounts> counts =
            store.Add(content.deviceInfo, content.records, origin, &error, perRecords);
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
