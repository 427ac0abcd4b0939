#pragma once
// The search criteria dialog: test-number range, date range, reading range in
// one unit and test result; "O K " picks the matching records out of the
// results grid into the search result window.

#include "kit/form.h"
#include "records/searchinputs.h"

#include <QComboBox>
#include <functional>

class QPushButton;

// The criteria's controls (CheckBox1 to 4, Edit1 to 4, ComboBox1 to 4, Label1
// to 3) come from TSearchInputs.
class TFormSerch1 : public TForm, public TSearchInputs
{
    Q_OBJECT
public:
    explicit TFormSerch1(QWidget *parent);

    void CheckBox2Click(); // the date switch: today in both lists
    void ComboBox1DropDown();
    void ComboBox2DropDown();
    void Button1Click();
    void Button2Click();

    QPushButton *Button1, *Button2;

protected:
    void FormShow() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void PickDate(QComboBox *list, int leftOffset);

    bool FEnterPressed = false;
};

extern TFormSerch1 *FormSerch1;
