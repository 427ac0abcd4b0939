#pragma once
// The shared Yes/No confirmation dialog. A caller sets ConfirmMode (and in
// mode 5 the question in Label1), shows the dialog modally and then reads
// ConfirmResult, setting it back to 0 when it reads a 1.

#include "app/form.h"

class QLabel;
class QPushButton;

extern int ConfirmMode;   // 1, 2, 3: fixed questions; 5: the caller's own text
extern int ConfirmResult; // 1 after Yes, otherwise 0

class TFormYesNo : public TForm
{
    Q_OBJECT
public:
    explicit TFormYesNo(QWidget *parent);

    void BitBtn1Click(); // Yes
    void BitBtn2Click(); // No

    QLabel *Label1;
    QPushButton *BitBtn1, *BitBtn2;

protected:
    void FormShow() override;
};

extern TFormYesNo *FormYesNo;

// Every caller's sequence: ConfirmMode set to mode (in mode 5 with question
// in Label1), the dialog placed at left, top and shown modally. True after
// Yes, with ConfirmResult set back to 0.
bool AskConfirmation(int mode, int left, int top, const QString &question = QString());
