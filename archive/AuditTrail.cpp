#include "archive/AuditTrail.h"

#include "archive/archivelayout.h"
#include "archive/archivewords.h"
#include "archive/store/archiveworker.h"
#include "archive/testerlist.h"
#include "archive/trailrows.h"
#include "base/filelines.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "records/data/recordvalues.h"
#include "records/datelist.h"
#include "records/recordactions.h"

#include <QCheckBox>
#include <QDateTime>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

TFormAuditTrail *FormAuditTrail = nullptr;

namespace {
QDate DayOfKey(long key)
{
    return QDate(int(key / 10000), int(key / 100 % 100), int(key % 100));
}
} // namespace

TFormAuditTrail::TFormAuditTrail(QWidget *parent)
    : TForm(parent, QStringLiteral("Audit Trail"), 980, 560, Border::Sizeable)
{
    SetFontPixels(this, 13);
    Label1 = new QLabel(QStringLiteral("Tester :"), this);
    ComboBox1 = new QComboBox(this);
    CheckBox1 = new QCheckBox(QStringLiteral("Dates"), this);
    ComboBox2 = new TDateList(this, [this] { PickDate(ComboBox2); });
    Label2 = new QLabel(QStringLiteral("to"), this);
    ComboBox3 = new TDateList(this, [this] { PickDate(ComboBox3); });
    Button1 = new QPushButton(QStringLiteral("Apply"), this);
    Label3 = new QLabel(this);
    StringGrid1 = new QTableWidget(0, int(TrailHeadings().size()), this);
    StringGrid1->setHorizontalHeaderLabels(TrailHeadings());
    // Rows as high as the archive window's.
    StringGrid1->verticalHeader()->hide();
    StringGrid1->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    StringGrid1->verticalHeader()->setDefaultSectionSize(ArchiveRowHeight);
    StringGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    StringGrid1->setSelectionBehavior(QAbstractItemView::SelectRows);
    StringGrid1->setSelectionMode(QAbstractItemView::SingleSelection);
    StringGrid1->setWordWrap(false);
    SetFontPixels(StringGrid1, 11, QStringLiteral("Tahoma"));
    BitBtn1 = new QPushButton(QStringLiteral("Save…"), this);
    BitBtn2 = new QPushButton(QStringLiteral("Print…"), this);
    BitBtn3 = new QPushButton(QStringLiteral("Close"), this);
    for (QPushButton *b : {Button1, BitBtn1, BitBtn2, BitBtn3})
        b->setAutoDefault(false);
    LayOut();

    SaveDialog1 = {FileDialogKind::Save, QStringLiteral("tsv"),
                   QStringLiteral("Tab-separated text [*.tsv]|*.tsv"), this};

    OnClick(Button1, [this] { Button1Click(); });
    OnClick(CheckBox1, [this] { CheckBox1Click(); });
    OnClick(BitBtn1, [this] { BitBtn1Click(); });
    OnClick(BitBtn2, [this] { BitBtn2Click(); });
    OnClick(BitBtn3, [this] { BitBtn3Click(); });
    CloseOnEscape({ComboBox1, CheckBox1, ComboBox2, ComboBox3, Button1, StringGrid1, BitBtn1,
                   BitBtn2, BitBtn3});
}

void TFormAuditTrail::LayOut()
{
    auto *filter = new QHBoxLayout;
    filter->setSpacing(8);
    ComboBox1->setMinimumWidth(150);
    for (QComboBox *list : {ComboBox2, ComboBox3})
        list->setFixedWidth(120);
    Button1->setFixedSize(83, 28);
    for (QWidget *w : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(ComboBox1),
                       static_cast<QWidget *>(CheckBox1), static_cast<QWidget *>(ComboBox2),
                       static_cast<QWidget *>(Label2), static_cast<QWidget *>(ComboBox3),
                       static_cast<QWidget *>(Button1)})
        filter->addWidget(w);
    filter->addStretch(1);
    filter->addWidget(Label3);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn3}) {
        b->setFixedSize(96, 28);
        buttons->addWidget(b);
    }

    auto *window = new QVBoxLayout(this);
    window->setContentsMargins(10, 10, 10, 10);
    window->setSpacing(8);
    window->addLayout(filter);
    window->addWidget(StringGrid1, 1);
    window->addLayout(buttons);
}

void TFormAuditTrail::Prepare(ArchiveWorker *worker, const QVector<ArchiveTester> &testers,
                              std::optional<qint64> selected)
{
    FWorker = worker;
    FTesters = testers;
    FSelected = selected;
}

void TFormAuditTrail::FormShow()
{
    ComboBox1->clear();
    ComboBox1->addItem(QLatin1String(AllTestersText));
    for (const ArchiveTester &t : FTesters) {
        ComboBox1->addItem(t.serialNumber);
        if (FSelected && t.id == *FSelected)
            ComboBox1->setCurrentIndex(ComboBox1->count() - 1);
    }
    CheckBox1->setChecked(false);
    CheckBox1Click();
    FEntries.clear();
    StringGrid1->setRowCount(0);
    Read();
}

void TFormAuditTrail::FormClose()
{
    ++FReads;
    FReading.reset();
}

void TFormAuditTrail::CheckBox1Click()
{
    const bool on = CheckBox1->isChecked();
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    for (QComboBox *list : {ComboBox2, ComboBox3}) {
        if (on)
            ShowOnlyItem(list, today);
        else
            list->clear();
        list->setEnabled(on);
    }
}

void TFormAuditTrail::PickDate(QComboBox *list)
{
    const QPoint at = list->mapTo(this, QPoint(0, list->height()));
    ShowOnlyItem(list, PickedDate(Left() + at.x(), Top() + at.y()));
}

std::optional<qint64> TFormAuditTrail::FilterTester() const
{
    const int index = ComboBox1->currentIndex();
    if (index < 1 || index > FTesters.size())
        return std::nullopt;
    return FTesters[index - 1].id;
}

QString TFormAuditTrail::FilterSerial() const
{
    return FilterTester() ? ComboBox1->currentText() : QString();
}

long TFormAuditTrail::FromKey() const
{
    return CheckBox1->isChecked() ? PickedDateKey(ComboBox2->currentText()) : 0;
}

long TFormAuditTrail::ToKey() const
{
    return CheckBox1->isChecked() ? PickedDateKey(ComboBox3->currentText()) : 0;
}

void TFormAuditTrail::Button1Click()
{
    Read();
}

void TFormAuditTrail::Read()
{
    if (!FWorker)
        return;
    TrailFilter filter;
    filter.testerId = FilterTester();
    // Whole days of this PC's clock.
    if (FromKey() > 0)
        filter.fromMs = DayOfKey(FromKey()).startOfDay().toMSecsSinceEpoch();
    if (ToKey() > 0)
        filter.untilMs = DayOfKey(ToKey()).addDays(1).startOfDay().toMSecsSinceEpoch();
    FReadSerial = FilterSerial();
    FReadFrom = FromKey();
    FReadTo = ToKey();
    const quint64 read = ++FReads;
    StartHourglass(FReading, StringGrid1);
    FWorker->Run(
        this,
        [filter](ArchiveStore &store, const ArchiveJob &, ArchiveError *error) {
            return ArchiveTrail::Read(store, filter, error);
        },
        [this, read](const ArchiveResult<QVector<TrailEntry>> &entries) {
            if (read == FReads)
                Show(entries);
        });
}

void TFormAuditTrail::Show(const ArchiveResult<QVector<TrailEntry>> &entries)
{
    FReading.reset();
    FEntries = entries ? *entries : QVector<TrailEntry>();
    StringGrid1->setRowCount(int(FEntries.size()));
    for (int r = 0; r < FEntries.size(); ++r) {
        const GridRow row = TrailRow(FEntries[r]);
        for (int c = 0; c < row.size(); ++c)
            StringGrid1->setItem(r, c, new QTableWidgetItem(row[c]));
    }
    StringGrid1->resizeColumnsToContents();
    StringGrid1->horizontalHeader()->setStretchLastSection(true);
    StringGrid1->scrollToBottom();
    Label3->setText(TrailCountText(FEntries.size()));
    if (!entries)
        ApplicationMessageBox(ArchiveErrorText(entries.error), QString::fromLatin1(CapFailure));
}

void TFormAuditTrail::BitBtn1Click()
{
    if (Reading())
        return;
    if (FEntries.isEmpty()) {
        ApplicationMessageBox(QString::fromLatin1(MsgNoData), QString::fromLatin1(CapFailure));
        return;
    }
    const QString path = AskSavePath(this, SaveDialog1, MsgOwner::Application);
    if (path.isEmpty())
        return;
    QString error;
    if (!SaveBytesAtomically(path, TrailFileBytes(FEntries), &error))
        RecordFileNotSaved(MsgOwner::Application, error);
}

void TFormAuditTrail::BitBtn2Click()
{
    if (Reading())
        return;
    if (FEntries.isEmpty()) {
        ApplicationMessageBox(QString::fromLatin1(MsgNoData), QString::fromLatin1(CapFailure));
        return;
    }
    PrintArchiveRecords(this,
                        TrailPrintHeader(FReadSerial, FReadFrom, FReadTo, FEntries.size(),
                                         QDateTime::currentDateTime()),
                        TrailPrintRows(FEntries), TrailPrintColumns());
}

void TFormAuditTrail::BitBtn3Click()
{
    close();
}
