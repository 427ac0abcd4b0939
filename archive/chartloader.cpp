#include "archive/chartloader.h"

#include <QThread>

TChartLoader::TChartLoader(QObject *parent) : QObject(parent) {}

TChartLoader::~TChartLoader()
{
    if (FThread)
        FThread->wait();
}

void TChartLoader::Load(const ArchiveLocation &where, const ArchiveQuery &query,
                        const QString &unit)
{
    const Request request{where, query, unit};
    if (FThread)
        FWaiting = request;
    else
        Start(request);
}

void TChartLoader::Start(const Request &request)
{
    FRunning = request;
    FResult = std::make_shared<Result>();
    // The thread has only its own copies and its own connection.
    FThread.reset(QThread::create([request, result = FResult] {
        QString error;
        std::unique_ptr<ArchiveStore> store = ArchiveStore::Open(request.where, &error);
        if (!store) {
            result->error = error;
            return;
        }
        std::optional<QVector<ChartPoint>> readings =
            store->Readings(request.query, request.unit, &error);
        if (!readings) {
            result->error = error;
            return;
        }
        result->points = PlotPoints(*readings);
    }));
    connect(FThread.get(), &QThread::finished, this, &TChartLoader::Finished, Qt::QueuedConnection);
    FThread->start(QThread::LowPriority);
}

void TChartLoader::Finished()
{
    FThread->wait();
    FThread.reset();
    const std::shared_ptr<Result> result = std::move(FResult);
    if (FWaiting) {
        // This answer is out of date already.
        const Request next = *FWaiting;
        FWaiting.reset();
        Start(next);
        return;
    }
    emit Loaded(result->points, FRunning.unit, result->error);
}
