#include "admin/Administer.h"

#include "admin/Massge1.h"
#include "admin/passwordchange.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "link/commands.h"
#include "tester/deviceaction.h"
#include "tester/mainstate.h"

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyledItemDelegate>
#include <iterator>

TFormAdmin *FormAdmin = nullptr;

namespace {
// The CAL list's items are 14 pixels high, whatever the style would give.
class FixedItemHeight : public QStyledItemDelegate
{
public:
    FixedItemHeight(int height, QObject *parent) : QStyledItemDelegate(parent), FHeight(height) {}
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {QStyledItemDelegate::sizeHint(option, index).width(), FHeight};
    }

private:
    int FHeight;
};

void Report(const char *text, const char *caption)
{
    ApplicationMessageBox(QString::fromLatin1(text), QString::fromLatin1(caption));
}
} // namespace

TFormAdmin::TFormAdmin(QWidget *parent) : TForm(parent, QStringLiteral("Administer"), 353, 314)
{
    QFont small(QStringLiteral("MS Sans Serif"));
    small.setPixelSize(11);
    setFont(small);
    QFont labelFont = small;
    labelFont.setPixelSize(13);
    QFont editFont = small;
    editFont.setBold(true);

    auto group = [this](int top, int height) {
        auto *g = new QGroupBox(this);
        g->setGeometry(16, top, 321, height);
        return g;
    };
    auto label = [&labelFont](QWidget *box, int left, int top, const char *caption) {
        auto *l = new QLabel(QString::fromLatin1(caption), box);
        l->move(left, top);
        l->setFont(labelFont);
        l->setTextFormat(Qt::PlainText); // tester texts are shown as they come
        l->adjustSize();
        return l;
    };
    auto button = [](QWidget *box, int left, int top, int width, int height, const char *caption) {
        auto *b = new QPushButton(QString::fromLatin1(caption), box);
        b->setGeometry(left, top, width, height);
        b->setAutoDefault(false);
        return b;
    };
    auto edit = [&editFont](QWidget *box, int top) {
        auto *e = new QLineEdit(box);
        e->setGeometry(184, top, 73, 21);
        e->setFont(editFont);
        e->setMaxLength(4);
        e->setEchoMode(QLineEdit::Password);
        return e;
    };

    GroupBox1 = group(8, 49);
    Label1 = label(GroupBox1, 30, 16, "Total Counter :");
    Label2 = label(GroupBox1, 187, 16, "");
    Label2->resize(70, 16);

    GroupBox2 = group(64, 129);
    Label3 = label(GroupBox2, 30, 20, "Old Password :");
    Edit1 = edit(GroupBox2, 20);
    Label4 = label(GroupBox2, 30, 55, "New Password :");
    Edit2 = edit(GroupBox2, 55);
    Label5 = label(GroupBox2, 30, 90, "Confirm New Password :");
    Edit3 = edit(GroupBox2, 90);
    Button2 = button(GroupBox2, 264, 90, 41, 21, "Set");
    // The captions end a little before the edits.
    for (QLabel *l : {Label3, Label4, Label5}) {
        l->setFont(FittingFont(labelFont, {l->text()}, Edit1->x() - l->x() - 4));
        l->adjustSize();
    }

    // The CAL group lies below the visible client area; it is reached by Tab.
    GroupBox3 = group(320, 49);
    Label6 = label(GroupBox3, 30, 17, "CAL Set :");
    ComboBox1 = new QComboBox(GroupBox3);
    ComboBox1->setGeometry(96, 16, 145, 20);
    for (int value = 100; value <= 1000; value += 100)
        ComboBox1->addItem(QString::number(value));
    ComboBox1->setCurrentIndex(-1);
    ComboBox1->setItemDelegate(new FixedItemHeight(14, ComboBox1));
    Button3 = button(GroupBox3, 264, 16, 41, 21, "Set");

    GroupBox4 = group(208, 49);
    Label7 = label(GroupBox4, 30, 17, "All Data Delete");
    Button4 = button(GroupBox4, 264, 17, 41, 21, "Set");

    Button1 = button(this, 136, 272, 89, 33, "Cancel");

    QWidget *const tabOrder[] = {Button2,   Edit1,   Edit2,   Edit3,
                                 ComboBox1, Button3, Button4, Button1};
    for (int i = 1; i < int(std::size(tabOrder)); ++i)
        setTabOrder(tabOrder[i - 1], tabOrder[i]);
    OnClick(Button1, [this] { Button1Click(); });
    OnClick(Button2, [this] { Button2Click(); });
    OnClick(Button3, [this] { Button3Click(); });
    OnClick(Button4, [this] { Button4Click(); });
}

bool TFormAdmin::Confirmed(int mode)
{
    return FormYesNo->Ask(mode, Left(), Top() + 120);
}

void TFormAdmin::Button2Click()
{
    if (!Confirmed(1))
        return;
    switch (CheckPasswordChange(AdminPassword, Edit1->text(), Edit2->text(), Edit3->text())) {
    case PasswordChange::Refused:
        Report("Fail to change!!!", CapFailure);
        break;
    case PasswordChange::NotDigits:
        Report("Only numbers are available!!!", CapFailure);
        break;
    case PasswordChange::Accepted:
        // In force at once; the settings file takes it when the program ends.
        AdminPassword = Edit2->text();
        Report("Change complete!!!", CapCompletion);
        break;
    }
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
}

void TFormAdmin::Button3Click()
{
    if (!Confirmed(2))
        return;
    const int index = ComboBox1->currentIndex();
    if (index < 0 || Connected == 0) {
        Report("Fail to setting!!!", CapFailure);
        return;
    }
    // The tester's answer says nothing about the setting. A port error goes
    // on to the error box, with the port closed first.
    ExchangeOnce(CalCommand(index), ExchangeOptions().WithHourglassOn(Button3));
    Report(MsgSettingComplete, CapCompletion);
}

void TFormAdmin::Button4Click()
{
    if (!Confirmed(3))
        return;
    const std::optional<QByteArray> reply = AskTester(PortRefusal::Application, Cmd::DeleteAll,
                                                      ExchangeOptions().WithHourglassOn(Button4));
    if (!reply)
        return;
    if (IsAcknowledged(*reply))
        Report("Delete complete!!!", CapCompletion);
    else
        Report("Fail to delete!!!", CapFailure);
}

void TFormAdmin::Button1Click()
{
    close();
}

void TFormAdmin::FormClose()
{
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
    ComboBox1->setCurrentIndex(-1);
}
