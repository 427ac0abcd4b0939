#pragma once
// The date picker: a year box, a month list and a calendar; a double click
// on a day closes it, and the caller reads the calendar's date.

#include "kit/form.h"

class QComboBox;
class TCCalendar;
class TCSpinEdit;

class TDateForm : public TForm
{
    Q_OBJECT
public:
    explicit TDateForm(QWidget *parent);

    void CSpinEdit1Change();
    void ComboBox1Change(int index);
    void CCalendar1DblClick();

    TCSpinEdit *CSpinEdit1;
    QComboBox *ComboBox1;
    TCCalendar *CCalendar1;

protected:
    void FormShow() override;
};

extern TDateForm *DateForm;
