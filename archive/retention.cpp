#include "archive/retention.h"

#include "admin/Massge1.h"
#include "admin/Password.h"
#include "archive/archivewords.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "records/data/recordvalues.h"
#include "records/datelist.h"
#include "tester/mainstate.h"

#include <QAbstractButton>

namespace {
// The date was picked just before; the question's one line holds the count.
const char QuestionDelete[] = "Are you sure you want to delete %1 records?";
const char MsgDeleted[] = "%1 records deleted!!!";
// Below the password and the date picker.
constexpr int QuestionBelow = 120;

void Fail(const QString &reason)
{
    ApplicationMessageBox(reason, QString::fromLatin1(CapFailure));
}
} // namespace

TRetention::TRetention(ArchiveWorker *worker, QAbstractButton *button)
    : QObject(button), FWorker(worker), FButton(button)
{
}

void TRetention::Run(std::optional<qint64> testerId, int left, int top,
                     const std::function<bool()> &located, std::function<void()> deleted)
{
    if (Running())
        return;
    // The administrator password guards it, as it guards the tester's own
    // deletion.
    AdminUnlocked = 0;
    FormPassWord->SetPlace(left, top);
    FormPassWord->ShowModal();
    const bool unlocked = AdminUnlocked == 1;
    AdminUnlocked = 0;
    if (!unlocked)
        return;
    const long dateKey = PickedDateKey(PickedDate(left, top));
    if (!located())
        return;
    FHourglass.emplace(FButton);
    FWorker->Run(
        this,
        [dateKey, testerId](ArchiveStore &store, const ArchiveJob &, ArchiveError *error) {
            return store.CountOlderThan(dateKey, testerId, error);
        },
        [=](const ArchiveResult<qint64> &old) {
            Counted(old, dateKey, testerId, left, top, deleted);
        });
}

void TRetention::Counted(const ArchiveResult<qint64> &old, long dateKey,
                         std::optional<qint64> testerId, int left, int top,
                         const std::function<void()> &deleted)
{
    FHourglass.reset();
    if (!old) {
        Fail(ArchiveErrorText(old.error));
        return;
    }
    if (*old == 0) {
        Fail(QString::fromLatin1(MsgNoData));
        return;
    }
    if (FormYesNo->Ask(5, left, top + QuestionBelow,
                       QString::fromLatin1(QuestionDelete).arg(GroupedCount(*old))))
        Delete(dateKey, testerId, deleted);
}

void TRetention::Delete(long dateKey, std::optional<qint64> testerId,
                        const std::function<void()> &deleted)
{
    FHourglass.emplace(FButton);
    FWorker->Run(
        this,
        [dateKey, testerId](ArchiveStore &store, const ArchiveJob &, ArchiveError *error) {
            return store.DeleteOlderThan(dateKey, testerId, error);
        },
        [this, deleted](const ArchiveResult<qint64> &gone) {
            FHourglass.reset();
            if (!gone) {
                Fail(ArchiveErrorText(gone.error));
                return;
            }
            ApplicationMessageBox(QString::fromLatin1(MsgDeleted).arg(GroupedCount(*gone)),
                                  QString::fromLatin1(CapCompletion));
            deleted();
        });
}
