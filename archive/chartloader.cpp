#include "archive/chartloader.h"

TChartLoader::TChartLoader(QObject *parent)
    : QObject(parent), FWorker(new ArchiveWorker(this, QThread::LowPriority))
{
}

TChartLoader::~TChartLoader()
{
    FWorker->CancelAll();
}

void TChartLoader::Load(const ArchiveLocation &where, const ArchiveQuery &query,
                        const QString &unit)
{
    FLatest.Cancel();
    const quint64 load = ++FLoads;
    FWorker->Open(where);
    FLatest = FWorker->Run(
        this,
        [query, unit](ArchiveStore &store, const ArchiveJob &,
                      ArchiveError *error) -> std::optional<QVector<PlotPoint>> {
            const std::optional<QVector<ChartPoint>> readings = store.Readings(query, unit, error);
            if (!readings)
                return std::nullopt;
            return PlotPoints(*readings);
        },
        [this, load, unit](const ArchiveResult<QVector<PlotPoint>> &points) {
            if (load == FLoads)
                emit Loaded(points.value.value_or(QVector<PlotPoint>()), unit, points.error);
        });
    // A hidden window holds no connection: this one closes after each load.
    FWorker->Close();
}
