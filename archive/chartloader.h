#pragma once
// Reads the readings of a selection for the chart on a thread of its own,
// through a connection of its own, so that the window answers while a long
// selection loads. Only the answer to the latest request is told.

#include "archive/archivestore.h"
#include "archive/chartscale.h"

#include <QObject>

#include <memory>
#include <optional>

class QThread;

class TChartLoader : public QObject
{
    Q_OBJECT
public:
    explicit TChartLoader(QObject *parent = nullptr);
    // Waits for a load that is still running.
    ~TChartLoader() override;

    // Reads the readings of query in unit from the archive at where. A
    // request made while another runs replaces any that waits.
    void Load(const ArchiveLocation &where, const ArchiveQuery &query, const QString &unit);
    bool Busy() const { return FThread != nullptr; }

signals:
    // The points (in time order), or the reason they could not be read.
    void Loaded(const QVector<PlotPoint> &points, const QString &unit, const QString &error);

private:
    struct Request
    {
        ArchiveLocation where;
        ArchiveQuery query;
        QString unit;
    };
    struct Result
    {
        QVector<PlotPoint> points;
        QString error;
    };
    void Start(const Request &request);
    void Finished();

    std::unique_ptr<QThread> FThread;
    std::shared_ptr<Result> FResult;
    Request FRunning;
    std::optional<Request> FWaiting;
};
