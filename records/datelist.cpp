#include "records/datelist.h"

#include "device/Tdate.h"
#include "kit/ccalendar.h"
#include "kit/messagebox.h"

#include <utility>

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
