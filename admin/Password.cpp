#include "admin/Password.h"

#include "kit/messagebox.h"
#include "kit/texts.h"
#include "tester/mainstate.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

TFormPassWord *FormPassWord = nullptr;

TFormPassWord::TFormPassWord(QWidget *parent) : TForm(parent, QStringLiteral("Password"), 225, 121)
{
    QFont small(QStringLiteral("MS Sans Serif"));
    small.setPixelSize(11);
    setFont(small);

    Label1 = new QLabel(QStringLiteral("Enter your password."), this);
    Label1->setGeometry(32, 16, 161, 16);
    QFont labelFont = Label1->font();
    labelFont.setPixelSize(13);
    Label1->setFont(labelFont);

    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(32, 40, 161, 24);
    QFont bold = labelFont;
    bold.setBold(true);
    Edit1->setFont(bold);
    Edit1->setMaxLength(4);
    Edit1->setEchoMode(QLineEdit::Password);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setGeometry(32, 80, 75, 25);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setGeometry(120, 80, 75, 25);
    for (QPushButton *b : {BitBtn1, BitBtn2}) {
        // Enter confirms only through the key-up handler, never by default.
        b->setAutoDefault(false);
        b->setFocusPolicy(Qt::ClickFocus);
    }
    OnClick(BitBtn1, [this] { BitBtn1Click(); });
    OnClick(BitBtn2, [this] { BitBtn2Click(); });
    for (QWidget *w : {static_cast<QWidget *>(Edit1), static_cast<QWidget *>(BitBtn1),
                       static_cast<QWidget *>(BitBtn2)})
        w->installEventFilter(this);
}

void TFormPassWord::FormShow()
{
    Edit1->setFocus();
}

void TFormPassWord::FormClose()
{
    Edit1->clear();
}

void TFormPassWord::BitBtn1Click()
{
    if (Edit1->text() == AdminPassword) {
        AdminUnlocked = 1;
        close();
        return;
    }
    ApplicationMessageBox(QStringLiteral("Wrong password!!!"), QString::fromLatin1(CapFailure));
    Edit1->clear();
    Edit1->setFocus();
}

void TFormPassWord::BitBtn2Click()
{
    close();
}

void TFormPassWord::BitBtn2KeyUp(int key)
{
    if (key == Qt::Key_Escape)
        BitBtn2Click();
    else if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !Edit1->text().isEmpty())
        BitBtn1Click();
}

bool TFormPassWord::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease) {
        const auto *keyEvent = static_cast<QKeyEvent *>(event);
        const int key = keyEvent->key();
        if (!keyEvent->isAutoRepeat())
            RunGuarded([this, key] { BitBtn2KeyUp(key); });
        return false;
    }
    return TForm::eventFilter(watched, event);
}

bool AdminPasswordGiven(int left, int top)
{
    AdminUnlocked = 0;
    FormPassWord->SetPlace(left, top);
    FormPassWord->ShowModal();
    const bool unlocked = AdminUnlocked == 1;
    AdminUnlocked = 0;
    return unlocked;
}
