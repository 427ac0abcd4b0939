#include "archive/Archive.h"

#include "archive/archiveimport.h"
#include "archive/archivemodel.h"
#include "archive/chartloader.h"
#include "archive/readingchart.h"
#include "archive/testerlist.h"
#include "kit/cspinedit.h"
#include "kit/hourglasscursor.h"
#include "kit/messagebox.h"
#include "kit/printdialog.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "records/Serch1.h"
#include "records/data/datafile.h"
#include "records/data/recordvalues.h"
#include "records/data/searchfilter.h"
#include "records/recordactions.h"
#include "tester/mainstate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

TFormArchive *FormArchive = nullptr;

namespace {
const QString Failure = QString::fromLatin1(CapFailure);
const char MsgTooManyRecords[] = "Too Many Data (more than 1,000,000 records) !!!";
constexpr int ClientWidth = 1180;
constexpr int ClientHeight = 690;

QTableView *SetUpTable(QTableView *table, const QRect &place, const QVector<int> &widths)
{
    table->setGeometry(place);
    SetFontPixels(table, 11, QStringLiteral("Tahoma"));
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(24);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->horizontalHeader()->setFixedHeight(24);
    table->horizontalHeader()->setHighlightSections(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setWordWrap(false);
    for (int col = 0; col < widths.size(); ++col)
        table->setColumnWidth(col, widths[col]);
    return table;
}

} // namespace

TFormArchive::TFormArchive(QWidget *parent)
    : TForm(parent, QStringLiteral("Archive"), ClientWidth, ClientHeight),
      FChartLoader(new TChartLoader(this))
{
    SetBackground(this, QColor(192, 192, 192));

    auto *toolBar1 = new QFrame(this);
    toolBar1->setGeometry(0, 0, ClientWidth, 75);
    BitBtn1 = RecordToolButton(toolBar1, 10, 4, 100, "save", "save");
    BitBtn2 = RecordToolButton(toolBar1, 120, 4, 100, "excel", "excel");
    BitBtn3 = RecordToolButton(toolBar1, 230, 4, 100, "print", "print");
    BitBtn4 = RecordToolButton(toolBar1, 340, 4, 100, "import", "import");
    BitBtn5 = RecordToolButton(toolBar1, 450, 4, 100, "refresh", "refresh");
    BitBtn6 = RecordToolButton(toolBar1, 560, 4, 100, "result_exit", "exit");

    Label4 = HeadingLabel(this, QStringLiteral("Testers :"), {8, 80, 185, 25});

    StringGrid1 = new QTableWidget(0, RecordColumns, this);
    StringGrid1->setHorizontalHeaderLabels(TesterHeadings());
    SetUpTable(StringGrid1, {8, 106, 600, 170}, {100, 112, 68, 95, 95, 118});

    Label5 = new QLabel(this);
    Label5->setGeometry(8, 282, 600, 22);
    SetFontPixels(Label5, 13);
    Records = new TArchiveModel(this);
    Records->OnReadFailure = [this](const QString &reason) { Fail(reason); };
    StringGrid2 = new QTableView(this);
    StringGrid2->setModel(Records);
    SetUpTable(StringGrid2, {8, 306, 600, 376}, {80, 98, 98, 98, 98, 98});

    CreateFilter();
    CreateChart();
    CreateSite();

    OpenDialog1 = {FileDialogKind::OpenMany, QStringLiteral("DAT"),
                   QStringLiteral("Kestrune data File [*.dat]|*.DAT"), this};
    SaveDialog1 = DataFileSaveDialog(this);
    SaveDialog2 = ExportDialog(this);
    SaveDialog3 = {FileDialogKind::Save, QStringLiteral("png"),
                   QStringLiteral("PNG picture (*.png)|*.png|PDF document (*.pdf)|*.pdf"), this};

    OnClick(BitBtn1, [this] { BitBtn1Click(); });
    OnClick(BitBtn2, [this] { BitBtn2Click(); });
    OnClick(BitBtn3, [this] { BitBtn3Click(); });
    OnClick(BitBtn4, [this] { BitBtn4Click(); });
    OnClick(BitBtn5, [this] { BitBtn5Click(); });
    OnClick(BitBtn6, [this] { BitBtn6Click(); });
    connect(StringGrid1, &QTableWidget::itemSelectionChanged, this,
            [this] { RunGuarded([this] { StringGrid1SelectionChange(); }); });
    connect(StringGrid2->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int col) { RunGuarded([this, col] { StringGrid2HeadingClick(col); }); });
    connect(FChartLoader, &TChartLoader::Loaded, this, &TFormArchive::ChartLoaded);
    CloseOnEscape({BitBtn1,   BitBtn2,     BitBtn3,     BitBtn4,   BitBtn5,
                   BitBtn6,   StringGrid1, StringGrid2, CheckBox1, CheckBox2,
                   CheckBox3, CheckBox4,   Edit1,       Edit2,     Edit3,
                   Edit4,     ComboBox1,   ComboBox2,   ComboBox3, ComboBox4,
                   ComboBox5, Button1,     Button2,     Button3,   Chart1,
                   Button4,   Button5,     Button6,     CheckBox5, CSpinEdit1->Editor()});

    FormCreate();
}

TFormArchive::~TFormArchive() = default;

void TFormArchive::CreateChart()
{
    Label6 = new QLabel(QStringLiteral("Chart in :"), this);
    Label6->setGeometry(620, 282, 70, 22);
    SetFontPixels(Label6, 13);
    ComboBox5 = new QComboBox(this);
    ComboBox5->setGeometry(690, 282, 100, 22);
    FillUnitList(ComboBox5);
    ComboBox5->setCurrentIndex(BacUnit);
    Button2 = new QPushButton(QStringLiteral("Save Chart"), this);
    Button2->setGeometry(972, 280, 96, 26);
    Button3 = new QPushButton(QStringLiteral("Print Chart"), this);
    Button3->setGeometry(1076, 280, 96, 26);
    Chart1 = new TReadingChart(this);
    Chart1->setGeometry(620, 310, 552, 372);
    for (QPushButton *button : {Button1, Button2, Button3})
        button->setAutoDefault(false);

    connect(ComboBox5, &QComboBox::activated, this,
            [this] { RunGuarded([this] { ComboBox5Change(); }); });
    OnClick(Button2, [this] { Button2Click(); });
    OnClick(Button3, [this] { Button3Click(); });
}

void TFormArchive::FormCreate()
{
    const TWindowPosition place = WindowPositions[2];
    if (place.Left == 0 && place.Top == 0) {
        // Never placed yet (the entry was spare): centred on the desktop.
        const QScreen *screen = QGuiApplication::primaryScreen();
        const QRect desk = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
        move((desk.width() - ClientWidth) / 2, (desk.height() - ClientHeight) / 2);
    } else {
        move(place.Left, place.Top);
    }
    FormShow();
    Chart1->SetMessage(QString());
    Label5->clear();
}

void TFormArchive::FormShow()
{
    // Each showing starts without a filter, as the search dialog does, and
    // with all testers listed.
    ResetInputs();
    CheckBox5->setChecked(false);
    if (isVisible())
        Refresh();
}

void TFormArchive::FormClose()
{
    WindowPositions[2] = {x(), y()};
    if (FImporting)
        return;
    // A hidden window holds no records, points or connection.
    Records->Clear();
    Chart1->SetMessage(QString());
    FStore.reset();
}

bool TFormArchive::OpenStore()
{
    if (FStore)
        return true;
    QString error;
    FLocation = ChosenArchiveLocation(&error);
    if (error.isEmpty())
        FStore = ArchiveStore::Open(FLocation, &error);
    if (!FStore)
        Fail(error);
    return FStore != nullptr;
}

void TFormArchive::Fail(const QString &reason)
{
    ApplicationMessageBox(reason, Failure);
}

void TFormArchive::Refresh()
{
    // Opened anew: another database may have been chosen, or a server that
    // went away may be back.
    HourglassCursor hourglass(this);
    Records->Clear();
    Label5->clear();
    FStore.reset();
    QString error;
    std::optional<QVector<ArchiveTester>> testers;
    if (OpenStore()) {
        const std::optional<int> months = FStore->CalibrationMonths(&error);
        if (months)
            testers = FStore->Testers(&error);
        if (!testers)
            Fail(error);
        FCalibrationMonths = months.value_or(DefaultCalibrationMonths);
    }
    ShowDatabase();
    FTesters = testers.value_or(QVector<ArchiveTester>());
    ShowTesters();
    if (!testers) {
        Chart1->SetMessage(QString());
        return;
    }
    ShowSelection();
}

void TFormArchive::ShowTesters()
{
    const QSignalBlocker quiet(StringGrid1);
    const TesterListView view{FCalibrationMonths, QDate::currentDate(), CheckBox5->isChecked()};
    FListed = ListedTesters(FTesters, view);
    const GridRows rows = TesterRows(FTesters, view);
    StringGrid1->setRowCount(int(rows.size()));
    int select = 0;
    for (int r = 0; r < rows.size(); ++r) {
        for (int c = 0; c < RecordColumns; ++c) {
            auto *item = new QTableWidgetItem(rows[r].value(c));
            item->setTextAlignment(Qt::AlignCenter);
            StringGrid1->setItem(r, c, item);
        }
        if (r > 0 && rows[r][1].endsWith(QLatin1String(CalibrationDueMark)))
            StringGrid1->item(r, 1)->setForeground(Qt::red);
        if (r > 0 && FTesterId && FListed[r - 1].id == *FTesterId)
            select = r;
    }
    // A tester no longer there leaves all testers selected.
    if (select == 0)
        FTesterId.reset();
    StringGrid1->selectRow(select);
}

void TFormArchive::SelectTester(int row)
{
    StringGrid1->selectRow(row);
}

void TFormArchive::StringGrid1SelectionChange()
{
    const int row = StringGrid1->currentRow();
    if (row > 0 && row <= FListed.size())
        FTesterId = FListed[row - 1].id;
    else
        FTesterId.reset();
    ShowSelection();
}

void TFormArchive::ShowSelection()
{
    if (!FStore)
        return;
    HourglassCursor hourglass(StringGrid2);
    QString error;
    if (!Records->Show(FStore.get(), Query(), FSort, &error)) {
        Label5->clear();
        Chart1->SetMessage(QString());
        Fail(error);
        return;
    }
    Label5->setText(GroupedCount(Records->Records()) + QStringLiteral(" records"));
    StringGrid2->scrollToTop();
    LoadChart();
}

void TFormArchive::Button1Click()
{
    ShowSelection();
}

void TFormArchive::StringGrid2HeadingClick(int col)
{
    // As in the results window: a new column starts ascending, the same
    // column again turns the order round.
    FSort = {col, FSort.column == col ? !FSort.ascending : true};
    ShowSelection();
}

QString TFormArchive::ChartUnit()
{
    // A reading filter names the unit; else the operator's choice; else
    // the unit of the selection's first record.
    QString unit = ComboBox5->currentText();
    if (CheckBox3->isChecked()) {
        unit = ComboBox3->currentText();
    } else if (!FUnitChosen) {
        const ArchivedRecord *first = Records->Record(0);
        const QString firstUnit = first ? ReadingUnit(first->cells.value(3)).toString() : QString();
        if (ComboBox5->findText(firstUnit) >= 0)
            unit = firstUnit;
    }
    ComboBox5->setCurrentIndex(ComboBox5->findText(unit));
    ComboBox5->setEnabled(!CheckBox3->isChecked());
    return unit;
}

void TFormArchive::LoadChart()
{
    if (Records->Records() == 0) {
        Chart1->SetMessage(QStringLiteral("No records"));
        return;
    }
    const QString unit = ChartUnit();
    Chart1->SetMessage(QStringLiteral("Reading the chart ..."));
    FChartLoader->Load(FLocation, Records->Query(), unit);
}

bool TFormArchive::ChartLoading() const
{
    return FChartLoader->Busy();
}

void TFormArchive::ChartLoaded(const QVector<PlotPoint> &points, const QString &unit,
                               const QString &error)
{
    // Loaded for a window that has been closed since: nothing to show.
    if (!isVisible())
        return;
    if (!error.isEmpty()) {
        Chart1->SetMessage(error);
        Fail(error);
    } else if (points.isEmpty()) {
        Chart1->SetMessage(QStringLiteral("No readings in ") + unit.trimmed());
    } else {
        Chart1->SetPoints(points, unit);
    }
}

void TFormArchive::ComboBox5Change()
{
    FUnitChosen = true;
    LoadChart();
}

QStringList TFormArchive::SelectionDeviceInfo() const
{
    for (const ArchiveTester &t : FTesters)
        if (FTesterId && t.id == *FTesterId && !t.deviceInfo.isEmpty())
            return t.deviceInfo;
    // Records of several testers: the device lines carry no values.
    return ShownDeviceInfoHeadings();
}

std::optional<GridRows> TFormArchive::SelectionRows()
{
    const qint64 count = Records->Records();
    if (count == 0) {
        Fail(QString::fromLatin1(MsgNoData));
        return std::nullopt;
    }
    // No more than a data file may hold: the program could not read it back.
    if (count > DataFileMaxRecords) {
        Fail(QString::fromLatin1(MsgTooManyRecords));
        return std::nullopt;
    }
    HourglassCursor hourglass(this);
    QString error;
    std::optional<GridRows> rows = Records->AllRows(&error);
    if (!rows)
        Fail(error);
    return rows;
}

void TFormArchive::BitBtn1Click()
{
    if (const std::optional<GridRows> rows = SelectionRows())
        WriteRecordFile(this, SaveDialog1, *rows, QLatin1Char(','), MsgOwner::Application,
                        SelectionDeviceInfo());
}

void TFormArchive::BitBtn2Click()
{
    if (const std::optional<GridRows> rows = SelectionRows())
        WriteRecordFile(this, SaveDialog2, *rows, QLatin1Char('\t'), MsgOwner::Application,
                        SelectionDeviceInfo());
}

void TFormArchive::BitBtn3Click()
{
    if (const std::optional<GridRows> rows = SelectionRows())
        PrintResultRecords(this, *rows, SelectionDeviceInfo());
}

void TFormArchive::BitBtn4Click()
{
    const QStringList paths = ExecuteOpenFilesDialog(OpenDialog1);
    if (paths.isEmpty() || !OpenStore())
        return;
    QProgressDialog progress(QString(), QStringLiteral("Cancel"), 0, int(paths.size()), this);
    progress.setWindowTitle(QStringLiteral("Import"));
    progress.setWindowModality(Qt::ApplicationModal);
    progress.setMinimumDuration(300);
    progress.setMinimumWidth(420);
    FImporting = true;
    const ImportSummary summary =
        ImportDataFiles(*FStore, paths, [&](int file, int files, qint64 records) {
            progress.setLabelText(
                QStringLiteral("File %1 of %2 : %3\n%4 records")
                    .arg(file + 1)
                    .arg(files)
                    .arg(QFileInfo(paths.value(file)).fileName(), GroupedCount(records)));
            progress.setValue(file);
            QCoreApplication::processEvents();
            return !progress.wasCanceled();
        });
    FImporting = false;
    progress.reset();
    const bool whole = summary.refused.isEmpty() && !summary.cancelled;
    ApplicationMessageBox(ImportSummaryText(summary),
                          QString::fromLatin1(whole ? CapCompletion : CapFailure));
    if (isVisible())
        Refresh();
    else
        FormClose();
}

void TFormArchive::BitBtn5Click()
{
    Refresh();
}

void TFormArchive::BitBtn6Click()
{
    close();
}

void TFormArchive::Button2Click()
{
    if (Chart1->Points().isEmpty()) {
        Fail(QString::fromLatin1(MsgNoData));
        return;
    }
    const QString path = AskSavePath(this, SaveDialog3, MsgOwner::Application);
    QString error;
    if (!path.isEmpty() && !Chart1->SaveTo(path, &error))
        Fail(QStringLiteral("Cannot save ") + error);
}

void TFormArchive::Button3Click()
{
    if (Chart1->Points().isEmpty()) {
        Fail(QString::fromLatin1(MsgNoData));
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageOrientation(QPageLayout::Landscape);
    if (ExecutePrintDialog(printer, this) && !Chart1->PrintOn(printer))
        Fail(QString::fromLatin1(MsgPrinterUnusable));
}
