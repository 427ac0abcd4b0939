#include "archive/Archive.h"

#include "archive/Database.h"
#include "archive/archivemodel.h"
#include "archive/archivewords.h"
#include "archive/chartpane.h"
#include "archive/importprogress.h"
#include "archive/readingchart.h"
#include "archive/retention.h"
#include "archive/selectionfile.h"
#include "archive/selectionprogress.h"
#include "archive/store/archivechoice.h"
#include "archive/testerlist.h"
#include "kit/cspinedit.h"
#include "kit/hourglasscursor.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "records/data/datafile.h"
#include "records/data/searchfilter.h"
#include "records/datelist.h"
#include "records/recordactions.h"
#include "tester/mainstate.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

#include <algorithm>

TFormArchive *FormArchive = nullptr;

struct TFormArchive::Site
{
    int months = DefaultCalibrationMonths;
    QVector<ArchiveTester> testers;
};

namespace {
const char MsgTooManyRecords[] = "Too Many Data (more than 1,000,000 records) !!!";
constexpr int ClientWidth = 1180;
constexpr int ClientHeight = 690;
// Where the dialogs of the toolbar's right end come up.
constexpr int DialogLeft = 620;
constexpr int DialogTop = 80;

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

// Starts the hourglass over control unless it runs already.
void Hourglass(std::optional<HourglassCursor> &hourglass, QWidget *control)
{
    if (!hourglass)
        hourglass.emplace(control);
}

} // namespace

TFormArchive::TFormArchive(QWidget *parent)
    : TForm(parent, QStringLiteral("Archive"), ClientWidth, ClientHeight),
      FWorker(new ArchiveWorker(this)), FImport(new TImportProgress(FWorker, this)),
      FWritingProgress(new TSelectionProgress(this))
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

    CreateTables();
    CreateFilter();
    CreateChart();
    CreateSite();

    OpenDialog1 = {FileDialogKind::OpenMany, QStringLiteral("DAT"),
                   QStringLiteral("Kestrune data File [*.dat]|*.DAT"), this};
    SaveDialog1 = DataFileSaveDialog(this);
    SaveDialog2 = WorkbookExportDialog(this);

    OnClick(BitBtn1, [this] { BitBtn1Click(); });
    OnClick(BitBtn2, [this] { BitBtn2Click(); });
    OnClick(BitBtn3, [this] { BitBtn3Click(); });
    OnClick(BitBtn4, [this] { BitBtn4Click(); });
    OnClick(BitBtn5, [this] { BitBtn5Click(); });
    OnClick(BitBtn6, [this] { BitBtn6Click(); });
    CloseOnEscape({BitBtn1,   BitBtn2,     BitBtn3,     BitBtn4,   BitBtn5,
                   BitBtn6,   StringGrid1, StringGrid2, CheckBox1, CheckBox2,
                   CheckBox3, CheckBox4,   Edit1,       Edit2,     Edit3,
                   Edit4,     ComboBox1,   ComboBox2,   ComboBox3, ComboBox4,
                   ComboBox5, Button1,     Button2,     Button3,   Chart1,
                   Button4,   Button5,     Button6,     CheckBox5, CSpinEdit1->Editor()});

    FormCreate();
}

TFormArchive::~TFormArchive()
{
    // An import in hand leaves its file untouched; what else was asked for
    // ends before the worker goes.
    FImport->Cancel();
}

void TFormArchive::CreateTables()
{
    Label4 = HeadingLabel(this, QStringLiteral("Testers :"), {8, 80, 185, 25});

    StringGrid1 = new QTableWidget(0, RecordColumns, this);
    StringGrid1->setHorizontalHeaderLabels(TesterHeadings());
    SetUpTable(StringGrid1, {8, 106, 600, 170}, {100, 112, 68, 95, 95, 118});

    Label5 = new QLabel(this);
    Label5->setGeometry(8, 282, 600, 22);
    SetFontPixels(Label5, 13);
    Records = new TArchiveModel(FWorker, this);
    Records->OnShown = [this](const ArchiveError &error) { SelectionShown(error); };
    Records->OnReadFailure = [this](const ArchiveError &error) { Fail(error); };
    StringGrid2 = new QTableView(this);
    StringGrid2->setModel(Records);
    SetUpTable(StringGrid2, {8, 306, 600, 376}, {80, 98, 98, 98, 98, 98});

    connect(StringGrid1, &QTableWidget::itemSelectionChanged, this,
            [this] { RunGuarded([this] { StringGrid1SelectionChange(); }); });
    connect(StringGrid2->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int col) { RunGuarded([this, col] { StringGrid2HeadingClick(col); }); });
}

void TFormArchive::CreateFilter()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Filter"), this);
    GroupBox1->setGeometry(620, 80, 552, 196);
    CreateInputs(
        GroupBox1, 28, [this] { PickDate(ComboBox1); }, [this] { PickDate(ComboBox2); });
    Button1 = new QPushButton(QStringLiteral("Apply"), GroupBox1);
    Button1->setGeometry(440, 136, 83, 33);
    Button1->setAutoDefault(false);
    // Enter in a range applies the filter.
    for (QLineEdit *e : {Edit1, Edit2, Edit3, Edit4})
        connect(e, &QLineEdit::returnPressed, this,
                [this] { RunGuarded([this] { Button1Click(); }); });
    OnClick(CheckBox2, [this] { CheckBox2Click(); });
    OnClick(Button1, [this] { Button1Click(); });
}

void TFormArchive::CreateChart()
{
    FChart = new TChartPane(this);
    Label6 = FChart->Label6;
    ComboBox5 = FChart->ComboBox5;
    Button2 = FChart->Button2;
    Button3 = FChart->Button3;
    Chart1 = FChart->Chart1;
}

void TFormArchive::CreateSite()
{
    QWidget *toolBar1 = BitBtn1->parentWidget();
    Label7 = new QLabel(toolBar1);
    Label7->setGeometry(676, 8, 372, 60);
    Label7->setWordWrap(true);
    Label7->setTextFormat(Qt::PlainText);
    SetFontPixels(Label7, 13);
    Button4 = new QPushButton(QStringLiteral("Database…"), toolBar1);
    Button4->setGeometry(1056, 6, 116, 30);
    Button5 = new QPushButton(QStringLiteral("Delete Old…"), toolBar1);
    Button5->setGeometry(1056, 40, 116, 30);

    CheckBox5 = new QCheckBox(QStringLiteral("Due only"), this);
    CheckBox5->setGeometry(110, 82, 90, 21);
    Label8 = new QLabel(QStringLiteral("Calibration every"), this);
    Label8->setGeometry(292, 84, 112, 18);
    CSpinEdit1 = new TCSpinEdit(this);
    CSpinEdit1->setGeometry(406, 82, 56, 22);
    CSpinEdit1->SetRange(MinCalibrationMonths, MaxCalibrationMonths);
    CSpinEdit1->SetValue(DefaultCalibrationMonths);
    Label9 = new QLabel(QStringLiteral("months"), this);
    Label9->setGeometry(468, 84, 60, 18);
    Button6 = new QPushButton(QStringLiteral("Set"), this);
    Button6->setGeometry(540, 80, 68, 25);
    for (QWidget *w : {static_cast<QWidget *>(CheckBox5), static_cast<QWidget *>(Label8),
                       static_cast<QWidget *>(Label9), static_cast<QWidget *>(Button4),
                       static_cast<QWidget *>(Button5), static_cast<QWidget *>(Button6)})
        SetFontPixels(w, 13);
    for (QPushButton *button : {Button4, Button5, Button6})
        button->setAutoDefault(false);

    FRetention = new TRetention(FWorker, Button5);

    OnClick(Button4, [this] { Button4Click(); });
    OnClick(Button5, [this] { Button5Click(); });
    OnClick(Button6, [this] { Button6Click(); });
    OnClick(CheckBox5, [this] { CheckBox5Click(); });
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
    FChart->Clear();
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
    if (FImport->Running())
        return;
    // A hidden window holds no records, points or connection, and waits for
    // nothing: what it read is dropped, what it changes is still changed.
    ++FRefreshes;
    FOpen = false;
    Records->Clear();
    FChart->Clear();
    FWriting.reset();
    FWritingJob.Cancel();
    FWritingProgress->Finish();
    FWorker->Close();
    for (auto *hourglass : {&FRefreshing, &FSelecting, &FSetting})
        hourglass->reset();
    FRetention->Forget();
}

bool TFormArchive::Reading() const
{
    return FWorker->Busy();
}

bool TFormArchive::Busy() const
{
    return Reading() || ChartLoading() || FImport->Running();
}

bool TFormArchive::Located()
{
    if (!FLocationError.Failed())
        return true;
    // The choice could not be read at the last refresh: it is read again.
    FLocation = ChosenArchiveLocationIn(StartDirectory, &FLocationError);
    if (FLocationError.Failed()) {
        Fail(FLocationError);
        return false;
    }
    FWorker->Open(FLocation);
    return true;
}

void TFormArchive::Fail(const QString &reason)
{
    ApplicationMessageBox(reason, QString::fromLatin1(CapFailure));
}

void TFormArchive::Fail(const ArchiveError &error)
{
    Fail(ArchiveErrorText(error));
}

void TFormArchive::Refresh()
{
    // Opened anew: another database may have been chosen, or a server that
    // went away may be back.
    const quint64 refresh = ++FRefreshes;
    Records->Clear();
    FSelecting.reset();
    Label5->clear();
    FOpen = false;
    FLocation = ChosenArchiveLocationIn(StartDirectory, &FLocationError);
    ShowDatabase();
    if (FLocationError.Failed()) {
        Refreshed({std::nullopt, FLocationError});
        return;
    }
    Hourglass(FRefreshing, this);
    FWorker->Open(FLocation);
    FWorker->Run(
        this,
        [](ArchiveStore &store, const ArchiveJob &, ArchiveError *error) -> std::optional<Site> {
            const std::optional<int> months = store.CalibrationMonths(error);
            std::optional<QVector<ArchiveTester>> testers;
            if (months)
                testers = store.Testers(error);
            if (!testers)
                return std::nullopt;
            return Site{*months, std::move(*testers)};
        },
        [this, refresh](const ArchiveResult<Site> &site) {
            if (refresh == FRefreshes)
                Refreshed(site);
        });
}

void TFormArchive::Refreshed(const ArchiveResult<Site> &site)
{
    FRefreshing.reset();
    if (!site)
        Fail(site.error);
    FCalibrationMonths = site ? site->months : DefaultCalibrationMonths;
    CSpinEdit1->SetValue(FCalibrationMonths);
    FTesters = site ? site->testers : QVector<ArchiveTester>();
    ShowTesters();
    if (!site) {
        FChart->Clear();
        return;
    }
    FOpen = true;
    ShowSelection();
}

void TFormArchive::ShowDatabase()
{
    QString where = ArchivePlaceText(FLocation);
    if (qEnvironmentVariableIsSet(ArchiveEnvironment))
        where += QStringLiteral(" (KESTRUNE_ARCHIVE)");
    Label7->setToolTip(where);
    Label7->setText(QStringLiteral("Database :\n") +
                    Label7->fontMetrics().elidedText(where, Qt::ElideMiddle, Label7->width()));
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

ArchiveQuery TFormArchive::Query() const
{
    return {FTesterId, Criteria()};
}

void TFormArchive::ShowSelection()
{
    if (!FOpen)
        return;
    Hourglass(FSelecting, StringGrid2);
    Records->Show(Query(), FSort);
}

void TFormArchive::SelectionShown(const ArchiveError &error)
{
    FSelecting.reset();
    if (error.Failed()) {
        Label5->clear();
        FChart->Clear();
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

void TFormArchive::CheckBox2Click()
{
    // The days the selection's tests span, so that narrowing starts there.
    long first = 0;
    long last = 0;
    for (const ArchiveTester &t : FTesters) {
        if (FTesterId && t.id != *FTesterId)
            continue;
        if (t.firstDateKey > 0 && (first == 0 || t.firstDateKey < first))
            first = t.firstDateKey;
        last = std::max(last, t.lastDateKey);
    }
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    const QString from = PickedDateText(first);
    const QString to = PickedDateText(last);
    DateSwitched(from.isEmpty() ? today : from, to.isEmpty() ? today : to);
}

void TFormArchive::PickDate(QComboBox *list)
{
    const QPoint at = list->mapTo(this, QPoint(0, list->height()));
    ShowOnlyItem(list, PickedDate(Left() + at.x(), Top() + at.y()));
}

void TFormArchive::LoadChart()
{
    const ArchivedRecord *first = Records->Record(0);
    FChart->Load(FLocation, Records->Query(), Records->Records(),
                 CheckBox3->isChecked() ? std::optional(ComboBox3->currentText()) : std::nullopt,
                 first ? first->cells.value(3) : QString());
}

bool TFormArchive::ChartLoading() const
{
    return FChart->Loading();
}

QString TFormArchive::SelectionTesterWords() const
{
    const std::optional<qint64> shown = Records->Query().testerId;
    for (const ArchiveTester &t : FTesters)
        if (shown && t.id == *shown)
            return t.serialNumber;
    return QLatin1String(AllTestersText);
}

QStringList TFormArchive::SelectionDeviceInfo() const
{
    for (const ArchiveTester &t : FTesters)
        if (FTesterId && t.id == *FTesterId && !t.deviceInfo.isEmpty())
            return t.deviceInfo;
    // Records of several testers: the device lines carry no values.
    return ShownDeviceInfoHeadings();
}

bool TFormArchive::SelectionWritable()
{
    const qint64 count = Records->Records();
    if (count == 0) {
        Fail(QString::fromLatin1(MsgNoData));
        return false;
    }
    // No more than a data file may hold: the program could not read it back.
    if (count > DataFileMaxRecords) {
        Fail(QString::fromLatin1(MsgTooManyRecords));
        return false;
    }
    return !FWriting;
}

void TFormArchive::WriteSelection(const FileDialogRequest &dialog, bool exported)
{
    if (!SelectionWritable())
        return;
    const QString path = AskSavePath(this, dialog, MsgOwner::Application);
    if (path.isEmpty())
        return;
    SelectionFile file;
    file.path = path;
    file.kind = exported ? ExportKindOf(path) : SelectionFileKind::DataFile;
    // A workbook says which selection it holds; a text file has the device
    // lines a data file has.
    file.headerLines = file.kind == SelectionFileKind::Workbook
                           ? SelectionHeaderLines(SelectionTesterWords(), file.query.criteria)
                           : SelectionDeviceInfo();
    file.headings = Records->Headings();
    file.query = Records->Query();
    file.sort = Records->Sort();
    file.count = Records->Records();
    // Written on the worker's thread as the records come, in one pass.
    Hourglass(FWriting, this);
    FWritingJob = FWorker->Run(
        this,
        [file](ArchiveStore &store, const ArchiveJob &self, ArchiveError *error) {
            return WriteSelectionFile(store, file, self, error);
        },
        [this](const ArchiveResult<SelectionWritten> &written) { Written(written); },
        [this](const ArchiveProgress &progress) { FWritingProgress->Told(progress); });
    FWritingProgress->Begin(exported ? QStringLiteral("Export") : QStringLiteral("Save"),
                            file.count, FWritingJob);
}

bool TFormArchive::WritingAnswered(const ArchiveError &error)
{
    FWritingProgress->Finish();
    // Closed meanwhile: the operator no longer waits for it.
    if (!FWriting)
        return false;
    FWriting.reset();
    if (error.code == ArchiveErrorCode::Cancelled)
        return false;
    if (error.Failed())
        Fail(error);
    return !error.Failed();
}

void TFormArchive::Written(const ArchiveResult<SelectionWritten> &written)
{
    if (WritingAnswered(written.error) && written && !written->failure.isEmpty())
        RecordFileNotSaved(MsgOwner::Application, written->failure);
}

void TFormArchive::BitBtn1Click()
{
    WriteSelection(SaveDialog1, false);
}

void TFormArchive::BitBtn2Click()
{
    WriteSelection(SaveDialog2, true);
}

void TFormArchive::BitBtn3Click()
{
    if (!SelectionWritable())
        return;
    // The layout is made from every record, read in one pass.
    Hourglass(FWriting, this);
    FWritingJob = Records->AllRows(
        this,
        [this, deviceInfo = SelectionDeviceInfo()](const ArchiveResult<GridRows> &rows) {
            if (WritingAnswered(rows.error) && rows)
                PrintResultRecords(this, *rows, deviceInfo);
        },
        [this](const ArchiveProgress &progress) { FWritingProgress->Told(progress); });
    FWritingProgress->Begin(QStringLiteral("Print"), Records->Records(), FWritingJob);
}

void TFormArchive::BitBtn4Click()
{
    if (FImport->Running())
        return;
    const QStringList paths = ExecuteOpenFilesDialog(OpenDialog1);
    if (paths.isEmpty() || !Located())
        return;
    FImport->Start(paths,
                   [this](const ArchiveResult<ImportSummary> &summary) { Imported(summary); });
}

void TFormArchive::Imported(const ArchiveResult<ImportSummary> &summary)
{
    if (!summary) {
        Fail(summary.error);
        return;
    }
    const bool whole = summary->refused.isEmpty() && !summary->cancelled;
    ApplicationMessageBox(ImportSummaryText(*summary),
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

void TFormArchive::Button4Click()
{
    FormDatabase->SetPlace(Left() + DialogLeft, Top() + DialogTop);
    if (FormDatabase->ShowModal() == QDialog::Accepted)
        Refresh();
}

void TFormArchive::CheckBox5Click()
{
    ShowTesters();
    ShowSelection();
}

void TFormArchive::Button6Click()
{
    if (FSetting || !Located())
        return;
    const int months = CSpinEdit1->Value();
    Hourglass(FSetting, Button6);
    FWorker->Run(
        this,
        [months](ArchiveStore &store, const ArchiveJob &,
                 ArchiveError *error) -> std::optional<int> {
            if (!store.SetCalibrationMonths(months, error))
                return std::nullopt;
            return months;
        },
        [this](const ArchiveResult<int> &set) {
            FSetting.reset();
            if (!set) {
                Fail(set.error);
                return;
            }
            FCalibrationMonths = *set;
            ShowTesters();
            ShowSelection();
            ApplicationMessageBox(QString::fromLatin1(MsgSettingComplete),
                                  QString::fromLatin1(CapCompletion));
        });
}

void TFormArchive::Button5Click()
{
    FRetention->Run(
        FTesterId, Left() + DialogLeft, Top() + DialogTop, [this] { return Located(); },
        [this] {
            if (isVisible())
                Refresh();
        });
}
