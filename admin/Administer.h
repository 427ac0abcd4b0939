#pragma once
// The administration dialog: the tester's total counter, the administrator
// password, the CAL setting and deleting every record in the tester.

#include "kit/form.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFormAdmin : public TForm
{
    Q_OBJECT
public:
    explicit TFormAdmin(QWidget *parent);

    void Button2Click(); // change the password
    void Button3Click(); // CAL setting
    void Button4Click(); // delete all data
    void Button1Click(); // Cancel

    QGroupBox *GroupBox1, *GroupBox2, *GroupBox3, *GroupBox4;
    QLabel *Label1, *Label2; // Label2: the total counter
    QLabel *Label3, *Label4, *Label5, *Label6, *Label7;
    QLineEdit *Edit1, *Edit2, *Edit3; // old, new, confirmation
    QComboBox *ComboBox1;             // CAL values
    QPushButton *Button1, *Button2, *Button3, *Button4;

protected:
    void FormClose() override;

private:
    // Asks the question of mode in the confirmation dialog; true after Yes.
    bool Confirmed(int mode);
};

extern TFormAdmin *FormAdmin;
