#include "archive/chartpane.h"

#include "archive/archivewords.h"
#include "archive/chartloader.h"
#include "archive/readingchart.h"
#include "kit/form.h"
#include "kit/messagebox.h"
#include "kit/printdialog.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "records/data/recordvalues.h"
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
} // namespace

TChartPane::TChartPane(QWidget *window)
    : QObject(window), FWindow(window), FLoader(new TChartLoader(this))
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
                      const std::optional<QString> &filterUnit, const QString &firstReading)
{
    FLast = {where, query, records, filterUnit, firstReading};
    LoadLast();
}

void TChartPane::Clear()
{
    Chart1->SetMessage(QString());
}

bool TChartPane::Loading() const
{
    return FLoader->Busy();
}

QString TChartPane::ChartUnit()
{
    // A reading filter names the unit; else the operator's choice; else
    // the unit of the selection's first record.
    QString unit = ComboBox5->currentText();
    const bool filtered = FLast.filterUnit.has_value();
    if (filtered) {
        unit = *FLast.filterUnit;
    } else if (!FUnitChosen) {
        const QString firstUnit = ReadingUnit(FLast.firstReading).toString();
        if (ComboBox5->findText(firstUnit) >= 0)
            unit = firstUnit;
    }
    ComboBox5->setCurrentIndex(ComboBox5->findText(unit));
    ComboBox5->setEnabled(!filtered);
    return unit;
}

void TChartPane::LoadLast()
{
    if (FLast.records == 0) {
        Chart1->SetMessage(QStringLiteral("No records"));
        return;
    }
    const QString unit = ChartUnit();
    Chart1->SetMessage(QStringLiteral("Reading the chart ..."));
    FLoader->Load(FLast.where, FLast.query, unit);
}

void TChartPane::Loaded(const QVector<PlotPoint> &points, const QString &unit,
                        const ArchiveError &error)
{
    // Loaded for a window that has been closed since: nothing to show.
    if (!FWindow->isVisible())
        return;
    if (error.Failed()) {
        Chart1->SetMessage(ArchiveErrorText(error));
        Fail(ArchiveErrorText(error));
    } else if (points.isEmpty()) {
        Chart1->SetMessage(QStringLiteral("No readings in ") + unit.trimmed());
    } else {
        Chart1->SetPoints(points, unit);
    }
}

void TChartPane::ComboBox5Change()
{
    FUnitChosen = true;
    LoadLast();
}

void TChartPane::Button2Click()
{
    if (Chart1->Points().isEmpty()) {
        Fail(QString::fromLatin1(MsgNoData));
        return;
    }
    const QString path = AskSavePath(FWindow, SaveDialog3, MsgOwner::Application);
    QString error;
    if (!path.isEmpty() && !Chart1->SaveTo(path, &error))
        Fail(QStringLiteral("Cannot save ") + error);
}

void TChartPane::Button3Click()
{
    if (Chart1->Points().isEmpty()) {
        Fail(QString::fromLatin1(MsgNoData));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (ExecutePrintDialog(printer, FWindow) && !Chart1->PrintOn(printer))
        Fail(QString::fromLatin1(MsgPrinterUnusable));
}
