#pragma once
// The archive window's "report": the report of the selection saved as a PDF
// document or printed. What it is made from is gathered on a worker of its
// own (a pass over every record of the selection for its figures, the first
// records in the table's order, the testers, the calibration interval and
// the selection's fingerprint with the archive's last verify),
// with the chart as the window shows it; then the pages are made on a thread
// of their own. One progress box with Cancel goes through both; a failure
// is told, a cancelled report says nothing and leaves no file.

#include "archive/report.h"
#include "archive/store/archiveworker.h"
#include "kit/filedialogs.h"

#include <QObject>

#include <memory>

class QPrinter;
class QProgressBar;
class QProgressDialog;
class QWidget;
class TChartPane;
class TReportJob;

// The selection a report is of, as the window shows it.
struct ReportSelection
{
    ArchiveLocation where;
    ArchiveQuery query;
    ArchiveSort sort; // the table's order, in which the records are listed
    qint64 records = 0;
};

class TReportRun : public QObject
{
    Q_OBJECT
public:
    // Its dialogs and boxes over window; the chart from chart.
    TReportRun(QWidget *window, TChartPane *chart);
    ~TReportRun() override;

    // Asks for a PDF file (SaveDialog4), then makes the report there.
    void Save(const ReportSelection &selection);
    // Asks for a printer, then prints the report.
    void Print(const ReportSelection &selection);
    bool Running() const { return FStage != Stage::Idle; }
    // As the box's Cancel does.
    void Cancel();

    FileDialogRequest SaveDialog4;

signals:
    // The report is made, failed or cancelled, and the box has gone.
    void Finished();

private:
    enum class Stage { Idle, Gathering, WaitingForChart, Making };
    struct Gathered;
    void Gather(const ReportSelection &selection);
    void Gotten(ArchiveResult<Gathered> gathered, const ArchiveQuery &query);
    void Make();
    void Told(const ArchiveProgress &progress);
    void Pages(int done, int pages);
    void Ended(const QString &failure);

    QWidget *const FWindow;
    TChartPane *const FChart;
    ArchiveWorker *const FWorker;
    TReportJob *const FJob;
    std::unique_ptr<QProgressDialog> FBox;
    QProgressBar *FBar = nullptr;
    ArchiveJob FGathering;
    Stage FStage = Stage::Idle;
    // Counts the reports asked for: what a cancelled one still gathers
    // afterwards is dropped.
    quint64 FRun = 0;
    qint64 FRecords = 0;
    QString FPath;                      // the document; empty when printed
    std::unique_ptr<QPrinter> FPrinter; // the printer; none when saved
    std::optional<ReportInput> FInput;  // gathered, waiting for the chart
};
