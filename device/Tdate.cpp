#include "device/Tdate.h"

#include "kit/ccalendar.h"
#include "kit/cspinedit.h"
#include "kit/widgets.h"

#include <QComboBox>
#include <QDate>

TDateForm *DateForm = nullptr;

namespace {
constexpr int FirstYear = 2000;
constexpr int LastYear = 2099;
} // namespace

TDateForm::TDateForm(QWidget *parent) : TForm(parent, QStringLiteral(""), 201, 225, Border::None)
{
    SetBackground(this, Qt::black);

    CSpinEdit1 = new TCSpinEdit(this);
    CSpinEdit1->setGeometry(8, 8, 89, 22);
    CSpinEdit1->SetRange(FirstYear, LastYear);
    CSpinEdit1->SetIncrement(1);
    CSpinEdit1->SetValue(2011);

    ComboBox1 = new QComboBox(this);
    ComboBox1->setGeometry(104, 8, 89, 22);
    for (int month = 1; month <= 12; ++month)
        ComboBox1->addItem(QString::number(month).rightJustified(2, u'0'));
    ComboBox1->setCurrentIndex(5);

    CCalendar1 = new TCCalendar(this);
    CCalendar1->setGeometry(8, 32, 185, 185);

    CSpinEdit1->OnChange = [this] { CSpinEdit1Change(); };
    connect(ComboBox1, &QComboBox::activated, this, [this](int index) { ComboBox1Change(index); });
    CCalendar1->OnDblClick = [this] { CCalendar1DblClick(); };
}

void TDateForm::FormShow()
{
    const QDate today = QDate::currentDate();
    CCalendar1->SetDateElement(TCCalendar::Year, today.year());
    CCalendar1->SetDateElement(TCCalendar::Month, today.month());
    CCalendar1->SetDateElement(TCCalendar::Day, today.day());
    ComboBox1->setCurrentIndex(CCalendar1->GetDateElement(TCCalendar::Month) - 1);
    CSpinEdit1->SetValue(CCalendar1->GetDateElement(TCCalendar::Year));
}

void TDateForm::CSpinEdit1Change()
{
    CCalendar1->SetDateElement(TCCalendar::Year, CSpinEdit1->Value());
}

void TDateForm::ComboBox1Change(int index)
{
    CCalendar1->SetDateElement(TCCalendar::Month, ComboBox1->itemText(index).toInt());
}

void TDateForm::CCalendar1DblClick()
{
    close();
}
