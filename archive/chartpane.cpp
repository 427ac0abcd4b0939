#include "archive/chartpane.h"

#include "archive/archivewords.h"
#include "archive/chartloader.h"
#include "archive/chartunitfile.h"
#include "archive/readingchart.h"
#include "archive/selectionwords.h"
#include "archive/store/archiveplaces.h"
#include "archive/store/archiveworker.h"
#include "archive/verifywords.h"
#include "kit/form.h"
#include "kit/messagebox.h"
#include "kit/printdialog.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "records/data/searchfilter.h"
#include "records/recordactions.h"
#include "records/searchinputs.h"

#include <QComboBox>
#include <QLabel>
#include <QPrinter>
#include <QPushButton>

namespace {
void Fail(const QString &reason)
{
    ApplicationMessageBox(reason, QString::fromLatin1(CapFailure));
}

// The same records of the same archive.
bool SameSelection(const ArchiveLocation &where, const ArchiveQuery &query,
                   const ArchiveLocation &before, const ArchiveQuery &queryBefore)
{
    return SamePlace(where, before) && query.testerId == queryBefore.testerId &&
           query.criteria == queryBefore.criteria;
}
} // namespace

TChartPane::TChartPane(QWidget *window, const QString &dir, ArchiveWorker *worker)
    : QObject(window), FWindow(window), FDir(dir), FWorker(worker), FLoader(new TChartLoader(this)),
      FPicked(ReadChartUnit(dir))
{
    Label6 = new QLabel(QStringLiteral("Chart in :"), window);
    SetFontPixels(Label6, 13);
    ComboBox5 = new QComboBox(window);
    FillUnitList(ComboBox5);
    ComboBox5->setCurrentIndex(BacUnit);
    Button2 = new QPushButton(QStringLiteral("Save Chart"), window);
    Button3 = new QPushButton(QStringLiteral("Print Chart"), window);
    Chart1 = new TReadingChart(window);
    for (QPushButton *button : {Button2, Button3})
        button->setAutoDefault(false);
    SaveDialog3 = {FileDialogKind::Save, QStringLiteral("png"),
                   QStringLiteral("PNG picture (*.png)|*.png|PDF document (*.pdf)|*.pdf"), window};

    connect(ComboBox5, &QComboBox::activated, this,
            [this] { RunGuarded([this] { ComboBox5Change(); }); });
    OnClick(Button2, [this] { Button2Click(); });
    OnClick(Button3, [this] { Button3Click(); });
    connect(FLoader, &TChartLoader::Loaded, this, &TChartPane::Loaded);
}

void TChartPane::Load(const ArchiveLocation &where, const ArchiveQuery &query, qint64 records,
                      const QString &tester)
{
    // Sorted anew, or refreshed: a unit picked for it still holds.
    FPickedHere = FPickedHere && SameSelection(where, query, FLast.where, FLast.query);
    FLast = {where, query, records, SelectionChartTitle(tester, query.criteria)};
    LoadLast();
}

void TChartPane::Clear()
{
    FPickedHere = false;
    Chart1->SetMessage(QString());
}

bool TChartPane::Loading() const
{
    return FLoader->Busy();
}

void TChartPane::LoadLast()
{
    const SearchCriteria &criteria = FLast.query.criteria;
    // A reading filter names the unit: there is no other to choose.
    ComboBox5->setEnabled(!criteria.byReading);
    if (criteria.byReading)
        ComboBox5->setCurrentIndex(ComboBox5->findText(criteria.unit));
    if (FLast.records == 0) {
        Chart1->SetMessage(QStringLiteral("No records"));
        emit Shown();
        return;
    }
    Chart1->SetMessage(QStringLiteral("Reading the chart ..."));
    const ChartUnitChoice choice{criteria.byReading ? std::optional<QString>(criteria.unit)
                                                    : std::nullopt,
                                 FPicked, !FPickedHere};
    FLoader->Load(FLast.where, FLast.query, choice);
}

void TChartPane::Loaded(const ChartData &data, const ArchiveError &error)
{
    // Loaded for a window that has been closed since: nothing to show.
    if (!FWindow->isVisible())
        return;
    if (error.Failed()) {
        Chart1->SetMessage(ArchiveErrorText(error));
        emit Shown();
        Fail(ArchiveErrorText(error));
        return;
    }
    ComboBox5->setCurrentIndex(ComboBox5->findText(data.unit));
    Chart1->SetData(data);
    Chart1->SetTitle(FLast.title);
    emit Shown();
}

void TChartPane::ComboBox5Change()
{
    FPicked = ComboBox5->currentText();
    FPickedHere = true;
    // Not kept for the next start when the start directory cannot be
    // written: this run still shows it, and nothing else depends on it.
    QString unkept;
    WriteChartUnit(FDir, *FPicked, &unkept);
    LoadLast();
}

void TChartPane::Button2Click()
{
    if (Chart1->Points().isEmpty()) {
        Fail(QString::fromLatin1(MsgNoData));
        return;
    }
    if (FSealing)
        return;
    const QString path = AskSavePath(FWindow, SaveDialog3, MsgOwner::Application);
    if (path.isEmpty())
        return;
    // The chart as it is now, whatever the window shows by the time the
    // seal is read.
    const auto save = [path, chart = Chart1->Printout()](const QStringList &seal) {
        ChartPrintout sealed = chart;
        sealed.closing = seal;
        QString error;
        return SaveChart(sealed, path, &error) ? QString() : QStringLiteral("Cannot save ") + error;
    };
    // A picture is the chart alone.
    if (IsChartDocument(path))
        Sealed(save);
    else if (const QString failure = save({}); !failure.isEmpty())
        Fail(failure);
}

void TChartPane::Button3Click()
{
    if (Chart1->Points().isEmpty()) {
        Fail(QString::fromLatin1(MsgNoData));
        return;
    }
    if (FSealing)
        return;
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    printer->setPageOrientation(QPageLayout::Landscape);
    if (!ExecutePrintDialog(*printer, FWindow))
        return;
    Sealed([printer, chart = Chart1->Printout()](const QStringList &seal) {
        ChartPrintout sealed = chart;
        sealed.closing = seal;
        return PrintChart(sealed, *printer) ? QString() : QString::fromLatin1(MsgPrinterUnusable);
    });
}

void TChartPane::Sealed(std::function<QString(const QStringList &seal)> write)
{
    StartHourglass(FSealing, FWindow);
    FWorker->Run(
        this,
        [query = FLast.query](ArchiveStore &store, const ArchiveJob &, ArchiveError *error) {
            return store.Seal(query, error);
        },
        [this, write = std::move(write)](const ArchiveResult<SelectionSeal> &seal) {
            const QString failure = seal ? write(SelectionSealLines(*seal))
                                    : seal.error.code == ArchiveErrorCode::Cancelled
                                        ? QString()
                                        : ArchiveErrorText(seal.error);
            FSealing.reset();
            if (!failure.isEmpty())
                Fail(failure);
        });
}
