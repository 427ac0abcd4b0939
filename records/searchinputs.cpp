#include "records/searchinputs.h"

#include "kit/form.h"
#include "kit/messagebox.h"
#include "kit/widgets.h"
#include "records/datelist.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

#include <iterator>

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

void FillUnitList(QComboBox *list)
{
    for (const UnitRange &range : UnitRanges)
        list->addItem(UnitText(range.unitCode));
    SetFontPixels(list, 13, QStringLiteral("Tahoma"));
}

void TSearchInputs::CreateInputs(QWidget *parent, int top, std::function<void()> pickFrom,
                                 std::function<void()> pickTo)
{
    auto check = [parent](const char *caption, int y) {
        auto *box = new QCheckBox(QString::fromLatin1(caption), parent);
        box->setGeometry(10, y, 105, 21);
        SetFontPixels(box, 13);
        return box;
    };
    auto edit = [parent](int left, int y, int width) {
        auto *e = new QLineEdit(parent);
        e->setGeometry(left, y, width, 21);
        e->setMaxLength(EntryLength);
        SetFontPixels(e, 13);
        return e;
    };
    auto tilde = [parent](int left, int y) {
        auto *label = new QLabel(QStringLiteral("~"), parent);
        label->move(left, y);
        return label;
    };

    CheckBox1 = check("Test No", top);
    Edit1 = edit(120, top, 105);
    Edit2 = edit(264, top, 105);
    Label1 = tilde(240, top + 8);

    CheckBox2 = check("Date", top + 40);
    ComboBox1 = new TDateList(parent, std::move(pickFrom));
    ComboBox1->setGeometry(120, top + 40, 105, 21);
    ComboBox2 = new TDateList(parent, std::move(pickTo));
    ComboBox2->setGeometry(264, top + 40, 105, 21);
    Label3 = tilde(240, top + 48);

    CheckBox3 = check("Reading", top + 80);
    ComboBox3 = new QComboBox(parent);
    ComboBox3->setGeometry(120, top + 80, 89, 21);
    FillUnitList(ComboBox3);
    Edit3 = edit(216, top + 80, 65);
    Edit4 = edit(304, top + 80, 65);
    Label2 = tilde(288, top + 85);

    CheckBox4 = check("Test Result", top + 120);
    ComboBox4 = new QComboBox(parent);
    ComboBox4->setGeometry(120, top + 120, 249, 21);
    ComboBox4->addItems({QStringLiteral("PASS"), QStringLiteral("FAIL")});

    for (QComboBox *list : {ComboBox1, ComboBox2, ComboBox4})
        SetFontPixels(list, 13);

    OnClick(CheckBox1, [this] { TestNoSwitched(); });
    OnClick(CheckBox3, [this] { ReadingSwitched(); });
    OnClick(CheckBox4, [this] { ResultSwitched(); });
    QObject::connect(ComboBox3, &QComboBox::activated, ComboBox3,
                     [this] { RunGuarded([this] { UnitChanged(); }); });
}

void TSearchInputs::ResetInputs()
{
    for (QCheckBox *box : {CheckBox1, CheckBox2, CheckBox3, CheckBox4})
        box->setChecked(false);
    for (QLineEdit *e : {Edit1, Edit2, Edit3, Edit4})
        Reset(e, QString(), false);
    for (QComboBox *list : {ComboBox1, ComboBox2, ComboBox3, ComboBox4})
        Reset(list, false);
}

void TSearchInputs::TestNoSwitched()
{
    const bool on = CheckBox1->isChecked();
    Reset(Edit1, on ? QString::number(LowestTestNo) : QString(), on);
    Reset(Edit2, on ? QString::number(HighestTestNo) : QString(), on);
}

void TSearchInputs::DateSwitched(const QString &from, const QString &to)
{
    const bool on = CheckBox2->isChecked();
    if (on) {
        ShowOnlyItem(ComboBox1, from);
        ShowOnlyItem(ComboBox2, to);
    } else {
        ComboBox1->clear();
        ComboBox2->clear();
    }
    ComboBox1->setEnabled(on);
    ComboBox2->setEnabled(on);
}

void TSearchInputs::ReadingSwitched()
{
    const bool on = CheckBox3->isChecked();
    Reset(ComboBox3, on);
    if (on)
        ComboBox3->setCurrentIndex(BacUnit);
    // Switched on, the unit is "%BAC" but the range stays 0.000 to 0.400.
    Reset(Edit3, on ? QString::fromLatin1(ReadingSwitchedOnFrom) : QString(), on);
    Reset(Edit4, on ? QString::fromLatin1(ReadingSwitchedOnTo) : QString(), on);
}

void TSearchInputs::ResultSwitched()
{
    const bool on = CheckBox4->isChecked();
    Reset(ComboBox4, on);
    if (on)
        ComboBox4->setCurrentIndex(0);
}

void TSearchInputs::UnitChanged()
{
    const int unit = ComboBox3->currentIndex();
    if (unit < 0 || unit >= int(std::size(UnitRanges)))
        return;
    Edit3->setText(QString::fromLatin1(UnitRanges[unit].from));
    Edit4->setText(QString::fromLatin1(UnitRanges[unit].to));
}

SearchCriteria TSearchInputs::Criteria() const
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
    return criteria;
}
