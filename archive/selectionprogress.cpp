#include "archive/selectionprogress.h"

#include "archive/archivewords.h"
#include "kit/texts.h"

#include <QProgressBar>
#include <QProgressDialog>

#include <algorithm>
#include <limits>

TSelectionProgress::TSelectionProgress(QWidget *window) : QObject(window), FWindow(window) {}

TSelectionProgress::~TSelectionProgress() = default;

void TSelectionProgress::Begin(const QString &title, qint64 total, const ArchiveJob &job)
{
    FJob = job;
    FTotal = total;
    const int steps = int(std::clamp<qint64>(total, 1, std::numeric_limits<int>::max()));
    FBox = std::make_unique<QProgressDialog>(SelectionProgressText(0, total),
                                             QString::fromLatin1(CapCancel), 0, steps, FWindow);
    // The box's own bar is moved here, not through the box's value, which
    // would handle events in the middle of an answer.
    FBar = new QProgressBar(FBox.get());
    FBar->setRange(0, steps);
    FBox->setBar(FBar);
    FBox->setWindowTitle(title);
    FBox->setWindowModality(Qt::WindowModal);
    FBox->setMinimumDuration(300);
    FBox->setMinimumWidth(360);
    connect(FBox.get(), &QProgressDialog::canceled, this, [this] { FJob.Cancel(); });
}

void TSelectionProgress::Told(const ArchiveProgress &progress)
{
    if (!FBox)
        return;
    FBox->setLabelText(SelectionProgressText(progress.records, FTotal));
    FBar->setValue(int(std::min<qint64>(progress.records, FBar->maximum())));
}

void TSelectionProgress::Finish()
{
    FBox.reset();
    FBar = nullptr;
}
