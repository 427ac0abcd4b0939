#pragma once
// Reads the readings of a selection for the chart through a worker of its
// own (its own thread and connection, opened for each load and closed after
// it), so that the table's pages still come while a long selection loads.
// Only the answer to the latest request is told.

#include "archive/chartscale.h"
#include "archive/store/archiveworker.h"

#include <QObject>

class TChartLoader : public QObject
{
    Q_OBJECT
public:
    explicit TChartLoader(QObject *parent = nullptr);
    // Cancels the loads that wait and waits for the one that runs.
    ~TChartLoader() override;

    // Reads the readings of query in unit from the archive at where. A
    // request made while another runs replaces any that waits.
    void Load(const ArchiveLocation &where, const ArchiveQuery &query, const QString &unit);
    bool Busy() const { return FWorker->Busy(); }

signals:
    // The points (in time order), or why they could not be read.
    void Loaded(const QVector<PlotPoint> &points, const QString &unit, const ArchiveError &error);

private:
    ArchiveWorker *FWorker;
    ArchiveJob FLatest;
    quint64 FLoads = 0;
};
