#include "app/Main.h"

#include "admin/Administer.h"
#include "admin/Password.h"
#include "app/settingsfile.h"
#include "archive/Archive.h"
#include "archive/sitestate.h"
#include "device/Information.h"
#include "device/Rstest.h"
#include "device/Setup.h"
#include "device/devicefields.h"
#include "kit/form.h"
#include "kit/hourglasscursor.h"
#include "kit/messagebox.h"
#include "kit/screenplace.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "link/commands.h"
#include "link/exchange.h"
#include "records/Result.h"
#include "tester/deviceaction.h"
#include "tester/portsearch.h"
#include "tester/testerlink.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QToolButton>

TFormMain *FormMain = nullptr;

namespace {

QRect Desktop()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect(0, 0, 1024, 768);
}

TWindowPosition Centred()
{
    const QRect desk = Desktop();
    return CentredPosition(desk.width(), desk.height());
}
} // namespace

TFormMain::TFormMain(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint | Qt::WindowContextHelpButtonHint)
{
    setWindowTitle(QStringLiteral("Kestrune"));
    setFixedSize(1003, 638);
    SetBackground(this, QColor(128, 128, 128));
    move(400, 270);

    auto *toolBar1 = new QFrame(this);
    toolBar1->setGeometry(0, 0, 1003, 73);
    SetBackground(toolBar1, QColor(236, 233, 216));

    Image2 = Glyph("connect");
    Image3 = Glyph("connect_grey");
    Image4 = Glyph("disconnect");
    Image5 = Glyph("disconnect_grey");
    struct Button
    {
        QToolButton **button;
        int left;
        const char *glyph;
        const char *tip;
    };
    const Button buttons[] = {
        {&BitBtn1, 8, "connect", "connect"},
        {&BitBtn6, 116, "disconnect_grey", "disconnect"},
        {&BitBtn4, 224, "result", "result"},
        {&BitBtn3, 332, "setting", "setting"},
        {&BitBtn2, 440, "information", "information"},
        {&BitBtn5, 548, "exit", "exit"},
        {&BitBtn7, 656, "archive", "archive"},
    };
    for (const Button &b : buttons) {
        *b.button = PictureButton(toolBar1, {b.left, 6, 100, 61}, {97, 57}, b.glyph, b.tip);
        (*b.button)->setAutoRaise(false);
    }
    // The free end of the toolbar.
    SiteState1 = new TSiteStateLabel(toolBar1);
    SiteState1->setGeometry(764, 6, 233, 61);
    OnClick(BitBtn1, [this] { BitBtn1Click(); });
    OnClick(BitBtn6, [this] { BitBtn6Click(); });
    OnClick(BitBtn4, [this] { BitBtn4Click(); });
    OnClick(BitBtn3, [this] { BitBtn3Click(); });
    OnClick(BitBtn2, [this] { BitBtn2Click(); });
    OnClick(BitBtn5, [this] { BitBtn5Click(); });
    OnClick(BitBtn7, [this] { BitBtn7Click(); });
    auto *serviceKey = new QShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_T), this);
    connect(serviceKey, &QShortcut::activated, this,
            [this] { RunGuarded([this] { ServiceKey(); }); });

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setSizeGripEnabled(false);
    StatusBar1->setGeometry(0, 638 - 19, 1003, 19);
    for (int width : {500, 100, 100, 50}) {
        auto *panel = new QLabel(StatusBar1);
        panel->setFixedWidth(width);
        panel->setFrameShape(QFrame::Panel);
        panel->setFrameShadow(QFrame::Sunken);
        StatusBar1->addWidget(panel);
    }

    Image1 = new QLabel(this);
    Image1->setGeometry(0, 73, 1003, 638 - 73 - 19);
    Image1->setPixmap(QPixmap(QStringLiteral(":/background.jpg")));
    Image1->setScaledContents(true);

    ComPort1 = new TComPort(this);

    Timer1 = new QTimer(this);
    Timer1->setInterval(1000);
    OnTimer(Timer1, [this] { Timer1Timer(); });
    Timer1->start();

    FormCreate();
}

TFormMain::~TFormMain()
{
    // The port and the lists go with the windows.
    SetUpTesterLink({});
}

void TFormMain::FormCreate()
{
    StartDirectory = QDir::currentPath();
    QString error;
    const SettingsLoad loaded = LoadSettings(StartDirectory, &error);
    const QRect desk = Desktop();
    if (loaded == SettingsLoad::Missing)
        WindowPositions[0] = WindowPositions[1] = Centred();
    // Also after a bad value: the positions read before it place the other
    // windows.
    ClampWindowPositions(desk.width(), desk.height());
    if (loaded == SettingsLoad::Invalid) {
        // The window keeps its designed place.
        ShowException(error);
        return;
    }
    move(WindowPositions[0].Left, WindowPositions[0].Top);
    // Then fully onto the screen it is on: the place was saved on a screen
    // that may have been larger, or another one.
    MoveOntoScreen(this);
}

QByteArray TFormMain::RS232Write(const QByteArray &command, QByteArray &reply,
                                 const ReplyProgress &progress)
{
    return LinkExchange(command, reply, progress);
}

void TFormMain::BuildPortList(QStringList &list)
{
    ::BuildPortList(list);
}

int TFormMain::CPortCheck(int mode)
{
    if (mode != 1) {
        RefreshPortList();
        return 0;
    }
    return FindTester() ? 1 : 0;
}

void TFormMain::SetUpTester()
{
    TesterLinkParts parts;
    parts.port = ComPort1;
    parts.portList = FormSetup->ComboBox1;
    parts.baudList = FormSetup->ComboBox2;
    parts.trace = [](const QString &line) {
        if (FormTest)
            FormTest->AddTraceLine(line);
    };
    SetUpTesterLink(parts);
}

void TFormMain::ShowLinkGlyphs(bool linked)
{
    BitBtn1->setIcon(linked ? Image3 : Image2);
    BitBtn6->setIcon(linked ? Image4 : Image5);
}

void TFormMain::BitBtn1Click()
{
    if (Connected == 1)
        return;
    const int attempts = BluetoothMode == 0 ? 10 : 1;
    HourglassCursor hourglass(BitBtn1);
    int found = 0;
    try {
        for (int i = 0; i < attempts && !found; ++i)
            found = CPortCheck(1);
    } catch (const ExchangeStopped &) {
        // Cancelled by the operator: as if no tester had answered.
    }
    bool linked = false;
    if (found) {
        ShowLinkGlyphs(true);
        // An automatic search closes every port it probed, so a Bluetooth link
        // opens its port here too (no effect when it is open).
        GuardedExchange(Cmd::LinkOk, false, Framing::Open, &linked);
    }
    if (!linked) {
        // A tester that took none of the ten "$OK" is not linked either.
        ComPort1->Close();
        ShowLinkGlyphs(false);
        ApplicationMessageBox(QString::fromLatin1(MsgFailToOpenPort),
                              QString::fromLatin1(CapFailure));
        FormSetup->ComboBox1->setEnabled(true);
        return;
    }
    FormSetup->ComboBox1->setEnabled(false);
    FormSetup->RadioButton1->setEnabled(false);
    FormSetup->RadioButton2->setEnabled(false);
    Connected = 1;
}

void TFormMain::BitBtn6Click()
{
    if (Connected == 0)
        return;
    GuardedExchange(Cmd::Unlink, false);
    auto unlock = [] {
        FormSetup->ComboBox1->setEnabled(true);
        FormSetup->RadioButton1->setEnabled(true);
        FormSetup->RadioButton2->setEnabled(true);
    };
    try {
        Connected = 0;
        {
            HourglassCursor hourglass(BitBtn6);
            QThread::msleep(1000);
            ShowLinkGlyphs(false);
            unlock();
        }
        ComPort1->Close();
    } catch (const std::exception &) {
        Connected = 0;
        unlock();
        try {
            ComPort1->Close();
        } catch (const std::exception &) {
        }
    }
}

void TFormMain::BitBtn4Click()
{
    FormResult->show();
    FormResult->raise();
    FormResult->activateWindow();
}

void TFormMain::BitBtn7Click()
{
    FormArchive->show();
    FormArchive->raise();
    FormArchive->activateWindow();
}

void TFormMain::BitBtn3Click()
{
    if (Connected == 0)
        CPortCheck(0);
    FormSetup->SetPlace(x() + 250, y() + 50);
    FormSetup->ShowModal();
}

void TFormMain::BitBtn2Click()
{
    // Only the password prompt opened from this very showing unlocks.
    const auto relock = qScopeGuard([] { AdminUnlocked = 0; });
    const std::optional<QByteArray> reply =
        AskTester(PortRefusal::Application, Cmd::Identify,
                  ExchangeOptions().WithHourglassOn(BitBtn2).RepeatingWhileEmpty());
    if (!reply)
        return;
    IdentificationValues lines;
    if (!ParseInformation(*reply, &lines)) {
        ApplicationMessageBox(QStringLiteral("Information Reading Error !!!"),
                              QString::fromLatin1(CapFailure));
        return;
    }
    FormInfor->ShowLines(lines);
    if (lines.present.value(6))
        FormAdmin->Label2->setText(lines.lines.value(6));
    FormInfor->SetPlace(x() + 400, y() + 120);
    FormInfor->ShowModal();
    if (AdminUnlocked == 1) {
        FormAdmin->SetPlace(x() + 400, y() + 120);
        FormAdmin->ShowModal();
    }
}

void TFormMain::ServiceKey()
{
    if (!AdminPasswordGiven(x() + 400, y() + 120))
        return;
    // Not modal: the technician links the tester here while the service
    // window shows the trace.
    FormTest->SetPlace(x(), y() + 100);
    FormTest->show();
    FormTest->raise();
    FormTest->activateWindow();
}

void TFormMain::BitBtn5Click()
{
    close();
}

void TFormMain::Timer1Timer()
{
    if (Connected == 0)
        return;
    if (BluetoothMode == 0) {
        if (++IdleTicks >= 300) {
            BitBtn6Click();
            return;
        }
        QStringList ports;
        BuildPortList(ports);
        const QString current = FormSetup->ComboBox1->currentText();
        for (const QString &port : ports)
            if (port.compare(current, Qt::CaseInsensitive) == 0)
                return;
    } else {
        // A port error here is not shown: the next tick would show it again
        // every second. The link's next exchange reports the trouble.
        try {
            const int pending = ComPort1->InputCount();
            if (pending == 0)
                return;
            QByteArray input;
            ComPort1->ReadStr(input, pending);
            if (!input.startsWith(Cmd::UnlinkNotice))
                return;
        } catch (const EComPort &) {
            return;
        }
    }
    Connected = 0;
    // The program ends: records not yet saved go to a file first.
    FormResult->KeepUnsavedRecords(StartDirectory);
    close();
}

void TFormMain::FormClose()
{
    QDir::setCurrent(StartDirectory);
    WindowPositions[0] = {x(), y()};
    QString error;
    // A settings file that cannot be written must not keep the operator in
    // the program, nor keep a linked tester from hearing goodbye.
    if (!SaveSettings(StartDirectory, &error))
        ShowException(QStringLiteral("Cannot save the settings ") + error);
    if (Connected == 1)
        GuardedExchange(Cmd::Unlink, false, Framing::OpenAndClose);
}

void TFormMain::closeEvent(QCloseEvent *event)
{
    if (FormResult && !FormResult->MayDiscardRecords()) {
        event->ignore();
        return;
    }
    RunGuarded([this] { FormClose(); });
    Timer1->stop();
    event->accept();
    emit Closed();
}
