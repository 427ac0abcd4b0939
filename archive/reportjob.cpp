#include "archive/reportjob.h"

#include <QThread>

TReportJob::TReportJob(QObject *parent) : QObject(parent) {}

TReportJob::~TReportJob()
{
    if (FThread) {
        FStop = true;
        FThread->wait();
    }
}

void TReportJob::Save(ReportInput input, const QString &path, const ReportPaper &paper)
{
    Start([input = std::move(input), path, paper](const ReportProgress &progress, QString *error) {
        return SaveReport(input, path, progress, error, paper);
    });
}

void TReportJob::Print(ReportInput input, QPrinter *printer)
{
    Start([input = std::move(input), printer](const ReportProgress &progress, QString *error) {
        return PrintReport(input, *printer, progress, error);
    });
}

void TReportJob::Start(Work work)
{
    if (FThread)
        return;
    FStop = false;
    FThread.reset(QThread::create([this, work = std::move(work)] {
        QString error;
        // Told from this thread: the window hears it through its event queue.
        FOutcome = work(
            [this](int done, int pages) {
                emit Progress(done, pages);
                return !FStop;
            },
            &error);
        FError = error;
    }));
    connect(FThread.get(), &QThread::finished, this, &TReportJob::Ended, Qt::QueuedConnection);
    FThread->start();
}

void TReportJob::Ended()
{
    // The thread has finished: what it wrote is there to read.
    FThread->wait();
    FThread.reset();
    emit Finished(FOutcome, FError);
}
