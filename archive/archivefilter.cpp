// The archive window's filter: the search's criteria over the archive.

#include "archive/Archive.h"

#include "archive/testerlist.h"
#include "kit/messagebox.h"
#include "records/datelist.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>

void TFormArchive::CreateFilter()
{
    GroupBox1 = new QGroupBox(QStringLiteral("Filter"), this);
    GroupBox1->setGeometry(620, 80, 552, 196);
    CreateInputs(
        GroupBox1, 28, [this] { PickDate(ComboBox1); }, [this] { PickDate(ComboBox2); });
    Button1 = new QPushButton(QStringLiteral("Apply"), GroupBox1);
    Button1->setGeometry(440, 136, 83, 33);
    // Enter in a range applies the filter.
    for (QLineEdit *e : {Edit1, Edit2, Edit3, Edit4})
        connect(e, &QLineEdit::returnPressed, this,
                [this] { RunGuarded([this] { Button1Click(); }); });
    OnClick(CheckBox2, [this] { CheckBox2Click(); });
    OnClick(Button1, [this] { Button1Click(); });
}

ArchiveQuery TFormArchive::Query() const
{
    return {FTesterId, Criteria()};
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
