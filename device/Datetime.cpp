#include "device/Datetime.h"

#include "device/devicefields.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "link/commands.h"
#include "tester/deviceaction.h"
#include "tester/mainstate.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

TFormTime *FormTime = nullptr;

namespace {

QLabel *NewLabel(const QString &text, QWidget *parent, const QRect &place)
{
    auto *label = new QLabel(text, parent);
    label->setGeometry(place);
    label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    return label;
}

QFrame *NewRow(QWidget *parent, int top)
{
    auto *row = new QFrame(parent);
    row->setGeometry(6, top, 310, 34);
    row->setFrameShape(QFrame::Panel);
    row->setFrameShadow(QFrame::Sunken);
    return row;
}

void ShowReply(const QByteArray &reply, QLineEdit *date, QLineEdit *time)
{
    const ClockTexts texts = ParseClockReply(reply);
    date->setText(texts.Date);
    time->setText(texts.Time);
}

} // namespace

TFormTime::TFormTime(QWidget *parent) : TForm(parent, QStringLiteral("Date / Time Setup"), 463, 104)
{
    SetBackground(this, QColor(200, 200, 200));

    QFrame *device = NewRow(this, 12);
    Label1 = NewLabel(QStringLiteral("Device Date/Time"), device, {6, 5, 110, 24});
    Edit2 = new QLineEdit(QStringLiteral("2011-04-07"), device);
    Edit2->setGeometry(118, 5, 90, 24);
    Label6 = NewLabel(QStringLiteral(" / "), device, {208, 5, 16, 24});
    Edit1 = new QLineEdit(QStringLiteral("18:20.50"), device);
    Edit1->setGeometry(224, 5, 80, 24);
    for (QLineEdit *edit : {Edit2, Edit1})
        edit->setMaxLength(MaxFieldLength);

    QFrame *pc = NewRow(this, 58);
    Label2 = NewLabel(QStringLiteral("PC    Date/Time"), pc, {6, 5, 110, 24});
    Label3 = NewLabel(QStringLiteral("2011-04-07"), pc, {118, 5, 90, 24});
    Label5 = NewLabel(QStringLiteral(" / "), pc, {208, 5, 16, 24});
    Label4 = NewLabel(QStringLiteral("18:20.50"), pc, {224, 5, 80, 24});
    for (QLabel *label : {Label3, Label4}) {
        SetBackground(label, QColor(192, 192, 192));
    }

    Button1 = new QPushButton(QStringLiteral("Set Date/Time"), this);
    Button1->setGeometry(326, 6, 130, 28);
    Button2 = new QPushButton(QStringLiteral("PC Set Date/Time"), this);
    Button2->setGeometry(326, 38, 130, 28);
    Button3 = new QPushButton(QStringLiteral("Cancel"), this);
    Button3->setGeometry(326, 70, 130, 28);
    for (QPushButton *b : {Button1, Button2, Button3})
        b->setAutoDefault(false);

    setTabOrder(Button3, Button2);
    setTabOrder(Button2, Button1);
    setTabOrder(Button1, Edit2);
    setTabOrder(Edit2, Edit1);

    OnClick(Button1, [this] { Button1Click(); });
    OnClick(Button2, [this] { Button2Click(); });
    OnClick(Button3, [this] { Button3Click(); });
    CloseOnEscape({Edit2, Edit1, Button1, Button2, Button3});

    // The PC's clock is shown from start-up on, whether the dialog is open
    // or not.
    Timer1 = new QTimer(this);
    Timer1->setInterval(500);
    OnTimer(Timer1, [this] { Timer1Timer(); });
    Timer1->start();
}

void TFormTime::FormShow()
{
    Button3->setFocus();
    if (!TesterLinked(PortRefusal::System))
        return;
    Button1->setEnabled(BluetoothMode == 0);
    Button2->setEnabled(BluetoothMode == 0);
    ShowReply(ExchangeWithTester(Cmd::ReadClock, ExchangeOptions().WithHourglassOn(this)), Edit2,
              Edit1);
}

void TFormTime::Timer1Timer()
{
    const QDateTime now = QDateTime::currentDateTime();
    Label3->setText(PcDateText(now));
    Label4->setText(PcTimeText(now));
}

void TFormTime::Button1Click()
{
    const QDateTime now = QDateTime::currentDateTime();
    if (!TesterLinked(PortRefusal::System))
        return;
    const std::optional<QDate> date = CheckedDate(Edit2->text());
    if (!date) {
        SystemMessageBox(QStringLiteral("Date Setting : 2011-01-05"),
                         QString::fromLatin1(CapFailure));
        Edit2->setText(PcDateText(now));
        return;
    }
    const std::optional<QTime> time = CheckedTime(Edit1->text());
    if (!time) {
        SystemMessageBox(QStringLiteral("Time Setting : 08:00.00"),
                         QString::fromLatin1(CapFailure));
        Edit1->setText(PcTimeText(now));
        return;
    }
    SetTesterClock(SetClockCommand(date->year(), date->month(), date->day(), time->hour(),
                                   time->minute(), time->second()),
                   Button1);
}

void TFormTime::Button2Click()
{
    if (!TesterLinked(PortRefusal::System))
        return;
    SetTesterClock(SetClockCommand(Label3->text().toLatin1(), Label4->text().toLatin1()), Button2);
}

void TFormTime::Button3Click()
{
    close();
}

void TFormTime::SetTesterClock(const QByteArray &command, QWidget *busyControl)
{
    const QByteArray reply =
        ExchangeWithTester(command, ExchangeOptions().WithHourglassOn(busyControl));
    // An empty reply means none of the ten attempts reached the tester: its
    // clock is as it was, and so are the fields.
    if (reply.isEmpty()) {
        ApplicationMessageBox(QString::fromLatin1(MsgNoAnswer), QString::fromLatin1(CapFailure));
        return;
    }
    ShowReply(reply, Edit2, Edit1);
    ApplicationMessageBox(QString::fromLatin1(MsgSettingComplete),
                          QString::fromLatin1(CapCompletion));
}
