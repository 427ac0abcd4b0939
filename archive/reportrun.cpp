#include "archive/reportrun.h"

#include "archive/archivewords.h"
#include "archive/chartpane.h"
#include "archive/readingchart.h"
#include "archive/reportjob.h"
#include "archive/testerlist.h"
#include "kit/messagebox.h"
#include "kit/printdialog.h"
#include "kit/texts.h"
#include "records/recordactions.h"

#include <QPrinter>
#include <QProgressBar>
#include <QProgressDialog>

#include <algorithm>
#include <climits>

namespace {
// Records between two tellings of the pass over them.
constexpr qint64 TellEvery = 4096;

int BarValue(qint64 n)
{
    return int(std::clamp<qint64>(n, 0, INT_MAX));
}
} // namespace

struct TReportRun::Gathered
{
    ArchiveSite site;
    ReportFigures figures;
    GridRows records;
    SelectionSeal seal;
};

TReportRun::TReportRun(QWidget *window, TChartPane *chart)
    : QObject(window), FWindow(window), FChart(chart),
      FWorker(new ArchiveWorker(this, QThread::LowPriority)), FJob(new TReportJob(this))
{
    SaveDialog4 = {FileDialogKind::Save, QStringLiteral("pdf"),
                   QStringLiteral("PDF document (*.pdf)|*.pdf"), window};
    connect(FJob, &TReportJob::Progress, this, &TReportRun::Pages);
    connect(FJob, &TReportJob::Finished, this, [this](ReportOutcome outcome, const QString &error) {
        Ended(outcome == ReportOutcome::Failed ? error : QString());
    });
    connect(FChart, &TChartPane::Shown, this, [this] {
        if (FStage == Stage::WaitingForChart)
            Make();
    });
}

TReportRun::~TReportRun()
{
    FGathering.Cancel();
    FJob->Cancel();
    // Waits for the pages in hand while the printer they go to is still here.
    delete FJob;
}

void TReportRun::Save(const ReportSelection &selection)
{
    if (Running())
        return;
    const QString path = AskSavePath(FWindow, SaveDialog4, MsgOwner::Application);
    if (path.isEmpty())
        return;
    FPath = path;
    FPrinter.reset();
    Gather(selection);
}

void TReportRun::Print(const ReportSelection &selection)
{
    if (Running())
        return;
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    if (!ExecutePrintDialog(*printer, FWindow))
        return;
    FPath.clear();
    FPrinter = std::move(printer);
    Gather(selection);
}

void TReportRun::Cancel()
{
    switch (FStage) {
    case Stage::Idle:
        return;
    case Stage::Gathering:
        // The worker stops at its next record; what it still answers is
        // dropped.
        FGathering.Cancel();
        Ended(QString());
        return;
    case Stage::WaitingForChart:
        Ended(QString());
        return;
    case Stage::Making:
        // Stops after the page in hand; Finished ends it.
        FJob->Cancel();
        return;
    }
}

void TReportRun::Gather(const ReportSelection &selection)
{
    const quint64 run = ++FRun;
    FStage = Stage::Gathering;
    FRecords = selection.records;
    FInput.reset();
    FBox =
        std::make_unique<QProgressDialog>(QString(), QString::fromLatin1(CapCancel), 0, 0, FWindow);
    // Moved here, not through the box's value, which would handle events in
    // the middle of an answer.
    FBar = new QProgressBar(FBox.get());
    FBar->setRange(0, BarValue(FRecords));
    FBox->setBar(FBar);
    FBox->setWindowTitle(QStringLiteral("Report"));
    FBox->setWindowModality(Qt::ApplicationModal);
    FBox->setMinimumWidth(420);
    FBox->setLabelText(QStringLiteral("Reading the records ..."));
    connect(FBox.get(), &QProgressDialog::canceled, this, &TReportRun::Cancel);
    // Up at once: the report is of the selection as it is now, and the
    // chart that goes into it must not change meanwhile.
    FBox->show();

    FWorker->Open(selection.where);
    FGathering = FWorker->Run(
        this,
        [query = selection.query,
         sort = selection.sort](ArchiveStore &store, const ArchiveJob &self,
                                ArchiveError *error) -> std::optional<Gathered> {
            Gathered g;
            std::optional<ArchiveSite> site = ReadSite(store, error);
            if (!site)
                return std::nullopt;
            g.site = std::move(*site);
            ReportTally tally;
            qint64 counted = 0;
            const bool whole = store.EachRecord(
                query,
                [&](long dateKey, QStringView reading, QStringView result) {
                    tally.Add(dateKey, reading, result);
                    if (++counted % TellEvery == 0)
                        self.Progress({0, 2, counted});
                    return !self.Cancelled();
                },
                error);
            if (!whole)
                return std::nullopt;
            g.figures = tally.Figures();
            self.Progress({1, 2, counted});
            // The first records in the order the table lists them.
            std::optional<QVector<ArchivedRecord>> first =
                store.Page(query, sort, 0, ReportRecordLimit, error);
            if (!first)
                return std::nullopt;
            g.records.reserve(first->size());
            for (const ArchivedRecord &r : *first)
                g.records.append(r.cells);
            // The fingerprint of the selection the report ends with.
            std::optional<SelectionSeal> seal = store.Seal(query, error);
            if (!seal)
                return std::nullopt;
            g.seal = std::move(*seal);
            return g;
        },
        [this, run, query = selection.query](ArchiveResult<Gathered> gathered) {
            if (run == FRun && FStage == Stage::Gathering)
                Gotten(std::move(gathered), query);
        },
        [this, run](const ArchiveProgress &progress) {
            if (run == FRun && FStage == Stage::Gathering)
                Told(progress);
        });
    // The window holds no more connections than it needs.
    FWorker->Close();
}

void TReportRun::Gotten(ArchiveResult<Gathered> gathered, const ArchiveQuery &query)
{
    if (!gathered) {
        Ended(gathered.error.code == ArchiveErrorCode::Cancelled
                  ? QString()
                  : ArchiveErrorText(gathered.error));
        return;
    }
    ReportInput input;
    input.allTesters = !query.testerId;
    for (const ArchiveTester &t : gathered->site.testers)
        if (!query.testerId || t.id == *query.testerId)
            input.testers.append({t.serialNumber, t.softwareVersion, t.lastCalibration});
    input.calibrationMonths = gathered->site.calibrationMonths;
    input.criteria = query.criteria;
    input.figures = std::move(gathered->figures);
    input.records = std::move(gathered->records);
    input.fingerprint = QString::fromLatin1(gathered->seal.fingerprint);
    input.seal = std::move(gathered->seal);
    input.made = QDateTime::currentDateTime();
    FInput = std::move(input);
    // The chart as the window shows it, once it has what it reads.
    if (FChart->Loading()) {
        FStage = Stage::WaitingForChart;
        FBox->setLabelText(QStringLiteral("Reading the chart ..."));
        FBar->setRange(0, 0);
        return;
    }
    Make();
}

void TReportRun::Make()
{
    FStage = Stage::Making;
    ReportInput input = std::move(*FInput);
    FInput.reset();
    const TReadingChart *chart = FChart->Chart1;
    input.chart = chart->Data();
    if (chart->Zoomed())
        input.chartView = chart->View();
    input.chartTitle = chart->Title();
    FBox->setLabelText(QStringLiteral("Making the report ..."));
    FBar->setRange(0, 0);
    if (FPrinter)
        FJob->Print(std::move(input), FPrinter.get());
    else
        FJob->Save(std::move(input), FPath);
}

void TReportRun::Told(const ArchiveProgress &progress)
{
    const qint64 done = std::min(progress.records, FRecords);
    FBox->setLabelText(progress.part == 0
                           ? QStringLiteral("Reading the records ...\n%1 of %2 records")
                                 .arg(GroupedCount(done), GroupedCount(FRecords))
                           : QStringLiteral("Reading the first records ..."));
    FBar->setValue(BarValue(done));
}

void TReportRun::Pages(int done, int pages)
{
    if (FStage != Stage::Making)
        return;
    FBox->setLabelText(QStringLiteral("Making the report ...\npage %1 of %2")
                           .arg(GroupedCount(done), GroupedCount(pages)));
    FBar->setRange(0, pages);
    FBar->setValue(done);
}

void TReportRun::Ended(const QString &failure)
{
    FStage = Stage::Idle;
    FBox.reset();
    FBar = nullptr;
    FInput.reset();
    FPrinter.reset();
    if (!failure.isEmpty())
        ApplicationMessageBox(QStringLiteral("Report not made : ") + failure,
                              QString::fromLatin1(CapFailure));
    emit Finished();
}
