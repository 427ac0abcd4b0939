// The archive window's filter: the search's criteria over the archive.

#include "archive/Archive.h"

#include "app/messagebox.h"
#include "app/widgets.h"
#include "archive/testerlist.h"
#include "records/Serch1.h"
#include "records/searchfilter.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <iterator>

void TFormArchive::CreateFilter()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Filter"), this);
    GroupBox1->setGeometry(620, 80, 552, 196);
    auto check = [this](const char *caption, int top) {
        auto *box = new QCheckBox(QString::fromLatin1(caption), GroupBox1);
        box->setGeometry(10, top, 105, 21);
        SetFontPixels(box, 13);
        return box;
    };
    auto edit = [this](int left, int top, int width) {
        auto *e = new QLineEdit(GroupBox1);
        e->setGeometry(left, top, width, 21);
        e->setMaxLength(5);
        SetFontPixels(e, 13);
        connect(e, &QLineEdit::returnPressed, this,
                [this] { RunGuarded([this] { Button1Click(); }); });
        return e;
    };
    auto tilde = [this](int left, int top) {
        (new QLabel(QStringLiteral("~"), GroupBox1))->move(left, top);
    };

    CheckBox1 = check("Test No", 28);
    Edit1 = edit(120, 28, 105);
    Edit2 = edit(264, 28, 105);
    tilde(240, 32);
    CheckBox2 = check("Date", 68);
    ComboBox1 = new TDateList(GroupBox1, [this] { PickDate(ComboBox1); });
    ComboBox1->setGeometry(120, 68, 105, 21);
    ComboBox2 = new TDateList(GroupBox1, [this] { PickDate(ComboBox2); });
    ComboBox2->setGeometry(264, 68, 105, 21);
    tilde(240, 72);
    CheckBox3 = check("Reading", 108);
    ComboBox3 = new QComboBox(GroupBox1);
    ComboBox3->setGeometry(120, 108, 89, 21);
    for (const UnitRange &range : UnitRanges)
        ComboBox3->addItem(UnitText(range.unitCode));
    Edit3 = edit(216, 108, 65);
    Edit4 = edit(304, 108, 65);
    tilde(288, 112);
    CheckBox4 = check("Test Result", 148);
    ComboBox4 = new QComboBox(GroupBox1);
    ComboBox4->setGeometry(120, 148, 249, 21);
    ComboBox4->addItems({QStringLiteral("PASS"), QStringLiteral("FAIL")});
    for (QComboBox *list : {ComboBox1, ComboBox2, ComboBox4})
        SetFontPixels(list, 13);
    SetFontPixels(ComboBox3, 13, QStringLiteral("Tahoma"));

    Button1 = new QPushButton(QStringLiteral("Apply"), GroupBox1);
    Button1->setGeometry(440, 136, 83, 33);

    OnClick(CheckBox1, [this] { CheckBox1Click(); });
    OnClick(CheckBox2, [this] { CheckBox2Click(); });
    OnClick(CheckBox3, [this] { CheckBox3Click(); });
    OnClick(CheckBox4, [this] { CheckBox4Click(); });
    connect(ComboBox3, &QComboBox::activated, this,
            [this] { RunGuarded([this] { ComboBox3Change(); }); });
    OnClick(Button1, [this] { Button1Click(); });
}

ArchiveQuery TFormArchive::Query() const
{
    ArchiveQuery query;
    query.testerId = FTesterId;
    SearchCriteria &c = query.criteria;
    c.byTestNo = CheckBox1->isChecked();
    c.testNoFrom = Edit1->text();
    c.testNoTo = Edit2->text();
    c.byDate = CheckBox2->isChecked();
    c.dateFrom = ComboBox1->currentText();
    c.dateTo = ComboBox2->currentText();
    c.byReading = CheckBox3->isChecked();
    c.unit = ComboBox3->currentText();
    c.readingFrom = Edit3->text();
    c.readingTo = Edit4->text();
    c.byResult = CheckBox4->isChecked();
    c.result = ComboBox4->currentText();
    return query;
}

void TFormArchive::CheckBox1Click()
{
    const bool on = CheckBox1->isChecked();
    Edit1->setText(on ? QString::number(LowestTestNo) : QString());
    Edit2->setText(on ? QString::number(HighestTestNo) : QString());
    Edit1->setEnabled(on);
    Edit2->setEnabled(on);
}

void TFormArchive::CheckBox2Click()
{
    const bool on = CheckBox2->isChecked();
    // The range the selection's tests span, so that narrowing starts there.
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
    ShowOnlyItem(ComboBox1, from.isEmpty() ? today : from);
    ShowOnlyItem(ComboBox2, to.isEmpty() ? today : to);
    for (QComboBox *list : {ComboBox1, ComboBox2}) {
        if (!on)
            list->clear();
        list->setEnabled(on);
    }
}

void TFormArchive::CheckBox3Click()
{
    const bool on = CheckBox3->isChecked();
    ComboBox3->setCurrentIndex(on ? BacUnit : -1);
    ComboBox3->setEnabled(on);
    Edit3->setText(on ? QString::fromLatin1(ReadingSwitchedOnFrom) : QString());
    Edit4->setText(on ? QString::fromLatin1(ReadingSwitchedOnTo) : QString());
    Edit3->setEnabled(on);
    Edit4->setEnabled(on);
}

void TFormArchive::CheckBox4Click()
{
    const bool on = CheckBox4->isChecked();
    ComboBox4->setCurrentIndex(on ? 0 : -1);
    ComboBox4->setEnabled(on);
}

void TFormArchive::ComboBox3Change()
{
    const int unit = ComboBox3->currentIndex();
    if (unit < 0 || unit >= int(std::size(UnitRanges)))
        return;
    Edit3->setText(QString::fromLatin1(UnitRanges[unit].from));
    Edit4->setText(QString::fromLatin1(UnitRanges[unit].to));
}

void TFormArchive::PickDate(QComboBox *list)
{
    const QPoint at = list->mapTo(this, QPoint(0, list->height()));
    ShowOnlyItem(list, PickedDate(Left() + at.x(), Top() + at.y()));
}
