#include "archive/downloadarchiver.h"

#include "archive/store/archiveoutbox.h"
#include "archive/store/archiveplaces.h"
#include "archive/store/archiveworker.h"
#include "archive/store/sitesender.h"

#include <QDate>
#include <QTimer>

namespace {
// What archiving a download on this PC gave, and how many of its tester's
// records wait for the site (none without a site).
struct KeptHere
{
    DownloadArchived archived;
    std::optional<qint64> waiting;
};
} // namespace

TDownloadArchiver::TDownloadArchiver(SiteSender *sender, QObject *parent)
    : QObject(parent), FWorker(new ArchiveWorker(this)), FSender(sender)
{
    connect(FSender, &SiteSender::Sent, this, &TDownloadArchiver::Recount);
}

bool TDownloadArchiver::Busy() const
{
    return FWorker->Busy();
}

void TDownloadArchiver::Archive(const QString &dir, const QStringList &deviceInfo,
                                const GridRows &records, QObject *context, Told told)
{
    const quint64 download = ++FDownloads;
    FLast.reset();
    ArchiveError unchosen;
    const ArchivePlaces places = ChosenArchivePlacesIn(dir, &unchosen);
    if (unchosen.Failed()) {
        // Told as an archiving that failed is, after the results are shown.
        const DownloadArchivingText said = DownloadArchivingWords({std::nullopt, unchosen});
        QTimer::singleShot(0, context, [told = std::move(told), said] { told(said); });
        return;
    }
    FSender->Start(places);
    const QString site = places.site ? ArchiveLocationText(*places.site) : QString();
    const QString serial = DeviceValue(deviceInfo.value(1));
    const QDate today = QDate::currentDate();
    FWorker->Open(places.local);
    FWorker->Run(
        context,
        [deviceInfo, records, today, site, serial](ArchiveStore &store, const ArchiveJob &,
                                                   ArchiveError *error) -> std::optional<KeptHere> {
            // Kept for the site before the records come, so that they wait
            // for it.
            if (!site.isEmpty() && !ArchiveOutbox::KeepFor(store, site, error))
                return std::nullopt;
            const std::optional<DownloadArchived> archived =
                ArchiveDownload(store, deviceInfo, records, today, error);
            if (!archived)
                return std::nullopt;
            KeptHere kept{*archived, std::nullopt};
            ArchiveError uncounted;
            if (!site.isEmpty())
                kept.waiting = ArchiveOutbox::WaitingOf(store, serial, &uncounted).value_or(0);
            return kept;
        },
        [this, download, context, told = std::move(told), local = places.local,
         serial](const ArchiveResult<KeptHere> &kept) {
            ArchiveResult<DownloadArchived> archived{std::nullopt, kept.error};
            if (kept)
                archived.value = kept->archived;
            told(DownloadArchivingWords(archived, kept ? kept->waiting : std::nullopt));
            if (!kept)
                return;
            emit Archived();
            if (!kept->waiting)
                return;
            if (download == FDownloads && *kept->waiting > 0)
                FLast = Last{context, told, local, serial, kept->archived, *kept->waiting};
            FSender->Kick();
        });
    FWorker->Close();
}

void TDownloadArchiver::Recount()
{
    if (!FLast || !FLast->context)
        return;
    const quint64 download = FDownloads;
    FWorker->Open(FLast->local);
    FWorker->Run(
        FLast->context,
        [serial = FLast->serialNumber](ArchiveStore &store, const ArchiveJob &,
                                       ArchiveError *error) {
            return ArchiveOutbox::WaitingOf(store, serial, error);
        },
        [this, download](const ArchiveResult<qint64> &waiting) {
            if (!waiting || download != FDownloads || !FLast || *waiting == FLast->waiting)
                return;
            FLast->waiting = *waiting;
            FLast->told(DownloadArchivingWords({FLast->archived, {}}, *waiting));
            if (*waiting == 0)
                FLast.reset();
        });
    FWorker->Close();
}
