#include "archive/verifyrun.h"

#include "archive/archivewords.h"
#include "archive/selectionprogress.h"
#include "archive/verifywords.h"
#include "kit/messagebox.h"
#include "kit/texts.h"

#include <QAbstractButton>
#include <QElapsedTimer>

namespace {

struct Verified
{
    ArchiveVerdict verdict;
    qint64 milliseconds = 0;
};

} // namespace

TVerifyRun::TVerifyRun(ArchiveWorker *worker, QWidget *window, QAbstractButton *button)
    : QObject(button), FWorker(worker), FButton(button), FProgress(new TSelectionProgress(window))
{
}

void TVerifyRun::Run(qint64 records, const std::function<bool()> &located)
{
    if (Running() || !located())
        return;
    FHourglass.emplace(FButton);
    const ArchiveWorkstation who = ThisWorkstation();
    FJob = FWorker->Run(
        this,
        [who](ArchiveStore &store, const ArchiveJob &self,
              ArchiveError *error) -> std::optional<Verified> {
            QElapsedTimer clock;
            clock.start();
            const auto told = [&self](qint64 read, qint64) {
                self.Progress({0, 1, read});
                return !self.Cancelled();
            };
            std::optional<ArchiveVerdict> verdict = store.Verify(who, told, error);
            if (!verdict)
                return std::nullopt;
            return Verified{std::move(*verdict), clock.elapsed()};
        },
        [this](const ArchiveResult<Verified> &verified) {
            FProgress->Finish();
            if (!FHourglass)
                return; // the window closed meanwhile
            FHourglass.reset();
            if (!verified) {
                if (verified.error.code != ArchiveErrorCode::Cancelled)
                    ApplicationMessageBox(ArchiveErrorText(verified.error),
                                          QString::fromLatin1(CapFailure));
                return;
            }
            const bool intact = verified->verdict.Intact();
            ApplicationMessageBox(VerifyMessageText(verified->verdict, verified->milliseconds),
                                  QString::fromLatin1(intact ? CapCompletion : CapFailure));
        },
        [this](const ArchiveProgress &progress) { FProgress->Told(progress); });
    FProgress->Begin(QStringLiteral("Verify"), records, FJob);
}

void TVerifyRun::Forget()
{
    FHourglass.reset();
    FJob.Cancel();
    FProgress->Finish();
}
