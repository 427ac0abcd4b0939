#include "archive/downloadarchiver.h"

#include "archive/store/archivechoice.h"
#include "archive/store/archiveworker.h"

#include <QDate>
#include <QTimer>

TDownloadArchiver::TDownloadArchiver(QObject *parent)
    : QObject(parent), FWorker(new ArchiveWorker(this))
{
}

bool TDownloadArchiver::Busy() const
{
    return FWorker->Busy();
}

void TDownloadArchiver::Archive(const QString &dir, const QStringList &deviceInfo,
                                const GridRows &records, QObject *context,
                                std::function<void(const DownloadArchivingText &)> told)
{
    ArchiveError unchosen;
    const ArchiveLocation where = ChosenArchiveLocationIn(dir, &unchosen);
    if (unchosen.Failed()) {
        // Told as an archiving that failed is, after the results are shown.
        const DownloadArchivingText said = DownloadArchivingWords({std::nullopt, unchosen});
        QTimer::singleShot(0, context, [told = std::move(told), said] { told(said); });
        return;
    }
    const QDate today = QDate::currentDate();
    FWorker->Open(where);
    FWorker->Run(
        context,
        [deviceInfo, records, today](ArchiveStore &store, const ArchiveJob &, ArchiveError *error) {
            return ArchiveDownload(store, deviceInfo, records, today, error);
        },
        [told = std::move(told)](const ArchiveResult<DownloadArchived> &archived) {
            told(DownloadArchivingWords(archived));
        });
    FWorker->Close();
}
