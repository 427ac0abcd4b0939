#include "records/Serch1.h"

#include "app/messagebox.h"
#include "app/texts.h"
#include "app/widgets.h"
#include "device/Tdate.h"
#include "device/ccalendar.h"
#include "records/Result.h"
#include "records/Searchlist.h"
#include "records/recordstate.h"
#include "records/searchfilter.h"
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

TDateList::TDateList(QWidget *parent, std::function<void()> dropDown)
    : QComboBox(parent), FDropDown(std::move(dropDown))
{
}

void TDateList::showPopup()
{
    RunGuarded(FDropDown);
}

QString PickedDate(int left, int top)
{
    DateForm->SetPlace(left, top);
    DateForm->ShowModal();
    const TCCalendar *calendar = DateForm->CCalendar1;
    return QStringLiteral("%1-%2-%3")
        .arg(calendar->GetDateElement(TCCalendar::Year))
        .arg(calendar->GetDateElement(TCCalendar::Month), 2, 10, QLatin1Char('0'))
        .arg(calendar->GetDateElement(TCCalendar::Day), 2, 10, QLatin1Char('0'));
}

void ShowOnlyItem(QComboBox *list, const QString &text)
{
    list->clear();
    list->addItem(text);
    list->setCurrentIndex(0);
}

namespace {

constexpr int EntryLength = 5;

void Reset(QComboBox *list, bool enabled)
{
    list->setCurrentIndex(-1);
    list->setEnabled(enabled);
    list->update();
}

void Reset(QLineEdit *edit, const QString &text, bool enabled)
{
    edit->setText(text);
    edit->setEnabled(enabled);
}

} // namespace

TFormSerch1::TFormSerch1(QWidget *parent) : TForm(parent, QStringLiteral("Data Search"), 394, 261)
{
    SetBackground(this, QColor(200, 200, 200));

    auto check = [this](const char *caption, int top) {
        auto *box = new QCheckBox(QString::fromLatin1(caption), this);
        box->setGeometry(10, top, 105, 21);
        SetFontPixels(box, 13);
        return box;
    };
    auto edit = [this](int left, int top, int width) {
        auto *e = new QLineEdit(this);
        e->setGeometry(left, top, width, 21);
        e->setMaxLength(EntryLength);
        SetFontPixels(e, 13);
        return e;
    };
    auto tilde = [this](int left, int top) {
        auto *label = new QLabel(QStringLiteral("~"), this);
        label->move(left, top);
        return label;
    };

    CheckBox1 = check("Test No", 40);
    Edit1 = edit(120, 40, 105);
    Edit2 = edit(264, 40, 105);
    Label1 = tilde(240, 48);

    CheckBox2 = check("Date", 80);
    ComboBox1 = new TDateList(this, [this] { ComboBox1DropDown(); });
    ComboBox1->setGeometry(120, 80, 105, 21);
    ComboBox2 = new TDateList(this, [this] { ComboBox2DropDown(); });
    ComboBox2->setGeometry(264, 80, 105, 21);
    Label3 = tilde(240, 88);

    CheckBox3 = check("Reading", 120);
    ComboBox3 = new QComboBox(this);
    ComboBox3->setGeometry(120, 120, 89, 21);
    for (const UnitRange &range : UnitRanges)
        ComboBox3->addItem(UnitText(range.unitCode));
    Edit3 = edit(216, 120, 65);
    Edit4 = edit(304, 120, 65);
    Label2 = tilde(288, 125);

    CheckBox4 = check("Test Result", 160);
    ComboBox4 = new QComboBox(this);
    ComboBox4->setGeometry(120, 160, 249, 21);
    ComboBox4->addItems({QStringLiteral("PASS"), QStringLiteral("FAIL")});

    for (QComboBox *list : {ComboBox1, ComboBox2, ComboBox4})
        SetFontPixels(list, 13);
    SetFontPixels(ComboBox3, 13, QStringLiteral("Tahoma"));

    Button1 = new QPushButton(QStringLiteral("O K "), this);
    Button1->setGeometry(104, 208, 83, 33);
    Button2 = new QPushButton(QStringLiteral("Cencel"), this);
    Button2->setGeometry(224, 208, 83, 33);
    // Enter is taken by the key handler below, not by a default button.
    Button1->setAutoDefault(false);
    Button2->setAutoDefault(false);

    OnClick(CheckBox1, [this] { CheckBox1Click(); });
    OnClick(CheckBox2, [this] { CheckBox2Click(); });
    OnClick(CheckBox3, [this] { CheckBox3Click(); });
    OnClick(CheckBox4, [this] { CheckBox4Click(); });
    connect(ComboBox3, &QComboBox::activated, this,
            [this] { RunGuarded([this] { ComboBox3Change(); }); });
    OnClick(Button1, [this] { Button1Click(); });
    OnClick(Button2, [this] { Button2Click(); });
    CloseOnEscape({CheckBox1, CheckBox2, CheckBox3, CheckBox4, Edit1, Edit2, Edit3, Edit4,
                   ComboBox1, ComboBox3, ComboBox4, Button1, Button2});
}

void TFormSerch1::FormShow()
{
    FEnterPressed = false;
    for (QCheckBox *box : {CheckBox1, CheckBox2, CheckBox3, CheckBox4})
        box->setChecked(false);
    for (QLineEdit *e : {Edit1, Edit2, Edit3, Edit4})
        Reset(e, QString(), false);
    for (QComboBox *list : {ComboBox1, ComboBox2, ComboBox3, ComboBox4})
        Reset(list, false);
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

void TFormSerch1::CheckBox1Click()
{
    const bool on = CheckBox1->isChecked();
    Reset(Edit1, on ? QString::number(LowestTestNo) : QString(), on);
    Reset(Edit2, on ? QString::number(HighestTestNo) : QString(), on);
}

void TFormSerch1::CheckBox2Click()
{
    const bool on = CheckBox2->isChecked();
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    for (QComboBox *list : {ComboBox1, ComboBox2}) {
        if (on)
            ShowOnlyItem(list, today);
        else
            list->clear();
        list->setEnabled(on);
    }
}

void TFormSerch1::CheckBox3Click()
{
    const bool on = CheckBox3->isChecked();
    Reset(ComboBox3, on);
    if (on)
        ComboBox3->setCurrentIndex(BacUnit);
    // Switched on, the unit is "%BAC" but the range stays 0.000 to 0.400.
    Reset(Edit3, on ? QString::fromLatin1(ReadingSwitchedOnFrom) : QString(), on);
    Reset(Edit4, on ? QString::fromLatin1(ReadingSwitchedOnTo) : QString(), on);
}

void TFormSerch1::CheckBox4Click()
{
    const bool on = CheckBox4->isChecked();
    Reset(ComboBox4, on);
    if (on)
        ComboBox4->setCurrentIndex(0);
}

void TFormSerch1::ComboBox3Change()
{
    const int unit = ComboBox3->currentIndex();
    if (unit < 0 || unit >= int(std::size(UnitRanges)))
        return;
    Edit3->setText(QString::fromLatin1(UnitRanges[unit].from));
    Edit4->setText(QString::fromLatin1(UnitRanges[unit].to));
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
    SearchCriteria criteria;
    criteria.byTestNo = CheckBox1->isChecked();
    criteria.testNoFrom = Edit1->text();
    criteria.testNoTo = Edit2->text();
    criteria.byDate = CheckBox2->isChecked();
    criteria.dateFrom = ComboBox1->currentText();
    criteria.dateTo = ComboBox2->currentText();
    criteria.byReading = CheckBox3->isChecked();
    criteria.unit = ComboBox3->currentText();
    criteria.readingFrom = Edit3->text();
    criteria.readingTo = Edit4->text();
    criteria.byResult = CheckBox4->isChecked();
    criteria.result = ComboBox4->currentText();

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
