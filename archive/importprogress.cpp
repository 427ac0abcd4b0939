#include "archive/importprogress.h"

#include "archive/archivewords.h"
#include "kit/texts.h"

#include <QProgressBar>
#include <QProgressDialog>
#include <QTimer>

TImportProgress::TImportProgress(ArchiveWorker *worker, QWidget *window)
    : QObject(window), FWorker(worker), FWindow(window)
{
}

TImportProgress::~TImportProgress() = default;

void TImportProgress::Start(const QStringList &paths,
                            std::function<void(const ArchiveResult<ImportSummary> &)> done)
{
    FBox = std::make_unique<QProgressDialog>(QString(), QString::fromLatin1(CapCancel), 0,
                                             int(paths.size()), FWindow);
    // The box's own bar is moved here, not through the box's value, which
    // would handle events in the middle of an answer.
    FBar = new QProgressBar(FBox.get());
    FBar->setRange(0, int(paths.size()));
    FBox->setBar(FBar);
    FBox->setWindowTitle(QStringLiteral("Import"));
    FBox->setWindowModality(Qt::ApplicationModal);
    FBox->setMinimumDuration(300);
    FBox->setMinimumWidth(420);
    connect(FBox.get(), &QProgressDialog::canceled, this, [this] { FJob.Cancel(); });
    // Begun from the event loop, after what the operator did meanwhile: a
    // Cancel at once stops the import before its first file.
    QTimer::singleShot(0, this, [this, paths, done = std::move(done)] { Begin(paths, done); });
}

void TImportProgress::Begin(const QStringList &paths,
                            const std::function<void(const ArchiveResult<ImportSummary> &)> &done)
{
    FJob = FWorker->Run(
        this,
        [paths](ArchiveStore &store, const ArchiveJob &self,
                ArchiveError *) -> std::optional<ImportSummary> {
            return ImportDataFiles(store, paths, [&self](int file, int files, qint64 records) {
                self.Progress({file, files, records});
                return !self.Cancelled();
            });
        },
        [this, done](ArchiveResult<ImportSummary> result) {
            FBox.reset();
            FBar = nullptr;
            // Cancelled before its first file began: nothing came in.
            if (result.error.code == ArchiveErrorCode::Cancelled)
                result.value = ImportSummary{0, 0, 0, {}, true};
            done(result);
        },
        [this, paths](const ArchiveProgress &progress) { Told(progress, paths); });
    if (FBox->wasCanceled())
        FJob.Cancel();
}

void TImportProgress::Told(const ArchiveProgress &progress, const QStringList &paths)
{
    if (!FBox)
        return;
    FBox->setLabelText(ImportProgressText(progress, paths));
    FBar->setValue(progress.part);
}
