#pragma once
// The tester's identity and counters. A double click on the version label is
// the way to the administrator password prompt.

#include "kit/form.h"

class QLabel;
class QPushButton;
struct IdentificationValues;

class TFormInfor : public TForm
{
    Q_OBJECT
public:
    explicit TFormInfor(QWidget *parent);

    // Writes identification lines 1 to 6 into their value labels; a line
    // that is not present leaves its label as it was.
    void ShowLines(const IdentificationValues &values);

    void Button1Click();
    void Label13DblClick();

    QLabel *Label13;
    QLabel *Label11, *Label12, *Label2, *Label3, *Label4, *Label5, *Label6, *Label7;
    QLabel *Label1, *Label8, *Label9, *Label10;
    QPushButton *Button1;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};

extern TFormInfor *FormInfor;
