#include "records/Result.h"

#include "device/devicefields.h"
#include "kit/hourglasscursor.h"
#include "kit/messagebox.h"
#include "kit/owncancelbutton.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "link/commands.h"
#include "records/Searchlist.h"
#include "records/Serch1.h"
#include "records/data/datafile.h"
#include "records/data/download.h"
#include "records/data/recordstate.h"
#include "records/data/sortrows.h"
#include "records/recordactions.h"
#include "records/stringgrid.h"
#include "tester/deviceaction.h"
#include "tester/mainstate.h"

#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFrame>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QToolButton>

TFormResult *FormResult = nullptr;

namespace {
const QString Failure = QString::fromLatin1(CapFailure);
const char MsgDataNotSaved[] = "Data Not Saved ! Continue ?";

void Refuse(const char *text)
{
    ApplicationMessageBox(QString::fromLatin1(text), Failure);
}
} // namespace

TFormResult::TFormResult(QWidget *parent) : TForm(parent, QStringLiteral("Result"), 762, 642)
{
    SetBackground(this, QColor(192, 192, 192));

    auto *toolBar1 = new QFrame(this);
    toolBar1->setGeometry(0, 0, 762, 75);
    BitBtn1 = RecordToolButton(toolBar1, 10, 4, 100, "read", "read");
    BitBtn2 = RecordToolButton(toolBar1, 120, 4, 100, "save", "save");
    BitBtn3 = RecordToolButton(toolBar1, 230, 4, 100, "file", "file");
    BitBtn8 = RecordToolButton(toolBar1, 340, 4, 100, "excel", "excel");
    BitBtn6 = RecordToolButton(toolBar1, 450, 4, 100, "print", "print");
    BitBtn5 = RecordToolButton(toolBar1, 560, 4, 100, "result_exit", "exit");
    BitBtn7 = RecordToolButton(this, 628, 85, 120, "search", "search");

    Label1 = HeadingLabel(this, QStringLiteral("Device Information :"), {8, 80, 185, 25});
    // The lines come from the tester or a data file: shown as they are.
    Label1->setTextFormat(Qt::PlainText);
    int top = 104;
    for (QLabel **label : {&Label2, &Label3, &Label4}) {
        *label = new QLabel(this);
        (*label)->setGeometry(40, top, 400, 16);
        QFont f = (*label)->font();
        f.setPixelSize(13);
        (*label)->setFont(f);
        (*label)->setTextFormat(Qt::PlainText);
        top += 16;
    }

    // What archiving the last download gave; the progress bar covers it
    // while a download runs.
    Label5 = new QLabel(this);
    Label5->setGeometry(40, 160, 708, 16);
    Label5->setFont(Label4->font());

    // Visible only while a download runs.
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setGeometry(448, 160, 300, 24);
    ProgressBar1->setFormat(QStringLiteral("%v of %m records"));
    ProgressBar1->hide();
    // Beside it, once the download has run long enough to be cancelled.
    Button1 = new QPushButton(QString::fromLatin1(CapCancel), this);
    Button1->setGeometry(368, 160, 72, 24);
    Button1->hide();

    StringGrid1 = RecordGrid(this, {8, 192, 740, 441}, 17,
                             [this](int col, int row) { StringGrid1MouseUp(col, row); });

    OpenDialog1 = {FileDialogKind::Open, QStringLiteral("DAT"),
                   QStringLiteral("Kestrune data File [*.dat]|*.DAT"), this};
    SaveDialog1 = DataFileSaveDialog(this);
    SaveDialog2 = SpreadsheetExportDialog(this);

    OnClick(BitBtn1, [this] { BitBtn1Click(); });
    OnClick(BitBtn2, [this] { BitBtn2Click(); });
    OnClick(BitBtn3, [this] { BitBtn3Click(); });
    OnClick(BitBtn8, [this] { BitBtn8Click(); });
    OnClick(BitBtn6, [this] { BitBtn5Click(); });
    OnClick(BitBtn5, [this] { BitBtn6Click(); });
    OnClick(BitBtn7, [this] { BitBtn7Click(); });
    CloseOnEscape({StringGrid1, BitBtn1, BitBtn2, BitBtn3, BitBtn8, BitBtn6, BitBtn5, BitBtn7});

    FormCreate();
}

void TFormResult::FormCreate()
{
    move(WindowPositions[1].Left, WindowPositions[1].Top);
    KeepOnScreen();
    for (int col = 0; col < RecordColumns; ++col)
        StringGrid1->SetColWidth(col, 120);
    StringGrid1->SetColWidth(0, 100);
    WritePlainHeadings();
    RecordCount = 0;
}

void TFormResult::WritePlainHeadings()
{
    StringGrid1->Rows()[0] = PlainHeadings();
    StringGrid1->Refresh();
}

void TFormResult::ShowDeviceInfo()
{
    QLabel *labels[] = {Label1, Label2, Label3, Label4};
    for (int i = 0; i < 4; ++i)
        labels[i]->setText(DeviceInfoLines.value(i));
}

void TFormResult::FormShow()
{
    FUnsaved = false;
    RecordCount = 0;
    StringGrid1->SetRowCount(2);
    StringGrid1->SetRowCount(17);
    GridRows &rows = StringGrid1->Rows();
    for (int row = 1; row < rows.size(); ++row)
        for (QString &cell : rows[row])
            cell.clear();
    DeviceInfoLines = ShownDeviceInfoHeadings();
    ShowDeviceInfo();
    FShown = 0;
    Label5->clear();
    WritePlainHeadings();
}

void TFormResult::FormClose()
{
    WindowPositions[1] = {x(), y()};
}

void TFormResult::closeEvent(QCloseEvent *event)
{
    // The next showing empties the grid, so closing is where the records go.
    if (isVisible() && !MayDiscardRecords()) {
        event->ignore();
        return;
    }
    FUnsaved = false;
    TForm::closeEvent(event);
}

bool TFormResult::MayDiscardRecords()
{
    return !FUnsaved ||
           ApplicationMessageBox(QString::fromLatin1(MsgDataNotSaved),
                                 QString::fromLatin1(CapWarning), MsgButtons::OkCancel) == mrOk;
}

void TFormResult::KeepUnsavedRecords(const QString &dir)
{
    if (!FUnsaved)
        return;
    QString error;
    const QString path =
        SaveRecoveryFile(dir, QDateTime::currentDateTime(), StringGrid1->Rows(), &error);
    if (path.isEmpty()) {
        ApplicationMessageBox(QStringLiteral("Tester Disconnected ! Data Not Saved : ") + error,
                              Failure);
        return;
    }
    FUnsaved = false;
    ApplicationMessageBox(QStringLiteral("Tester Disconnected ! Data Saved : ") +
                              QDir::toNativeSeparators(path),
                          QString::fromLatin1(CapWarning));
}

void TFormResult::BitBtn6Click()
{
    close();
}

void TFormResult::BitBtn1Click()
{
    if (!TesterLinked(PortRefusal::Application) || !MayDiscardRecords())
        return;
    HourglassCursor hourglass(BitBtn1);
    const QByteArray identification =
        ExchangeWithTester(Cmd::Identify, ExchangeOptions().RepeatingWhileEmpty());
    IdentificationValues info;
    if (!ParseIdentification(identification, &info)) {
        Refuse("Information Rx Error !!!");
        return;
    }
    QStringList deviceInfo = ReadDeviceInfoHeadings();
    for (int i = 1; i <= 3; ++i)
        if (info.present.value(i))
            deviceInfo[i] += info.lines.value(i);

    const DownloadReply download = ParseDownload(ReceiveDownload());
    if (download.status == DownloadStatus::NoData) {
        Refuse(MsgNoData);
        return;
    }
    if (download.status != DownloadStatus::Ok) {
        Refuse("Data Reading Error !!!");
        return;
    }
    // Only a whole read replaces what is shown: the tester's lines and its
    // records always belong together.
    DeviceInfoLines = deviceInfo;
    ShowDeviceInfo();
    GridRows &rows = StringGrid1->Rows();
    rows.resize(1);
    rows += download.rows;
    RecordCount = download.rows.size();
    rows[0] = PlainHeadings();
    StringGrid1->Refresh();
    FUnsaved = true;
    // Kept in the archive as well, which says how it went when it is done;
    // the records stay unsaved until a file holds them.
    FShown = ++FDownloads;
    Label5->clear();
    emit DownloadAccepted(FShown, DeviceInfoLines, download.rows);
}

void TFormResult::ShowArchiving(quint64 download, const QString &line)
{
    if (download != 0 && download == FShown)
        Label5->setText(line);
}

QByteArray TFormResult::ReceiveDownload()
{
    ProgressBar1->setRange(0, 0);
    ProgressBar1->show();
    const auto hideProgress = qScopeGuard([this] { ProgressBar1->hide(); });
    const OwnCancelButton cancel(Button1);
    const auto showProgress = [this](const QByteArray &replySoFar) {
        int received = 0;
        int announced = 0;
        if (!DownloadProgress(replySoFar, &received, &announced))
            return;
        ProgressBar1->setRange(0, announced);
        ProgressBar1->setValue(received);
    };
    return ExchangeWithTester(
        Cmd::Download,
        ExchangeOptions().WithoutLinkPreparation().RepeatingWhileEmpty().WithProgress(
            showProgress));
}

void TFormResult::BitBtn2Click()
{
    if (RecordCount == 0) {
        Refuse(MsgNoData);
        return;
    }
    if (WriteRecordFile(this, SaveDialog1, StringGrid1->Rows(), QLatin1Char(',')))
        FUnsaved = false;
}

void TFormResult::BitBtn3Click()
{
    if (!MayDiscardRecords())
        return;
    const QString path = ExecuteFileDialog(OpenDialog1);
    if (path.isEmpty() || !QFileInfo::exists(path))
        return;
    QString error;
    DataFileContent content;
    const DataFileStatus status = LoadDataFile(path, &content, &error);
    if (status == DataFileStatus::Refused) {
        ApplicationMessageBox(QStringLiteral("Cannot read ") + error, Failure);
        return;
    }
    FUnsaved = false;
    FShown = 0;
    Label5->clear();
    RecordCount = 0;
    StringGrid1->SetRowCount(2);
    for (QString &cell : StringGrid1->Rows()[1])
        cell.clear();
    if (status == DataFileStatus::Mismatch)
        Refuse(MsgFormatMismatch);
    if (status != DataFileStatus::Ok) {
        StringGrid1->Refresh();
        return;
    }
    DeviceInfoLines = content.deviceInfo;
    ShowDeviceInfo();
    RecordCount = content.records.size();
    GridRows &rows = StringGrid1->Rows();
    rows = std::move(content.records);
    rows.prepend(PlainHeadings());
    StringGrid1->Refresh();
}

void TFormResult::BitBtn8Click()
{
    if (RecordCount == 0) {
        Refuse(MsgNoData);
        return;
    }
    ExportRecordFile(this, SaveDialog2, StringGrid1->Rows());
}

void TFormResult::BitBtn5Click()
{
    PrintResultRecords(this, StringGrid1->Rows());
}

void TFormResult::BitBtn7Click()
{
    if (RecordCount == 0) {
        Refuse(MsgNoData);
        return;
    }
    FormSerch1->SetPlace(Left() + 500, Top());
    FormSerch1->ShowModal();
    if (SearchAccepted == 1)
        SearchForm->ShowModal();
    SearchAccepted = 0;
}

void TFormResult::StringGrid1MouseUp(int col, int row)
{
    if (row != 0 || StringGrid1->RowCount() < 3 || RecordCount < 2)
        return;
    HourglassCursor hourglass(StringGrid1);
    GridRows &rows = StringGrid1->Rows();
    const QString oldMark = rows[0][col].left(2);
    rows[0] = PlainHeadings();
    const QString plain = rows[0][col];
    if (oldMark == QLatin1String("  ") || oldMark == QLatin1String(DescendingMark)) {
        SortRows(rows, 1, RecordCount, col, true);
        rows[0][col] = QLatin1String(AscendingMark) + plain;
    } else if (oldMark == QLatin1String(AscendingMark)) {
        SortRows(rows, 1, RecordCount, col, false);
        rows[0][col] = QLatin1String(DescendingMark) + plain;
    }
    StringGrid1->Refresh();
}
