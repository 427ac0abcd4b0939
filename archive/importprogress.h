#pragma once
// The archive window's import of data files: the job on the window's worker
// and its progress box, which comes up after a moment, counts the records of
// all the chosen files together, names the file in hand, and whose Cancel
// leaves that file untouched.

#include "archive/store/archiveimport.h"
#include "archive/store/archiveworker.h"

#include <QObject>
#include <QStringList>

#include <functional>
#include <memory>

class QProgressBar;
class QProgressDialog;
class QTimer;
class QWidget;

class TImportProgress : public QObject
{
    Q_OBJECT
public:
    // Imports through worker, the box over window.
    TImportProgress(ArchiveWorker *worker, QWidget *window);
    ~TImportProgress() override;

    // Imports paths, then done hears the summary (a cancelled import is a
    // summary too), or why the archive could not be opened.
    void Start(const QStringList &paths,
               std::function<void(const ArchiveResult<ImportSummary> &)> done);
    bool Running() const { return FBox != nullptr; }
    // As the box's Cancel does.
    void Cancel() { FJob.Cancel(); }

private:
    void Begin();
    void Import();
    void Finish(const ArchiveResult<ImportSummary> &result);
    void Told(const ArchiveProgress &progress);

    ArchiveWorker *const FWorker;
    QWidget *const FWindow;
    QTimer *const FBegin;
    QStringList FPaths;
    std::function<void(const ArchiveResult<ImportSummary> &)> FDone;
    std::unique_ptr<QProgressDialog> FBox;
    QProgressBar *FBar = nullptr;
    ArchiveJob FJob;
    // The records counted in each file before the import, and in all of them.
    QVector<qint64> FBefore;
    qint64 FTotal = 0;
};
