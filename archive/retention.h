#pragma once
// The deletion of archived records kept longer than allowed, as the archive
// window runs it: the administrator password, the day before which records
// go, how many they are, the question, then the delete in one transaction,
// each step through the window's worker with the hourglass over its button.

#include "archive/store/archiveworker.h"
#include "kit/form.h"
#include "kit/hourglasscursor.h"

#include <QObject>

#include <functional>
#include <optional>

class QAbstractButton;

class TRetention : public QObject
{
    Q_OBJECT
public:
    // Deletes through worker; the hourglass goes over button.
    TRetention(ArchiveWorker *worker, QAbstractButton *button);

    // Deletes the old records of one tester or all, its dialogs at (left,
    // top), once the password is right, a day picked and located says the
    // worker knows its archive; deleted hears when records went.
    void Run(std::optional<qint64> testerId, int left, int top,
             const std::function<bool()> &located, std::function<void()> deleted);
    bool Running() const { return FHourglass.has_value(); }
    // The window closed: the hourglass goes, an answer still comes.
    void Forget() { FHourglass.reset(); }

private:
    void Counted(const ArchiveResult<qint64> &old, long dateKey, std::optional<qint64> testerId,
                 int left, int top, const std::function<void()> &deleted);
    void Delete(long dateKey, std::optional<qint64> testerId, const std::function<void()> &deleted);

    ArchiveWorker *const FWorker;
    QAbstractButton *const FButton;
    std::optional<HourglassCursor> FHourglass;
};
