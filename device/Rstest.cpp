#include "device/Rstest.h"

#include "admin/Massge1.h"
#include "device/devicefields.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "link/commands.h"
#include "tester/deviceaction.h"
#include "tester/mainstate.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QWindow>

#include <algorithm>
#include <iterator>

TFormTest *FormTest = nullptr;

namespace {

// The initialisations of the VKD-7's memory, in button order. The question
// and the outcome texts are the caption followed by a fixed ending.
struct Initialisation
{
    const char *caption;
    QByteArray command;
    const char *description[3]; // one to three lines
};

const Initialisation Initialisations[6] = {
    {"공장 초기화", Cmd::FactoryInit, {"RTC를 제외한 모든 설정값을 초기화"}},
    {"관리자 초기화",
     Cmd::AdminInit,
     {"RTC, 압력/알콜센서 교정 값 및 일자,", "시리얼 번호, 정확도 검사 일자 및 측정 DATA를",
      "제와한 나머지 설정값을 초기화"}},
    {"센서 초기화", Cmd::SensorInit, {"센서의 사용횟수를 초기화"}},
    {"출고 초기화",
     Cmd::ShippingInit,
     {"교정후 사용횟수, 제품의 총 사용 횟수 , 측정 DATA,", "센서의 총 사용 횟수 초기화"}},
    {"측정 DATA 초기화", Cmd::MeasurementInit, {"측정 DATA 초기화"}},
    {"정확도 DATA 초기화", Cmd::AccuracyInit, {"정확도 DATA  초기화"}},
};

constexpr int OuterWidth = 1006;
constexpr int OuterHeight = 529;

const char SerialSetting[] = "시리얼셋팅";
const char WrongSerialNumber[] = "Wrong serial number!!!";

QString Utf8(const char *text)
{
    return QString::fromUtf8(text);
}

QPushButton *NewButton(const QString &caption, QWidget *parent, const QRect &place)
{
    auto *button = new QPushButton(caption, parent);
    button->setGeometry(place);
    button->setAutoDefault(false);
    return button;
}

QLineEdit *NewSerialEdit(QWidget *parent, const QRect &place)
{
    auto *edit = new QLineEdit(parent);
    edit->setGeometry(place);
    edit->setMaxLength(SerialNumberLength);
    return edit;
}

// False after refusing a serial number that is not exactly nine printable
// characters; the box is emptied then.
bool AcceptSerialNumber(QLineEdit *edit)
{
    if (IsSerialNumber(edit->text()))
        return true;
    ApplicationMessageBox(QString::fromLatin1(WrongSerialNumber), QString::fromLatin1(CapFailure));
    edit->clear();
    return false;
}

// A trace line without the line end that closes the command or reply.
QString MemoLine(QString line)
{
    if (line.endsWith(u'\n'))
        line.chop(1);
    return line;
}

} // namespace

TFormTest::TFormTest(QWidget *parent)
    : TForm(parent, QStringLiteral("통신 검사"), OuterWidth, OuterHeight, Border::Sizeable)
{
    Memo1 = new QPlainTextEdit(this);
    Memo1->setGeometry(8, 8, 457, 409);
    Memo1->setLineWrapMode(QPlainTextEdit::NoWrap);
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    CheckBox1 = new QCheckBox(QStringLiteral("Trace"), this);
    CheckBox1->setGeometry(8, 424, 120, 22);

    GroupBox2 = new QGroupBox(Utf8("QX4826용"), this);
    GroupBox2->setGeometry(480, 8, 510, 104);
    BitBtn1 = NewButton(Utf8("데이터생성"), GroupBox2, {16, 26, 130, 32});
    BitBtn2 = NewButton(Utf8("데이터지우기"), GroupBox2, {156, 26, 130, 32});
    Edit1 = NewSerialEdit(GroupBox2, {16, 68, 130, 24});
    Button1 = NewButton(Utf8(SerialSetting), GroupBox2, {156, 66, 130, 28});

    GroupBox4 = new QGroupBox(Utf8("VKD-7용(USB만 사용가능)"), this);
    GroupBox4->setGeometry(480, 120, 510, 392);
    QPushButton **buttons[6] = {&Button3, &Button4, &Button5, &Button6, &Button7, &Button8};
    for (int i = 0; i < 6; ++i) {
        const Initialisation &init = Initialisations[i];
        const int top = 26 + i * 52;
        *buttons[i] = NewButton(Utf8(init.caption), GroupBox4, {16, top, 150, 36});
        const int lines =
            int(std::count_if(std::begin(init.description), std::end(init.description),
                              [](const char *line) { return line != nullptr; }));
        for (int line = 0; line < lines; ++line) {
            auto *label = new QLabel(Utf8(init.description[line]), GroupBox4);
            label->setGeometry(180, top + 18 - lines * 8 + line * 16, 320, 16);
        }
    }
    OnClick(Button3, [this] { Button3Click(); });
    OnClick(Button4, [this] { Button4Click(); });
    OnClick(Button5, [this] { Button5Click(); });
    OnClick(Button6, [this] { Button6Click(); });
    OnClick(Button7, [this] { Button7Click(); });
    OnClick(Button8, [this] { Button8Click(); });
    Edit2 = NewSerialEdit(GroupBox4, {16, 346, 150, 24});
    Button2 = NewButton(Utf8(SerialSetting), GroupBox4, {180, 344, 130, 28});

    OnClick(BitBtn1, [this] { BitBtn1Click(); });
    OnClick(BitBtn2, [this] { BitBtn2Click(); });
    OnClick(Button1, [this] { Button1Click(); });
    OnClick(Button2, [this] { Button2Click(); });
    OnClick(CheckBox1, [this] { CheckBox1Click(); });

    FormCreate();
}

void TFormTest::FormCreate()
{
    Memo1->clear();
    for (const char *line : {"Network Test !!!", "TXD : >", "RXD : <"})
        Memo1->appendPlainText(QString::fromLatin1(line));
}

void TFormTest::FormShow()
{
    CheckBox1->setChecked(TraceEnabled != 0);
    KeepOuterSize();
}

void TFormTest::moveEvent(QMoveEvent *event)
{
    TForm::moveEvent(event);
    KeepOuterSize();
}

void TFormTest::KeepOuterSize()
{
    if (FOuterSizeKept || !windowHandle())
        return;
    const QMargins frame = windowHandle()->frameMargins();
    if (frame.isNull())
        return;
    FOuterSizeKept = true;
    resize(OuterWidth - frame.left() - frame.right(), OuterHeight - frame.top() - frame.bottom());
}

void TFormTest::CheckBox1Click()
{
    TraceEnabled = CheckBox1->isChecked() ? 1 : 0;
}

void TFormTest::AddTraceLine(const QString &line)
{
    Memo1->appendPlainText(MemoLine(line));
}

void TFormTest::BitBtn1Click()
{
    AskTester(PortRefusal::System, Cmd::CreateData, ExchangeOptions().WithHourglassOn(BitBtn1));
}

void TFormTest::BitBtn2Click()
{
    const std::optional<QByteArray> reply =
        AskTester(PortRefusal::System, Cmd::DeleteData, ExchangeOptions().WithHourglassOn(BitBtn2));
    if (!reply)
        return;
    if (IsAcknowledged(*reply))
        SystemMessageBox(QStringLiteral("Complete delete!!!"), QString::fromLatin1(CapCompletion));
    else
        SystemMessageBox(QStringLiteral("Failed to delete!!!"), QString::fromLatin1(CapFailure));
}

void TFormTest::Button1Click()
{
    if (!AcceptSerialNumber(Edit1) || !TesterLinked(PortRefusal::Application))
        return;
    // Sent on the port as it was last set up, without link preparation.
    ShowSerialReply(
        ExchangeWithTester(SerialCommand(Edit1->text().toLatin1()),
                           ExchangeOptions().WithoutLinkPreparation().WithHourglassOn(Button1)));
}

void TFormTest::Button2Click()
{
    if (!UsbMode() || !AcceptSerialNumber(Edit2))
        return;
    ShowSerialReply(ExchangeWithTester(SerialCommand(Edit2->text().toLatin1()),
                                       ExchangeOptions().WithHourglassOn(Button2)));
}

bool TFormTest::UsbMode()
{
    if (BluetoothMode != 1)
        return true;
    ApplicationMessageBox(Utf8("USB모드만 지원 됩니다!!!"), QString());
    return false;
}

void TFormTest::Initialise(int index)
{
    const Initialisation &init = Initialisations[index];
    const QString caption = Utf8(init.caption);
    if (!UsbMode())
        return;
    if (!FormYesNo->Ask(5, Left() + 300, Top() + 120, caption + Utf8(" 하시겠습니까?")))
        return;
    // No link is needed: a missing tester shows as the failure text.
    QPushButton *const buttons[6] = {Button3, Button4, Button5, Button6, Button7, Button8};
    const QByteArray reply =
        ExchangeWithTester(init.command, ExchangeOptions().WithHourglassOn(buttons[index]));
    if (IsAcknowledged(reply))
        ApplicationMessageBox(caption + Utf8(" 성공!!!"), QString::fromLatin1(CapCompletion));
    else
        ApplicationMessageBox(caption + Utf8(" 실패!!!"), QString::fromLatin1(CapFailure));
}

void TFormTest::ShowSerialReply(const QByteArray &reply)
{
    // The tester's answer is shown as it came; no answer at all is a failure.
    if (reply.isEmpty())
        ApplicationMessageBox(QString::fromLatin1(MsgNoAnswer), QString::fromLatin1(CapFailure));
    else
        ApplicationMessageBox(QString::fromLatin1(reply), QString::fromLatin1(CapCompletion));
}
