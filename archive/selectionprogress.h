#pragma once
// The box while the archive window writes or reads out its selection: it
// comes up after a moment over the window with a bar of the records done and
// Cancel, which cancels the job; the window keeps painting meanwhile.

#include "archive/store/archivejob.h"

#include <QObject>
#include <QString>

#include <memory>

class QProgressBar;
class QProgressDialog;
class QWidget;

class TSelectionProgress : public QObject
{
    Q_OBJECT
public:
    explicit TSelectionProgress(QWidget *window);
    ~TSelectionProgress() override;

    // The box for job over total records, under title.
    void Begin(const QString &title, qint64 total, const ArchiveJob &job);
    // What the job told: its bar moves.
    void Told(const ArchiveProgress &progress);
    // The job answered: the box goes.
    void Finish();
    bool Running() const { return FBox != nullptr; }

private:
    QWidget *const FWindow;
    std::unique_ptr<QProgressDialog> FBox;
    QProgressBar *FBar = nullptr;
    qint64 FTotal = 0;
    ArchiveJob FJob;
};
