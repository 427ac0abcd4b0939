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
                        const ChartUnitChoice &choice)
{
    FLatest.Cancel();
    const quint64 load = ++FLoads;
    FWorker->Open(where);
    FLatest = FWorker->Run(
        this,
        [query, choice](ArchiveStore &store, const ArchiveJob &self,
                        ArchiveError *error) -> std::optional<ChartData> {
            std::optional<ChartInput> input = store.Chart(
                query,
                [&choice](const QVector<ChartUnitCount> &counts) {
                    return ChooseChartUnit(counts, choice);
                },
                error, [&self] { return !self.Cancelled(); });
            if (!input)
                return std::nullopt;
            return PrepareChart(std::move(*input));
        },
        [this, load](const ArchiveResult<ChartData> &data) {
            if (load == FLoads && data.error.code != ArchiveErrorCode::Cancelled)
                emit Loaded(data.value.value_or(ChartData()), data.error);
        });
    // A hidden window holds no connection: this one closes after each load.
    FWorker->Close();
}
