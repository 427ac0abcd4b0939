#include "archive/importprogress.h"

#include "archive/archivewords.h"
#include "kit/texts.h"
#include "records/data/datafile.h"

#include <QProgressBar>
#include <QProgressDialog>
#include <QTimer>

#include <algorithm>
#include <climits>

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
    FBox =
        std::make_unique<QProgressDialog>(QString(), QString::fromLatin1(CapCancel), 0, 0, FWindow);
    // The box's own bar is moved here, not through the box's value, which
    // would handle events in the middle of an answer. Busy until the
    // records are counted.
    FBar = new QProgressBar(FBox.get());
    FBar->setRange(0, 0);
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
    // The records of every file first, read the way the import reads them
    // (a file that cannot be read counts none), so that the bar counts
    // records from the first file on.
    FJob = FWorker->Run(
        this,
        [paths = FPaths](ArchiveStore &, const ArchiveJob &self,
                         ArchiveError *error) -> std::optional<QVector<qint64>> {
            QVector<qint64> counts;
            for (const QString &path : paths) {
                if (self.Cancelled()) {
                    *error = ArchiveError(ArchiveErrorCode::Cancelled);
                    return std::nullopt;
                }
                counts.append(CountDataFileRecords(path).value_or(0));
            }
            return counts;
        },
        [this](const ArchiveResult<QVector<qint64>> &counts) {
            if (!counts) {
                Finish({counts.error.code == ArchiveErrorCode::Cancelled
                            ? std::optional(ImportSummary{0, 0, 0, {}, true})
                            : std::nullopt,
                        counts.error.code == ArchiveErrorCode::Cancelled ? ArchiveError()
                                                                         : counts.error});
                return;
            }
            FBefore.clear();
            FTotal = 0;
            for (const qint64 count : *counts) {
                FBefore.append(FTotal);
                FTotal += count;
            }
            FBar->setRange(0, int(std::min<qint64>(FTotal, INT_MAX)));
            Import();
        });
}

void TImportProgress::Import()
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
    // The records of the files before this one, then those of this one so
    // far (no more than were counted in it).
    const int part = std::clamp(progress.part, 0, int(FBefore.size()) - 1);
    const qint64 counted = part + 1 < FBefore.size() ? FBefore[part + 1] : FTotal;
    const qint64 done = std::min(FBefore.value(part) + progress.records, counted);
    FBox->setLabelText(ImportProgressText({progress.part, progress.parts, done}, FPaths, FTotal));
    FBar->setValue(int(std::min<qint64>(done, INT_MAX)));
}
