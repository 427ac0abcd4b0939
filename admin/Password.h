#pragma once
// The administrator password prompt. A right password sets AdminUnlocked;
// the information action then opens the administration dialog.

#include "kit/form.h"

class QLabel;
class QLineEdit;
class QPushButton;

class TFormPassWord : public TForm
{
    Q_OBJECT
public:
    explicit TFormPassWord(QWidget *parent);

    void BitBtn1Click(); // OK
    void BitBtn2Click(); // Cancel
    // A key released in the entry field or on either button.
    void BitBtn2KeyUp(int key);

    QLabel *Label1;
    QLineEdit *Edit1;
    QPushButton *BitBtn1, *BitBtn2;

protected:
    void FormShow() override;
    void FormClose() override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

extern TFormPassWord *FormPassWord;

// Shows the prompt at left, top: true once the right password was given.
// AdminUnlocked is 0 again afterwards.
bool AdminPasswordGiven(int left, int top);
