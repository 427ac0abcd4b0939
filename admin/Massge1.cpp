#include "admin/Massge1.h"

#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>

TFormYesNo *FormYesNo = nullptr;
int ConfirmMode = 0;
int ConfirmResult = 0;

TFormYesNo::TFormYesNo(QWidget *parent) : TForm(parent, QStringLiteral("Confirmation"), 355, 116)
{
    QFont small(QStringLiteral("MS Sans Serif"));
    small.setPixelSize(11);
    setFont(small);

    Label1 = new QLabel(this);
    Label1->setGeometry(8, 24, 337, 16);
    Label1->setAlignment(Qt::AlignCenter);
    QFont question = Label1->font();
    question.setPixelSize(13);
    Label1->setFont(question);

    BitBtn1 = new QPushButton(QStringLiteral("Yes"), this);
    BitBtn1->setGeometry(80, 64, 75, 25);
    BitBtn2 = new QPushButton(QStringLiteral("No"), this);
    BitBtn2->setGeometry(200, 64, 75, 25);
    for (QPushButton *b : {BitBtn1, BitBtn2})
        b->setAutoDefault(false);
    setTabOrder(BitBtn1, BitBtn2);
    OnClick(BitBtn1, [this] { BitBtn1Click(); });
    OnClick(BitBtn2, [this] { BitBtn2Click(); });
}

void TFormYesNo::FormShow()
{
    static const char *const questions[] = {
        "Are you sure you want to change your password?",
        "Are you sure you want to change your CAL setting?",
        "Are you sure you want to delete all data?",
    };
    if (ConfirmMode >= 1 && ConfirmMode <= 3)
        Label1->setText(QString::fromLatin1(questions[ConfirmMode - 1]));
    // A question longer than the line is broken over two, above the buttons.
    const bool wraps = Label1->fontMetrics().horizontalAdvance(Label1->text()) > 337;
    Label1->setWordWrap(wraps);
    Label1->setGeometry(wraps ? QRect(8, 14, 337, 44) : QRect(8, 24, 337, 16));
}

bool TFormYesNo::Ask(int mode, int left, int top, const QString &question)
{
    ConfirmMode = mode;
    if (mode == 5)
        Label1->setText(question);
    SetPlace(left, top);
    ShowModal();
    const bool yes = ConfirmResult == 1;
    ConfirmResult = 0;
    return yes;
}

void TFormYesNo::BitBtn1Click()
{
    // The caller's modal wait returns only once control is back in its
    // event loop, so the answer is set before the caller reads it.
    close();
    ConfirmResult = 1;
}

void TFormYesNo::BitBtn2Click()
{
    ConfirmResult = 0;
    close();
}
