#pragma once
// Makes a report on a thread of its own, so that the window shows its
// progress bar and answers its Cancel meanwhile: the pages drawn so far are
// told as they come, and a cancelled report leaves no file.

#include "archive/reportpainter.h"

#include <QObject>

#include <atomic>
#include <memory>

class QPrinter;
class QThread;

class TReportJob : public QObject
{
    Q_OBJECT
public:
    explicit TReportJob(QObject *parent = nullptr);
    // Cancels a report that is still being made and waits for it.
    ~TReportJob() override;

    // Writes input as a PDF document to path (see SaveReport).
    void Save(ReportInput input, const QString &path, const ReportPaper &paper = {});
    // Prints input on printer (see PrintReport); nothing else may use the
    // printer until Finished.
    void Print(ReportInput input, QPrinter *printer);
    // The report stops after the page being drawn.
    void Cancel() { FStop = true; }
    bool Busy() const { return FThread != nullptr; }

signals:
    // pages drawn of how many, now and then.
    void Progress(int done, int pages);
    // The report is made, cancelled or failed (with the reason in error).
    void Finished(ReportOutcome outcome, const QString &error);

private:
    using Work = std::function<ReportOutcome(const ReportProgress &, QString *)>;
    void Start(Work work);
    void Ended();

    std::unique_ptr<QThread> FThread;
    std::atomic<bool> FStop{false};
    ReportOutcome FOutcome = ReportOutcome::Failed;
    QString FError;
};
