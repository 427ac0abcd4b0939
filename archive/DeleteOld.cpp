#include "archive/DeleteOld.h"

#include "admin/Massge1.h"
#include "archive/archivewords.h"
#include "archive/cutoff.h"
#include "archive/store/archivetrail.h"
#include "archive/store/archiveworker.h"
#include "archive/testerlist.h"
#include "kit/cspinedit.h"
#include "kit/hourglasscursor.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "records/datelist.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFormDeleteOld *FormDeleteOld = nullptr;

namespace {
const char ChooseScope[] = "Choose the tester, or all testers";
const char TypeCutOff[] = "Type the day as 2021-01-01 or 01 - Jan - 2021, or pick it";
const char Counting[] = "Counting ...";
// Below the dialog's own top, over its buttons.
constexpr int QuestionBelow = 120;
} // namespace

TFormDeleteOld::TFormDeleteOld(QWidget *parent)
    : TForm(parent, QStringLiteral("Delete Old"), 440, 212)
{
    SetFontPixels(this, 13);
    Label1 = new QLabel(QStringLiteral("Delete the records of :"), this);
    Label1->setGeometry(14, 16, 150, 22);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setGeometry(168, 14, 258, 26);
    ComboBox1->setPlaceholderText(QLatin1String(ChooseScope));
    Label2 = new QLabel(QStringLiteral("dated before :"), this);
    Label2->setGeometry(14, 52, 150, 22);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(168, 50, 150, 26);
    Edit1->setPlaceholderText(QStringLiteral("yyyy-mm-dd"));
    Button1 = new QPushButton(QStringLiteral("…"), this);
    Button1->setGeometry(324, 50, 32, 26);
    Button1->setToolTip(QStringLiteral("Pick the day"));
    Label3 = new QLabel(this);
    Label3->setGeometry(14, 88, 230, 20);
    // Changed here, behind the password the dialog already stands behind.
    CSpinEdit1 = new TCSpinEdit(this);
    CSpinEdit1->setGeometry(252, 84, 56, 26);
    CSpinEdit1->SetRange(MinRetentionYears, MaxRetentionYears);
    CSpinEdit1->AllowTyping(2);
    CSpinEdit1->setToolTip(QStringLiteral("Minimum retention in years"));
    Button2 = new QPushButton(QStringLiteral("Set"), this);
    Button2->setGeometry(314, 84, 52, 26);
    Button2->setToolTip(QStringLiteral("Keep records at least this many years"));
    Label4 = new QLabel(this);
    Label4->setGeometry(14, 112, 412, 42);
    Label4->setWordWrap(true);
    QFont bold = Label4->font();
    bold.setBold(true);
    Label4->setFont(bold);
    BitBtn1 = new QPushButton(QStringLiteral("Delete"), this);
    BitBtn1->setGeometry(128, 170, 84, 28);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setGeometry(228, 170, 84, 28);
    for (QPushButton *b : {BitBtn1, BitBtn2, Button1, Button2})
        b->setAutoDefault(false);

    OnClick(BitBtn1, [this] { BitBtn1Click(); });
    OnClick(BitBtn2, [this] { BitBtn2Click(); });
    OnClick(Button1, [this] { Button1Click(); });
    OnClick(Button2, [this] { Button2Click(); });
    connect(CSpinEdit1->Editor(), &QLineEdit::returnPressed, this,
            [this] { RunGuarded([this] { Button2Click(); }); });
    connect(ComboBox1, &QComboBox::currentIndexChanged, this,
            [this] { RunGuarded([this] { Recount(); }); });
    connect(Edit1, &QLineEdit::textChanged, this, [this] { RunGuarded([this] { Recount(); }); });
    CloseOnEscape({ComboBox1, Edit1, Button1, CSpinEdit1->Editor(), Button2, BitBtn1, BitBtn2});
}

void TFormDeleteOld::Prepare(ArchiveWorker *worker, const QVector<ArchiveTester> &testers,
                             std::optional<qint64> selected, int retentionYears)
{
    FWorker = worker;
    FTesters = testers;
    FSelected = selected;
    FRetentionYears = retentionYears;
}

void TFormDeleteOld::FormShow()
{
    FDeleted.reset();
    FToday = QDate::currentDate();
    Label3->setText(RetentionText(FRetentionYears));
    CSpinEdit1->SetValue(FRetentionYears);
    {
        const QSignalBlocker quiet(ComboBox1);
        ComboBox1->clear();
        for (const ArchiveTester &t : FTesters)
            ComboBox1->addItem(DeleteScopeText(t.serialNumber, 1), t.id);
        // All testers are deleted from only when chosen here on purpose:
        // the last choice, never the one the dialog opens with.
        if (!FTesters.isEmpty())
            ComboBox1->addItem(DeleteScopeText(QString(), FTesters.size()));
        ComboBox1->setCurrentIndex(-1);
        for (int i = 0; i < FTesters.size(); ++i)
            if (FSelected && FTesters[i].id == *FSelected)
                ComboBox1->setCurrentIndex(i);
    }
    {
        // The latest day the retention allows, to be changed or kept.
        const QSignalBlocker quiet(Edit1);
        Edit1->setText(PickedDateText(LatestCutOff(FRetentionYears, FToday)));
    }
    BitBtn2->setFocus();
    Recount();
}

void TFormDeleteOld::FormClose()
{
    // What was asked of the worker is no longer waited for.
    ++FCounts;
    if (FCountJob)
        FCountJob->Cancel();
    FCountJob.reset();
}

void TFormDeleteOld::closeEvent(QCloseEvent *event)
{
    // A deletion under way ends before the dialog goes.
    if (FDeleting) {
        event->ignore();
        return;
    }
    TForm::closeEvent(event);
}

std::optional<TFormDeleteOld::Scope> TFormDeleteOld::ChosenScope() const
{
    const int index = ComboBox1->currentIndex();
    if (index < 0 || index > FTesters.size())
        return std::nullopt;
    if (index == FTesters.size())
        return Scope{std::nullopt, QString()};
    return Scope{FTesters[index].id, FTesters[index].serialNumber};
}

void TFormDeleteOld::Say(const QString &text, bool refusal)
{
    // A date is never broken over two lines.
    QString shown = text;
    Label4->setText(shown.replace(QStringLiteral(" - "), QStringLiteral("\u00A0-\u00A0")));
    QPalette palette = Label4->palette();
    palette.setColor(QPalette::WindowText, refusal ? QColor(Qt::red) : QColor(Qt::black));
    Label4->setPalette(palette);
}

void TFormDeleteOld::Recount()
{
    const quint64 count = ++FCounts;
    if (FCountJob)
        FCountJob->Cancel();
    FCountJob.reset();
    FCount.reset();
    FCutOff.reset();
    BitBtn1->setEnabled(false);
    const std::optional<Scope> scope = ChosenScope();
    const std::optional<QDate> cutOff = TypedCutOff(Edit1->text());
    if (!scope) {
        Say(QLatin1String(ChooseScope), false);
        return;
    }
    if (!cutOff) {
        Say(QLatin1String(TypeCutOff), true);
        return;
    }
    if (InsideRetention(*cutOff, FRetentionYears, FToday)) {
        Say(RetentionRefusalText(FRetentionYears, LatestCutOff(FRetentionYears, FToday)), true);
        return;
    }
    FCutOff = cutOff;
    Say(QLatin1String(Counting), false);
    if (!FWorker)
        return;
    // The latest choice's answer is the one shown.
    FCountJob = FWorker->Run(
        this,
        [key = CutOffKey(*cutOff),
         testerId = scope->testerId](ArchiveStore &store, const ArchiveJob &, ArchiveError *error) {
            return store.CountOlderThan(key, testerId, error);
        },
        [this, count](const ArchiveResult<qint64> &counted) { Counted(count, counted); });
}

void TFormDeleteOld::Counted(quint64 count, const ArchiveResult<qint64> &counted)
{
    if (count != FCounts)
        return;
    FCountJob.reset();
    if (!counted) {
        Say(ArchiveErrorText(counted.error), true);
        return;
    }
    FCount = *counted;
    Say(DeleteCountText(*FCount, CutOffKey(*FCutOff)), false);
    BitBtn1->setEnabled(*FCount > 0);
}

void TFormDeleteOld::BitBtn1Click()
{
    const std::optional<Scope> scope = ChosenScope();
    if (!scope || !FCutOff || !FCount || *FCount == 0 || FDeleting || !FWorker)
        return;
    const long key = CutOffKey(*FCutOff);
    if (!FormYesNo->Ask(5, Left(), Top() + QuestionBelow,
                        DeleteQuestionText(*FCount, scope->serial, FTesters.size(), key)))
        return;
    FDeleting.emplace(this);
    for (QWidget *w : {static_cast<QWidget *>(ComboBox1), static_cast<QWidget *>(Edit1),
                       static_cast<QWidget *>(Button1), static_cast<QWidget *>(BitBtn1),
                       static_cast<QWidget *>(BitBtn2)})
        w->setEnabled(false);
    FWorker->Run(
        this,
        [key, testerId = scope->testerId](ArchiveStore &store, const ArchiveJob &,
                                          ArchiveError *error) {
            return store.DeleteOlderThan(key, testerId, error);
        },
        [this](const ArchiveResult<qint64> &gone) { Gone(gone); });
}

void TFormDeleteOld::Gone(const ArchiveResult<qint64> &gone)
{
    FDeleting.reset();
    for (QWidget *w : {static_cast<QWidget *>(ComboBox1), static_cast<QWidget *>(Edit1),
                       static_cast<QWidget *>(Button1), static_cast<QWidget *>(BitBtn2)})
        w->setEnabled(true);
    if (!gone) {
        ApplicationMessageBox(ArchiveErrorText(gone.error), QString::fromLatin1(CapFailure));
        Recount();
        return;
    }
    FDeleted = *gone;
    close();
}

void TFormDeleteOld::BitBtn2Click()
{
    close();
}

void TFormDeleteOld::Button1Click()
{
    const QPoint at = Edit1->mapTo(this, QPoint(0, Edit1->height()));
    Edit1->setText(PickedDate(Left() + at.x(), Top() + at.y()));
}

void TFormDeleteOld::Button2Click()
{
    if (FSetting || FDeleting || !FWorker)
        return;
    const std::optional<int> years = CSpinEdit1->Typed();
    if (!years || *years < MinRetentionYears || *years > MaxRetentionYears) {
        ApplicationMessageBox(RetentionRangeText(), QString::fromLatin1(CapFailure));
        return;
    }
    StartHourglass(FSetting, Button2);
    struct Change
    {
        int before;
        int after;
    };
    FWorker->Run(
        this,
        [years = *years](ArchiveStore &store, const ArchiveJob &,
                         ArchiveError *error) -> std::optional<Change> {
            // Another PC may have set it since the dialog read it.
            const std::optional<int> before = store.RetentionYears(error);
            if (!before || !store.SetRetentionYears(years, error))
                return std::nullopt;
            return Change{*before, years};
        },
        [this](const ArchiveResult<Change> &set) {
            FSetting.reset();
            if (!set) {
                ApplicationMessageBox(ArchiveErrorText(set.error), QString::fromLatin1(CapFailure));
                return;
            }
            FRetentionYears = set->after;
            Label3->setText(RetentionText(FRetentionYears));
            CSpinEdit1->SetValue(FRetentionYears);
            ApplicationMessageBox(RetentionSetText(set->before, set->after),
                                  QString::fromLatin1(CapCompletion));
            Recount();
        });
}
