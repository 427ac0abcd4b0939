#pragma once
// The search criteria dialog: test-number range, date range, reading range in
// one unit and test result; "O K " picks the matching records out of the
// results grid into the search result window.

#include "app/form.h"

#include <QComboBox>
#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFormSerch1 : public TForm
{
    Q_OBJECT
public:
    explicit TFormSerch1(QWidget *parent);

    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void CheckBox4Click();
    void ComboBox3Change();
    void ComboBox1DropDown();
    void ComboBox2DropDown();
    void Button1Click();
    void Button2Click();

    QCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4;
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4;
    QComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox4;
    QLabel *Label1, *Label2, *Label3;
    QPushButton *Button1, *Button2;

protected:
    void FormShow() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void PickDate(QComboBox *list, int leftOffset);

    bool FEnterPressed = false;
};

extern TFormSerch1 *FormSerch1;

// A date list: opening it hands over to dropDown (the date picker) instead of
// showing its items.
class TDateList : public QComboBox
{
public:
    TDateList(QWidget *parent, std::function<void()> dropDown);
    void showPopup() override;

private:
    std::function<void()> FDropDown;
};

// Shows the date picker at left, top and gives the date its calendar holds
// when it closes, as "yyyy-mm-dd".
QString PickedDate(int left, int top);
// Empties list and shows text as its only item, selected.
void ShowOnlyItem(QComboBox *list, const QString &text);
