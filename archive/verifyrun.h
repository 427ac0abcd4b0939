#pragma once
// "Verify" as the archive window runs it: every record and every tester's
// chain verified on the window's worker, a bar of the records read with
// Cancel, the hourglass over the button, then the verdict in a message and
// one entry of it in the archive's audit trail.

#include "archive/store/archiveworker.h"
#include "kit/hourglasscursor.h"

#include <QObject>

#include <functional>
#include <optional>

class QAbstractButton;
class QWidget;
class TSelectionProgress;

class TVerifyRun : public QObject
{
    Q_OBJECT
public:
    // Verifies through worker; its bar comes over window, the hourglass over
    // button.
    TVerifyRun(ArchiveWorker *worker, QWidget *window, QAbstractButton *button);

    // Verifies the archive of about records records once located says the
    // worker knows its archive.
    void Run(qint64 records, const std::function<bool()> &located);
    bool Running() const { return FHourglass.has_value(); }
    // The window closed: the verify stops, its answer says nothing.
    void Forget();

private:
    ArchiveWorker *const FWorker;
    QAbstractButton *const FButton;
    TSelectionProgress *const FProgress;
    std::optional<HourglassCursor> FHourglass;
    ArchiveJob FJob;
};
