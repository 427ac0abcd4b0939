#pragma once
// Reads what the chart of a selection is drawn from through a worker of its
// own (its own thread and connection, opened for each load and closed after
// it), so that the table's pages still come while a long selection loads:
// the tests of every day, and the readings in the unit chosen from how many
// readings each unit has; the chart's data is made ready on that thread
// too. Only the answer to the latest request is told.

#include "archive/chartsummary.h"
#include "archive/store/archiveworker.h"

#include <QObject>

class TChartLoader : public QObject
{
    Q_OBJECT
public:
    explicit TChartLoader(QObject *parent = nullptr);
    // Cancels the loads that wait and waits for the one that runs.
    ~TChartLoader() override;

    // Reads the chart of query from the archive at where, in the unit that
    // choice gives. A request made while another runs replaces it.
    void Load(const ArchiveLocation &where, const ArchiveQuery &query,
              const ChartUnitChoice &choice);
    bool Busy() const { return FWorker->Busy(); }

signals:
    // The chart's data (its unit the one chosen), or why it could not be read.
    void Loaded(const ChartData &data, const ArchiveError &error);

private:
    ArchiveWorker *FWorker;
    ArchiveJob FLatest;
    quint64 FLoads = 0;
};
