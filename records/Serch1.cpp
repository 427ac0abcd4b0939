#include "records/Serch1.h"

#include "kit/messagebox.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "records/Result.h"
#include "records/Searchlist.h"
#include "records/data/recordstate.h"
#include "records/data/searchfilter.h"
#include "records/datelist.h"
#include "records/stringgrid.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <functional>
#include <iterator>
#include <utility>

TFormSerch1 *FormSerch1 = nullptr;

TFormSerch1::TFormSerch1(QWidget *parent) : TForm(parent, QStringLiteral("Data Search"), 394, 261)
{
    SetBackground(this, QColor(200, 200, 200));

    CreateInputs(
        this, 40, [this] { ComboBox1DropDown(); }, [this] { ComboBox2DropDown(); });

    Button1 = new QPushButton(QStringLiteral("O K "), this);
    Button1->setGeometry(104, 208, 83, 33);
    Button2 = new QPushButton(QStringLiteral("Cencel"), this);
    Button2->setGeometry(224, 208, 83, 33);
    // Enter is taken by the key handler below, not by a default button.
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);

    OnClick(CheckBox2, [this] { CheckBox2Click(); });
    OnClick(Button1, [this] { Button1Click(); });
    OnClick(Button2, [this] { Button2Click(); });
    CloseOnEscape({CheckBox1, CheckBox2, CheckBox3, CheckBox4, Edit1, Edit2, Edit3, Edit4,
                   ComboBox1, ComboBox3, ComboBox4, Button1, Button2});
}

void TFormSerch1::FormShow()
{
    FEnterPressed = false;
    ResetInputs();
}

bool TFormSerch1::eventFilter(QObject *watched, QEvent *event)
{
    const bool press = event->type() == QEvent::KeyPress;
    if (press || event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            // Only an Enter pressed here: the release of the Enter that
            // dismissed a message box must not search again.
            if (press) {
                FEnterPressed = true;
            } else if (FEnterPressed) {
                FEnterPressed = false;
                RunGuarded([this] { Button1Click(); });
            }
            return true;
        }
    }
    return TForm::eventFilter(watched, event);
}

void TFormSerch1::CheckBox2Click()
{
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    DateSwitched(today, today);
}

void TFormSerch1::PickDate(QComboBox *list, int leftOffset)
{
    ShowOnlyItem(list, PickedDate(Left() + leftOffset, Top() + 100));
}

void TFormSerch1::ComboBox1DropDown()
{
    PickDate(ComboBox1, 120);
}

void TFormSerch1::ComboBox2DropDown()
{
    PickDate(ComboBox2, 264);
}

void TFormSerch1::Button1Click()
{
    const SearchCriteria criteria = Criteria();
    GridRows matches;
    const SearchStatus status = FilterRecords(FormResult->StringGrid1->Rows(), criteria, &matches);
    SearchForm->SetMatches(matches);
    if (status == SearchStatus::TestNoRangeIncorrect) {
        SystemMessageBox(QString::fromLatin1(MsgSettingsIncorrect),
                         QString::fromLatin1(CapFailure));
        return;
    }
    SearchAccepted = 1;
    close();
}

void TFormSerch1::Button2Click()
{
    SearchAccepted = 0;
    close();
}
