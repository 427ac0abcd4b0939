#include "device/Setup.h"

#include "device/Datetime.h"
#include "kit/messagebox.h"
#include "kit/widgets.h"
#include "tester/deviceaction.h"
#include "tester/mainstate.h"
#include "tester/portsearch.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>

TFormSetup *FormSetup = nullptr;

namespace {
const char *const BaudItems[16] = {"Custom", "110",    "300",    "600",   "1200",  "2400",
                                   "4800",   "9600",   "14400",  "19200", "38400", "56000",
                                   "57600",  "115200", "128000", "256000"};
}

TFormSetup::TFormSetup(QWidget *parent) : TForm(parent, QStringLiteral("Setting"), 527, 287)
{
    SetBackground(this, QColor(192, 192, 192));

    auto *panel = new QFrame(this);
    panel->setGeometry(0, 0, 527, 230);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Raised);
    SetBackground(panel, QColor(200, 200, 200));

    GroupBox1 = new QGroupBox(QStringLiteral(" COM Port "), panel);
    GroupBox1->setGeometry(16, 12, 233, 105);
    ComboBox1 = new QComboBox(GroupBox1);
    ComboBox1->setGeometry(16, 28, 201, 24);
    ComboBox1->addItems({"COM0", "COM1", "COM2", "COM3", "COM4"});
    ComboBox1->setCurrentIndex(1);
    CheckBox1 = new QCheckBox(QStringLiteral("USB Auto Search"), GroupBox1);
    CheckBox1->setGeometry(16, 66, 201, 22);

    GroupBox2 = new QGroupBox(QStringLiteral(" Baud Rate "), panel);
    GroupBox2->setGeometry(16, 124, 233, 89);
    ComboBox2 = new QComboBox(GroupBox2);
    ComboBox2->setGeometry(16, 32, 201, 24);
    for (const char *item : BaudItems)
        ComboBox2->addItem(QString::fromLatin1(item));
    ComboBox2->setCurrentIndex(7);
    ComboBox2->setEnabled(false);

    BitBtn1 =
        PictureButton(panel, {280, 24, 100, 61}, {97, 57}, "datetime_setup", "DATE/TIME SETUP");

    RadioButton1 = new QRadioButton(QStringLiteral("USB"), panel);
    RadioButton1->setGeometry(288, 120, 120, 24);
    RadioButton2 = new QRadioButton(QStringLiteral("Bluetooth"), panel);
    RadioButton2->setGeometry(288, 156, 120, 24);
    RadioButton1->setChecked(true);
    auto *modes = new QButtonGroup(this);
    modes->addButton(RadioButton1);
    modes->addButton(RadioButton2);

    Button1 = new QPushButton(QStringLiteral("Cancel"), this);
    Button1->setGeometry(296, 243, 97, 33);
    Button2 = new QPushButton(QStringLiteral("O K"), this);
    Button2->setGeometry(408, 243, 97, 33);
    for (QPushButton *b : {Button1, Button2})
        b->setAutoDefault(false);

    setTabOrder(ComboBox1, CheckBox1);
    setTabOrder(CheckBox1, ComboBox2);
    setTabOrder(ComboBox2, BitBtn1);
    setTabOrder(BitBtn1, RadioButton1);
    setTabOrder(RadioButton1, RadioButton2);
    setTabOrder(RadioButton2, Button1);
    setTabOrder(Button1, Button2);

    OnClick(Button1, [this] { Button1Click(); });
    OnClick(Button2, [this] { Button2Click(); });
    OnClick(BitBtn1, [this] { BitBtn1Click(); });
    // A radio button's handler runs when the selection changes to it.
    connect(RadioButton1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            RunGuarded([this] { RadioButton1Click(); });
    });
    connect(RadioButton2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            RunGuarded([this] { RadioButton2Click(); });
    });
    CloseOnEscape({ComboBox1, CheckBox1, ComboBox2, BitBtn1, Button1, Button2});
}

void TFormSetup::FormShow()
{
    if (BluetoothMode == 0)
        RadioButton1->setChecked(true);
    else if (BluetoothMode == 1)
        RadioButton2->setChecked(true);
    CheckBox1->setChecked(LinkSettings[AutoSearch] != 0);
    const int port = LinkSettings[PortIndex];
    ComboBox1->setCurrentIndex(port >= 0 && port < ComboBox1->count() ? port : -1);
    const int baud = LinkSettings[BaudIndex];
    ComboBox2->setCurrentIndex(baud >= 0 && baud < ComboBox2->count() ? baud : -1);
}

void TFormSetup::Button2Click()
{
    LinkSettings[AutoSearch] = CheckBox1->isChecked() ? 1 : 0;
    LinkSettings[PortIndex] = ComboBox1->currentIndex();
    LinkSettings[BaudIndex] = ComboBox2->currentIndex();
    close();
}

void TFormSetup::Button1Click()
{
    close();
}

void TFormSetup::RadioButton1Click()
{
    BluetoothMode = 0;
    if (Connected == 0)
        RefreshPortList();
    CheckBox1->setChecked(true);
    CheckBox1->setEnabled(true);
}

void TFormSetup::RadioButton2Click()
{
    BluetoothMode = 1;
    if (Connected == 0)
        RefreshPortList();
    CheckBox1->setChecked(false);
    CheckBox1->setEnabled(false);
}

void TFormSetup::BitBtn1Click()
{
    if (!TesterLinked(PortRefusal::Application))
        return;
    FormTime->SetPlace(Left() + 250, Top() + 120);
    FormTime->ShowModal();
}
