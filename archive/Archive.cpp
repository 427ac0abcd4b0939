#include "archive/Archive.h"

#include "archive/Database.h"
#include "archive/archivelayout.h"
#include "archive/archivemodel.h"
#include "archive/archivewords.h"
#include "archive/chartpane.h"
#include "archive/importprogress.h"
#include "archive/readingchart.h"
#include "archive/selectionfile.h"
#include "archive/selectionprogress.h"
#include "archive/selectionwords.h"
#include "archive/sitestate.h"
#include "archive/store/archivechoice.h"
#include "archive/store/archiveoutbox.h"
#include "archive/testerlist.h"
#include "archive/verifyrun.h"
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
#include <QDateTime>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>

#include <algorithm>

TFormArchive *FormArchive = nullptr;

namespace {

QTableView *SetUpTable(QTableView *table)
{
    SetFontPixels(table, 11, QStringLiteral("Tahoma"));
    table->verticalHeader()->hide();
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table->verticalHeader()->setDefaultSectionSize(ArchiveRowHeight);
    table->horizontalHeader()->setFixedHeight(ArchiveRowHeight);
    table->horizontalHeader()->setHighlightSections(false);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::SingleSelection);
    table->setWordWrap(false);
    return table;
}

} // namespace

TFormArchive::TFormArchive(QWidget *parent)
    : TForm(parent, QStringLiteral("Archive"), ArchiveDefaultSize.width(),
            ArchiveDefaultSize.height(), Border::Sizeable),
      FWorker(new ArchiveWorker(this)), FLocalWorker(new ArchiveWorker(this)),
      FImport(new TImportProgress(FLocalWorker, this)),
      FWritingProgress(new TSelectionProgress(this))
{
    SetBackground(this, QColor(192, 192, 192));

    auto *toolBar1 = new QFrame(this);
    BitBtn1 = RecordToolButton(toolBar1, 10, 4, 100, "save", "save");
    BitBtn2 = RecordToolButton(toolBar1, 120, 4, 100, "excel", "excel");
    BitBtn3 = RecordToolButton(toolBar1, 230, 4, 100, "print", "print");
    BitBtn4 = RecordToolButton(toolBar1, 340, 4, 100, "import", "import");
    BitBtn5 = RecordToolButton(toolBar1, 450, 4, 100, "refresh", "refresh");
    BitBtn6 = RecordToolButton(toolBar1, 560, 4, 100, "result_exit", "exit");
    BitBtn7 = RecordToolButton(toolBar1, 670, 4, 100, "report", "report");

    CreateTables();
    CreateFilter();
    CreateChart();
    CreateSite();
    LayOut();

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
    CreateReport();
    CloseOnEscape({BitBtn1,   BitBtn2,   BitBtn3,     BitBtn4,
                   BitBtn5,   BitBtn6,   StringGrid1, StringGrid2,
                   CheckBox1, CheckBox2, CheckBox3,   CheckBox4,
                   Edit1,     Edit2,     Edit3,       Edit4,
                   ComboBox1, ComboBox2, ComboBox3,   ComboBox4,
                   ComboBox5, Button1,   Button2,     Button3,
                   Chart1,    Button4,   Button5,     Button6,
                   Button7,   Button8,   CheckBox5,   CSpinEdit1->Editor()});

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
    Label4 = HeadingLabel(this, QStringLiteral("Testers :"), {});

    StringGrid1 = new QTableWidget(0, RecordColumns, this);
    StringGrid1->setHorizontalHeaderLabels(TesterHeadings());
    SetUpTable(StringGrid1);

    Label5 = new QLabel(this);
    SetFontPixels(Label5, 13);
    Records = new TArchiveModel(FWorker, this);
    Records->OnShown = [this](const ArchiveError &error) { SelectionShown(error); };
    Records->OnReadFailure = [this](const ArchiveError &error) { Fail(error); };
    StringGrid2 = new QTableView(this);
    StringGrid2->setModel(Records);
    SetUpTable(StringGrid2);

    connect(StringGrid1, &QTableWidget::itemSelectionChanged, this,
            [this] { RunGuarded([this] { StringGrid1SelectionChange(); }); });
    connect(StringGrid2->horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int col) { RunGuarded([this, col] { StringGrid2HeadingClick(col); }); });
}

void TFormArchive::CreateFilter()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Filter"), this);
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
    FChart = new TChartPane(this, StartDirectory, FWorker);
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
    Label7->setWordWrap(true);
    Label7->setTextFormat(Qt::PlainText);
    SetFontPixels(Label7, 13);
    Button4 = new QPushButton(QStringLiteral("Database…"), toolBar1);
    Button5 = new QPushButton(QStringLiteral("Delete Old…"), toolBar1);
    Button8 = new QPushButton(QStringLiteral("Audit Trail…"), this);
    Band1 = new TSiteBand(toolBar1);

    CheckBox5 = new QCheckBox(QStringLiteral("Due only"), this);
    Label8 = new QLabel(QStringLiteral("Calibration every"), this);
    CSpinEdit1 = new TCSpinEdit(this);
    CSpinEdit1->SetRange(MinCalibrationMonths, MaxCalibrationMonths);
    CSpinEdit1->SetValue(DefaultCalibrationMonths);
    CSpinEdit1->AllowTyping(4);
    // Enter in the box sets what was typed.
    connect(CSpinEdit1->Editor(), &QLineEdit::returnPressed, this,
            [this] { RunGuarded([this] { Button6Click(); }); });
    Label9 = new QLabel(QStringLiteral("months"), this);
    Button6 = new QPushButton(QStringLiteral("Set"), this);
    for (QWidget *w : {static_cast<QWidget *>(CheckBox5), static_cast<QWidget *>(Label8),
                       static_cast<QWidget *>(Label9), static_cast<QWidget *>(Button4),
                       static_cast<QWidget *>(Button5), static_cast<QWidget *>(Button6),
                       static_cast<QWidget *>(Button8)})
        SetFontPixels(w, 13);
    for (QPushButton *button : {Button4, Button5, Button6, Button8})
        button->setAutoDefault(false);

    CreateVerify();

    OnClick(Button4, [this] { Button4Click(); });
    OnClick(Button5, [this] { Button5Click(); });
    OnClick(Button6, [this] { Button6Click(); });
    OnClick(Button8, [this] { Button8Click(); });
    OnClick(CheckBox5, [this] { CheckBox5Click(); });
}

void TFormArchive::FormCreate()
{
    RestorePlace();
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
    KeepPlace();
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
    FLocalWorker->Close();
    for (auto *hourglass : {&FRefreshing, &FSelecting, &FSetting})
        hourglass->reset();
    FVerify->Forget();
}

bool TFormArchive::Reading() const
{
    return FWorker->Busy() || FLocalWorker->Busy();
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
    Choose();
    if (FLocationError.Failed()) {
        Fail(FLocationError);
        return false;
    }
    FWorker->Open(FLocation);
    return true;
}

void TFormArchive::Choose()
{
    FPlaces = ChosenArchivePlacesIn(StartDirectory, &FLocationError);
    FLocation = FPlaces.site ? *FPlaces.site : FPlaces.local;
    FSiteAway = false;
    Band1->hide();
    if (FSender && !FLocationError.Failed())
        FSender->Start(FPlaces);
}

void TFormArchive::SetSiteSender(SiteSender *sender)
{
    FSender = sender;
    connect(sender, &SiteSender::StateChanged, this, &TFormArchive::SiteChanged);
    // Records reached the server: it is read again, also when it could not
    // be read before.
    connect(sender, &SiteSender::Drained, this, &TFormArchive::RefreshQuietly);
}

void TFormArchive::SiteChanged(const SiteState &state)
{
    if (FSiteAway && Band1->isVisible())
        Band1->Show(FSiteWhy, state.waiting);
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
    Choose();
    ShowDatabase();
    if (FLocationError.Failed()) {
        Refreshed({std::nullopt, FLocationError});
        return;
    }
    StartHourglass(FRefreshing, this);
    ReadSite(refresh);
}

void TFormArchive::ReadSite(quint64 refresh)
{
    FWorker->Open(FLocation);
    // This PC's archive in place of the site's: the band says how many of
    // its records wait.
    const bool counting = FSiteAway;
    FWorker->Run(
        this,
        [counting](ArchiveStore &store, const ArchiveJob &,
                   ArchiveError *error) -> std::optional<ArchiveSite> {
            std::optional<ArchiveSite> site = ::ReadSite(store, error);
            if (!site || !counting)
                return site;
            const std::optional<OutboxState> unsent = ArchiveOutbox::State(store, error);
            if (!unsent)
                return std::nullopt;
            site->unsent = unsent->waiting;
            return site;
        },
        [this, refresh](const ArchiveResult<ArchiveSite> &site) {
            if (refresh == FRefreshes)
                Refreshed(site);
        });
}

void TFormArchive::Refreshed(const ArchiveResult<ArchiveSite> &site)
{
    if (!site && FPlaces.site && !FSiteAway) {
        // Never an empty list for a server away: this PC's records, under
        // the band that says so.
        FSiteAway = true;
        FSiteWhy = site.error;
        FLocation = FPlaces.local;
        ShowDatabase();
        ReadSite(FRefreshes);
        return;
    }
    if (site && FSiteAway)
        Band1->Show(FSiteWhy, site->unsent);
    FRefreshing.reset();
    if (!site)
        Fail(site.error);
    FCalibrationMonths = site ? site->calibrationMonths : DefaultCalibrationMonths;
    FRetentionYears = site ? site->retentionYears : ArchiveSite().retentionYears;
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
    StartHourglass(FSelecting, StringGrid2);
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
    FChart->Load(FLocation, Records->Query(), Records->Records(), SelectedSerial());
}

QString TFormArchive::SelectedSerial() const
{
    for (const ArchiveTester &t : FTesters)
        if (FTesterId && t.id == *FTesterId)
            return t.serialNumber;
    return QString();
}

bool TFormArchive::ChartLoading() const
{
    return FChart->Loading();
}

void TFormArchive::Button4Click()
{
    FormDatabase->SetPlace(Left() + ArchiveDialogLeft, Top() + ArchiveDialogTop);
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
    if (FSiteAway) {
        Fail(SiteNeededText(QStringLiteral("Setting the calibration interval"), FSiteWhy));
        return;
    }
    if (FSetting)
        return;
    // Typed, or stepped to with the arrows.
    const std::optional<int> months = CSpinEdit1->Typed();
    if (!months || *months < MinCalibrationMonths || *months > MaxCalibrationMonths) {
        Fail(CalibrationRangeText());
        return;
    }
    if (!Located())
        return;
    StartHourglass(FSetting, Button6);
    struct Change
    {
        int before;
        int after;
    };
    FWorker->Run(
        this,
        [months = *months](ArchiveStore &store, const ArchiveJob &,
                           ArchiveError *error) -> std::optional<Change> {
            // Another PC may have set it since this window read it.
            const std::optional<int> before = store.CalibrationMonths(error);
            if (!before || !store.SetCalibrationMonths(months, error))
                return std::nullopt;
            return Change{*before, months};
        },
        [this](const ArchiveResult<Change> &set) {
            FSetting.reset();
            if (!set) {
                Fail(set.error);
                return;
            }
            FCalibrationMonths = set->after;
            CSpinEdit1->SetValue(FCalibrationMonths);
            ShowTesters();
            ShowSelection();
            ApplicationMessageBox(CalibrationSetText(set->before, set->after),
                                  QString::fromLatin1(CapCompletion));
        });
}
