#pragma once
// The connection settings dialog. It also owns the port list and the baud
// list that every device action reads, shown or not.

#include "kit/form.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QToolButton;

class TFormSetup : public TForm
{
    Q_OBJECT
public:
    explicit TFormSetup(QWidget *parent);

    void Button2Click(); // O K
    void Button1Click(); // Cancel
    void RadioButton1Click();
    void RadioButton2Click();
    void BitBtn1Click(); // DATE/TIME SETUP

    QGroupBox *GroupBox1, *GroupBox2;
    QComboBox *ComboBox1; // the port list
    QCheckBox *CheckBox1;
    QComboBox *ComboBox2; // the baud list; its index is a TBaudRate
    QRadioButton *RadioButton1, *RadioButton2;
    QToolButton *BitBtn1;
    QPushButton *Button1, *Button2;

protected:
    void FormShow() override;
};

extern TFormSetup *FormSetup;
