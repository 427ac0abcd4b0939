#include "archive/importprogress.h"

#include "archive/archivewords.h"
#include "kit/texts.h"

#include <QProgressBar>
#include <QProgressDialog>
#include <QTimer>

TImportProgress::TImportProgress(ArchiveWorker *worker, QWidget *window)
    : QObject(window), FWorker(worker), FWindow(window), FBegin(new QTimer(this))
{
    // Begun as a timer tick, after what the operator did meanwhile (timers
    // that were due come first): a Cancel at once stops the import before
    // its first file.
    FBegin->setSingleShot(true);
    FBegin->setInterval(0);
    connect(FBegin, &QTimer::timeout, this, &TImportProgress::Begin);
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
    FPaths = paths;
    FDone = std::move(done);
    FBegin->start();
}

void TImportProgress::Begin()
{
    if (FBox->wasCanceled()) {
        Finish({ImportSummary{0, 0, 0, {}, true}, {}});
        return;
    }
    FJob = FWorker->Run(
        this,
        [paths = FPaths](ArchiveStore &store, const ArchiveJob &self,
                         ArchiveError *) -> std::optional<ImportSummary> {
            return ImportDataFiles(store, paths, [&self](int file, int files, qint64 records) {
                self.Progress({file, files, records});
                return !self.Cancelled();
            });
        },
        [this](ArchiveResult<ImportSummary> result) {
            // Cancelled before its first file began: nothing came in.
            if (result.error.code == ArchiveErrorCode::Cancelled)
                result.value = ImportSummary{0, 0, 0, {}, true};
            Finish(result);
        },
        [this](const ArchiveProgress &progress) { Told(progress); });
}

void TImportProgress::Finish(const ArchiveResult<ImportSummary> &result)
{
    FBox.reset();
    FBar = nullptr;
    const auto done = std::move(FDone);
    done(result);
}

void TImportProgress::Told(const ArchiveProgress &progress)
{
    if (!FBox)
        return;
    FBox->setLabelText(ImportProgressText(progress, FPaths));
    FBar->setValue(progress.part);
}
