// What the archive window does for the whole site: the database it uses,
// the calibration interval that every PC shares, the testers due, and the
// deletion of records kept longer than allowed.

#include "archive/Archive.h"
#include "kit/hourglasscursor.h"

#include "admin/Massge1.h"
#include "admin/Password.h"
#include "archive/Database.h"
#include "archive/archivemodel.h"
#include "archive/archiveserver.h"
#include "archive/testerlist.h"
#include "kit/cspinedit.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "records/data/recordvalues.h"
#include "records/data/searchfilter.h"
#include "records/datelist.h"
#include "tester/mainstate.h"

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>

namespace {
// The date was picked just before; the question's one line holds the count.
const char QuestionDelete[] = "Are you sure you want to delete %1 records?";
const char MsgDeleted[] = "%1 records deleted!!!";
// Where the dialogs of the toolbar's right end come up.
constexpr int DialogLeft = 620;
constexpr int DialogTop = 80;
} // namespace

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

    OnClick(Button4, [this] { Button4Click(); });
    OnClick(Button5, [this] { Button5Click(); });
    OnClick(Button6, [this] { Button6Click(); });
    OnClick(CheckBox5, [this] { CheckBox5Click(); });
}

void TFormArchive::ShowDatabase()
{
    QString where = ArchivePlaceText(FLocation);
    if (qEnvironmentVariableIsSet(ArchiveEnvironment))
        where += QStringLiteral(" (KESTRUNE_ARCHIVE)");
    Label7->setToolTip(where);
    Label7->setText(QStringLiteral("Database :\n") +
                    Label7->fontMetrics().elidedText(where, Qt::ElideMiddle, Label7->width()));
    CSpinEdit1->SetValue(FCalibrationMonths);
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
    if (!OpenStore())
        return;
    const int months = CSpinEdit1->Value();
    QString error;
    if (!WithHourglass(Button6, [&] { return FStore->SetCalibrationMonths(months, &error); })) {
        Fail(error);
        return;
    }
    FCalibrationMonths = months;
    ShowTesters();
    ShowSelection();
    ApplicationMessageBox(QString::fromLatin1(MsgSettingComplete),
                          QString::fromLatin1(CapCompletion));
}

void TFormArchive::Button5Click()
{
    // The administrator password guards it, as it guards the tester's own
    // deletion.
    AdminUnlocked = 0;
    FormPassWord->SetPlace(Left() + DialogLeft, Top() + DialogTop);
    FormPassWord->ShowModal();
    const bool unlocked = AdminUnlocked == 1;
    AdminUnlocked = 0;
    if (!unlocked)
        return;
    const QString before = PickedDate(Left() + DialogLeft, Top() + DialogTop);
    const long dateKey = PickedDateKey(before);
    if (!OpenStore())
        return;
    QString error;
    const std::optional<qint64> old =
        WithHourglass(Button5, [&] { return FStore->CountOlderThan(dateKey, FTesterId, &error); });
    if (!old || *old == 0) {
        Fail(old ? QString::fromLatin1(MsgNoData) : error);
        return;
    }
    if (!FormYesNo->Ask(5, Left() + DialogLeft, Top() + DialogTop + 120,
                        QString::fromLatin1(QuestionDelete).arg(GroupedCount(*old))))
        return;
    const std::optional<qint64> deleted =
        WithHourglass(Button5, [&] { return FStore->DeleteOlderThan(dateKey, FTesterId, &error); });
    if (!deleted) {
        Fail(error);
        return;
    }
    ApplicationMessageBox(QString::fromLatin1(MsgDeleted).arg(GroupedCount(*deleted)),
                          QString::fromLatin1(CapCompletion));
    Refresh();
}
