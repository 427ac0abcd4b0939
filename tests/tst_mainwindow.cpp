// The main window against simulated testers: connect, disconnect, the
// supervision timer, placement and the farewell at exit.

#include "guifixture.h"

#include "app/settingsfile.h"
#include "base/filelines.h"
#include "link/commands.h"
#include "link/discovery.h"
#include "tester/testerlink.h"
#include "tools/simulator.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QRadioButton>
#include <QScreen>
#include <QStatusBar>
#include <QToolButton>
#include <climits>
#include <memory>

namespace {
QImage IconImage(const QToolButton *button)
{
    return button->icon().pixmap(QSize(97, 57)).toImage();
}

QByteArray ShortIdentification()
{
    return QByteArrayLiteral("#I7\nQX4826 ABCDEFGH");
}
} // namespace

class TestMainWindow : public GuiTest
{
    Q_OBJECT

    // A port name that sorts as name does, for the tester on sim.
    QString Port(const TesterSimulator &sim, const QString &name)
    {
        const QString link = fx->Dir() + QLatin1Char('/') + name;
        QFile::remove(link);
        if (!QFile::link(sim.DevicePath(), link))
            qFatal("cannot link %s", qPrintable(link));
        return link;
    }

    void Connect()
    {
        FormMain->BitBtn1Click();
        QCOMPARE(Connected, 1);
    }

private slots:

    void init()
    {
        if (Connected) {
            FormMain->BitBtn6Click();
        }
        FormMain->ComPort1->Close();
        Connected = 0;
        BluetoothMode = 0;
        IdleTicks = 0;
        LinkSettings[AutoSearch] = 1;
        LinkSettings[PortIndex] = 0;
        LinkSettings[BaudIndex] = 7;
        FormSetup->ComboBox2->setCurrentIndex(7);
        fx->SetTable({});
        fx->Messages.clear();
        FormMain->show();
    }

    void windowsAreCreatedHiddenInOrder()
    {
        QCOMPARE(FormMain->windowTitle(), QStringLiteral("Kestrune"));
        QCOMPARE(FormMain->size(), QSize(1003, 638));
        QVERIFY(!(FormMain->windowFlags() & Qt::WindowMaximizeButtonHint));
        const QList<QToolButton *> buttons = {FormMain->BitBtn1, FormMain->BitBtn6,
                                              FormMain->BitBtn4, FormMain->BitBtn3,
                                              FormMain->BitBtn2, FormMain->BitBtn5};
        int left = 8;
        for (QToolButton *b : buttons) {
            QCOMPARE(b->geometry().left(), left);
            QCOMPARE(b->size(), QSize(100, 61));
            QVERIFY(!b->icon().isNull());
            left += 108;
        }
        QCOMPARE(FormMain->Timer1->interval(), 1000);
        QCOMPARE(FormMain->ComPort1->Port(), QStringLiteral("COM1"));
        QCOMPARE(FormMain->ComPort1->BaudRate(), br9600);
        QVERIFY(!FormMain->Image1->pixmap().isNull());
        QCOMPARE(FormMain->Image1->pixmap().size(), QSize(1003, 565));
        QCOMPARE(IconImage(FormMain->BitBtn1), FormMain->Image2.toImage());
        QCOMPARE(IconImage(FormMain->BitBtn6), FormMain->Image5.toImage());

        // Every other window exists, hidden, owned by the main window.
        const QList<QWidget *> others =
            FormMain->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly);
        QStringList classes;
        for (QWidget *w : others)
            if (w->isWindow())
                classes << QString::fromLatin1(w->metaObject()->className());
        QCOMPARE(classes, QStringList({"TFormResult", "TFormSetup", "TFormInfor", "TFormTime",
                                       "TFormSerch1", "TFormTest", "TFormAdmin", "TFormYesNo",
                                       "TDateForm", "TFormPassWord", "TSearchForm", "TFormArchive",
                                       "TFormDatabase", "TFormDeleteOld", "TFormAuditTrail"}));
    }

    void connectSearchesAllPortsInOrder()
    {
        TesterSimulator silent, wrongModel, shortReply, tester, later;
        silent.SetSilent(true);
        wrongModel.SetModelCode("XX0000");
        shortReply.SetReply(Cmd::Identify, ShortIdentification());
        fx->SetTable({GuiFixture::Usb(0, Port(later, "port5")),
                      GuiFixture::Usb(1, Port(tester, "port4")),
                      GuiFixture::Usb(2, Port(silent, "port1")),
                      GuiFixture::Usb(3, Port(shortReply, "port3")),
                      GuiFixture::Usb(4, Port(wrongModel, "port2"))});
        Connect();
        QCOMPARE(LinkSettings[PortIndex], 3);
        QCOMPARE(FormSetup->ComboBox1->currentText(), fx->Dir() + QStringLiteral("/port4"));
        QCOMPARE(tester.CommandLog(), QList<QByteArray>({Cmd::Identify, Cmd::LinkOk}));
        for (TesterSimulator *probed : {&silent, &wrongModel, &shortReply})
            QCOMPARE(probed->CommandLog(), QList<QByteArray>({Cmd::Identify}));
        QVERIFY(later.CommandLog().isEmpty());
        QVERIFY(!FormMain->ComPort1->IsOpen());
        QCOMPARE(IconImage(FormMain->BitBtn1), FormMain->Image3.toImage());
        QCOMPARE(IconImage(FormMain->BitBtn6), FormMain->Image4.toImage());
        QVERIFY(!FormSetup->ComboBox1->isEnabled());
        QVERIFY(!FormSetup->RadioButton1->isEnabled());
        QVERIFY(!FormSetup->RadioButton2->isEnabled());
        QVERIFY(fx->Messages.isEmpty());
    }

    void connectFailsWithoutSupportedTester()
    {
        TesterSimulator wrongModel;
        wrongModel.SetModelCode("qx4826");
        fx->SetTable({GuiFixture::Usb(0, wrongModel.PortName())});
        FormMain->BitBtn1Click();
        QCOMPARE(Connected, 0);
        // Ten searches in USB mode.
        QCOMPARE(wrongModel.CommandLog().size(), 10);
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].text, QStringLiteral("Fail to open port (USB)!!!"));
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Failure"));
        QCOMPARE(fx->Messages[0].owner, MsgOwner::Application);
        QCOMPARE(IconImage(FormMain->BitBtn1), FormMain->Image2.toImage());
        QVERIFY(FormSetup->ComboBox1->isEnabled());
    }

    void connectFailsWhenNoLinkOkGetsThrough_data()
    {
        QTest::addColumn<int>("mode");
        QTest::newRow("USB, ten failed $OK") << 0;
        QTest::newRow("Bluetooth, failed probe of the stored port") << 1;
    }
    void connectFailsWhenNoLinkOkGetsThrough()
    {
        QFETCH(int, mode);
        TesterSimulator tester;
        BluetoothMode = mode;
        LinkSettings[AutoSearch] = 0;
        if (mode == 0) {
            fx->SetTable({GuiFixture::Usb(0, tester.PortName())});
            tester.VanishAfter(Cmd::Identify, -1);
        } else {
            fx->SetTable({GuiFixture::Bluetooth(0, tester.PortName())});
            tester.SetModelCode("XX0000");
        }
        FormMain->BitBtn1Click();
        QCOMPARE(Connected, 0);
        QCOMPARE(fx->TakeTexts(), QStringList({"Fail to open port (USB)!!!"}));
        QVERIFY(!FormMain->ComPort1->IsOpen());
        QCOMPARE(IconImage(FormMain->BitBtn1), FormMain->Image2.toImage());
    }

    void attemptCutShortByThePortAddsNothing()
    {
        TesterSimulator tester;
        fx->SetTable({GuiFixture::Usb(0, tester.PortName())});
        Connect();
        tester.SetRecordCount(500);
        tester.VanishAfter(Cmd::Download, 5000);
        bool exchanged = true;
        QCOMPARE(GuardedExchange(Cmd::Download, true, {}, &exchanged).size(), 0);
        QVERIFY(!exchanged);
    }

    void fixedPortIsProbedAt9600()
    {
        TesterSimulator first, second;
        fx->SetTable(
            {GuiFixture::Usb(0, Port(first, "portA")), GuiFixture::Usb(1, Port(second, "portB"))});
        LinkSettings[AutoSearch] = 0;
        LinkSettings[PortIndex] = 1;
        FormSetup->ComboBox2->setCurrentIndex(9);
        Connect();
        QVERIFY(first.CommandLog().isEmpty());
        QCOMPARE(second.CommandLog(), QList<QByteArray>({Cmd::Identify, Cmd::LinkOk}));
        QCOMPARE(FormMain->ComPort1->BaudRate(), br9600);
        QCOMPARE(LinkSettings[PortIndex], 1);
    }

    void automaticSearchUsesTheBaudList()
    {
        TesterSimulator tester;
        fx->SetTable({GuiFixture::Usb(0, tester.PortName())});
        FormSetup->ComboBox2->setCurrentIndex(9);
        Connect();
        QCOMPARE(FormMain->ComPort1->BaudRate(), br19200);
    }

    void fixedPortBeyondTheListFails()
    {
        TesterSimulator tester;
        fx->SetTable({GuiFixture::Usb(0, tester.PortName())});
        LinkSettings[AutoSearch] = 0;
        LinkSettings[PortIndex] = 4;
        FormMain->BitBtn1Click();
        QCOMPARE(Connected, 0);
        QVERIFY(tester.CommandLog().isEmpty());
        QCOMPARE(fx->TakeTexts(), QStringList({"Fail to open port (USB)!!!"}));
    }

    void bluetoothKeepsThePortOpen_data()
    {
        QTest::addColumn<int>("autoSearch");
        QTest::newRow("fixed port") << 0;
        QTest::newRow("automatic search") << 1;
    }
    void bluetoothKeepsThePortOpen()
    {
        QFETCH(int, autoSearch);
        TesterSimulator tester, usb;
        fx->SetTable(
            {GuiFixture::Usb(0, usb.PortName()), GuiFixture::Bluetooth(0, tester.PortName())});
        BluetoothMode = 1;
        LinkSettings[AutoSearch] = autoSearch;
        Connect();
        QVERIFY(FormMain->ComPort1->IsOpen());
        QCOMPARE(tester.CommandLog(), QList<QByteArray>({Cmd::Identify, Cmd::LinkOk}));
        QVERIFY(usb.CommandLog().isEmpty());
        QCOMPARE(FormSetup->ComboBox1->count(), 1);

        FormMain->BitBtn6Click();
        QCOMPARE(Connected, 0);
        QVERIFY(!FormMain->ComPort1->IsOpen());
        QCOMPARE(tester.CommandLog().last(), Cmd::Unlink);
        QVERIFY(FormSetup->ComboBox1->isEnabled());
        QVERIFY(FormSetup->RadioButton2->isEnabled());
    }

    void connectWhileLinkedAndDisconnectWhileNotDoNothing()
    {
        TesterSimulator tester;
        fx->SetTable({GuiFixture::Usb(0, tester.PortName())});
        FormMain->BitBtn6Click();
        QVERIFY(tester.CommandLog().isEmpty());
        Connect();
        tester.ClearCommandLog();
        FormMain->BitBtn1Click();
        QVERIFY(tester.CommandLog().isEmpty());
        QCOMPARE(Connected, 1);

        FormMain->BitBtn6Click();
        QCOMPARE(tester.CommandLog(), QList<QByteArray>({Cmd::Unlink}));
        QCOMPARE(Connected, 0);
        QCOMPARE(IconImage(FormMain->BitBtn1), FormMain->Image2.toImage());
        QCOMPARE(IconImage(FormMain->BitBtn6), FormMain->Image5.toImage());
        QVERIFY(FormSetup->ComboBox1->isEnabled());
    }

    // Every exchange restarts the idle count, also one that fails.
    void exchangeRestartsIdleCount()
    {
        TesterSimulator tester;
        GuiFixture::SelectPort(tester.PortName());
        PrepareLink();
        FormMain->ComPort1->Open();
        QByteArray reply;
        IdleTicks = 250;
        FormMain->RS232Write(Cmd::LinkOk, reply);
        QCOMPARE(IdleTicks, 0);

        FormMain->ComPort1->Close();
        IdleTicks = 250;
        QVERIFY_THROWS_EXCEPTION(EComPort, FormMain->RS232Write(Cmd::LinkOk, reply));
        QCOMPARE(IdleTicks, 0);
    }

    void idleUsbLinkEndsAfter300Ticks()
    {
        TesterSimulator tester;
        fx->SetTable({GuiFixture::Usb(0, tester.PortName())});
        Connect();
        for (int tick = 0; tick < 150; ++tick)
            FormMain->Timer1Timer();
        QCOMPARE(IdleTicks, 150);
        PrepareLink();
        GuardedExchange(Cmd::ReadClock, false);
        QCOMPARE(IdleTicks, 0);

        tester.ClearCommandLog();
        for (int tick = 0; tick < 299; ++tick)
            FormMain->Timer1Timer();
        QCOMPARE(Connected, 1);
        QVERIFY(tester.CommandLog().isEmpty());
        FormMain->Timer1Timer();
        QCOMPARE(Connected, 0);
        QCOMPARE(tester.CommandLog(), QList<QByteArray>({Cmd::Unlink}));
        QVERIFY(FormMain->isVisible());
    }

    void unpluggedUsbTesterEndsTheProgram()
    {
        TesterSimulator tester;
        const QString cfg = fx->Dir() + QStringLiteral("/Kestrune.CFG");
        QFile::remove(cfg);
        fx->SetTable({GuiFixture::Usb(0, tester.PortName())});
        Connect();
        FormMain->Timer1Timer();
        QVERIFY(FormMain->isVisible());
        fx->SetTable({});
        tester.ClearCommandLog();
        FormMain->Timer1Timer();
        QCOMPARE(Connected, 0);
        QVERIFY(!FormMain->isVisible());
        QVERIFY(QFileInfo::exists(cfg));
        // Nobody is left to say goodbye to.
        QVERIFY(tester.CommandLog().isEmpty());
    }

    void bluetoothTesterEndsTheLink()
    {
        TesterSimulator tester;
        const QString cfg = fx->Dir() + QStringLiteral("/Kestrune.CFG");
        QFile::remove(cfg);
        fx->SetTable({GuiFixture::Bluetooth(0, tester.PortName())});
        BluetoothMode = 1;
        LinkSettings[AutoSearch] = 0;
        Connect();

        // Other input is read and dropped.
        tester.SendUnasked("hello");
        QTRY_VERIFY(FormMain->ComPort1->InputCount() > 0);
        for (int tick = 0; tick < 400; ++tick)
            FormMain->Timer1Timer();
        QCOMPARE(Connected, 1);
        QCOMPARE(FormMain->ComPort1->InputCount(), 0);
        QVERIFY(FormMain->isVisible());

        tester.SendUnasked(Cmd::UnlinkNotice);
        QTRY_VERIFY(FormMain->ComPort1->InputCount() > 0);
        FormMain->Timer1Timer();
        QCOMPARE(Connected, 0);
        QVERIFY(!FormMain->isVisible());
        QVERIFY(QFileInfo::exists(cfg));
    }

    void exitSaysGoodbyeAndSavesSettings()
    {
        TesterSimulator tester;
        const QString cfg = fx->Dir() + QStringLiteral("/Kestrune.CFG");
        QFile::remove(cfg);
        fx->SetTable({GuiFixture::Usb(0, tester.PortName())});
        Connect();
        FormMain->move(123, 45);
        tester.ClearCommandLog();
        FormMain->BitBtn5Click();
        QVERIFY(!FormMain->isVisible());
        QCOMPARE(tester.CommandLog(), QList<QByteArray>({Cmd::Unlink}));
        QCOMPARE(WindowPositions[0].Left, 123);
        QCOMPARE(WindowPositions[0].Top, 45);
        QVERIFY(QFileInfo::exists(cfg));
        QVERIFY(fx->Messages.isEmpty());
    }

    void unwritableSettingsStillCloseAndSayGoodbye()
    {
        TesterSimulator tester;
        const QString cfg = fx->Dir() + QStringLiteral("/Kestrune.CFG");
        QFile::remove(cfg);
        QVERIFY(QDir(fx->Dir()).mkdir(QStringLiteral("Kestrune.CFG")));
        fx->SetTable({GuiFixture::Usb(0, tester.PortName())});
        Connect();
        tester.ClearCommandLog();
        FormMain->close();
        QDir(fx->Dir()).rmdir(QStringLiteral("Kestrune.CFG"));
        QVERIFY(!FormMain->isVisible());
        QCOMPARE(tester.CommandLog(), QList<QByteArray>({Cmd::Unlink}));
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Dunmaris"));
        QCOMPARE(fx->Messages[0].icon, MsgIcon::Stop);
        QVERIFY(fx->Messages[0].text.contains(QStringLiteral("Kestrune.CFG")));
    }

    void placementAtStart_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<bool>("centred");
        QTest::newRow("no settings file") << QByteArray() << true;
        QTest::newRow("right of the desktop") << QByteArray("5000") << true;
        QTest::newRow("left of the desktop") << QByteArray("-1") << true;
        QTest::newRow("on the desktop") << QByteArray("10") << false;
    }
    void placementAtStart()
    {
        QFETCH(QByteArray, file);
        QFETCH(bool, centred);
        const QString cfg = fx->Dir() + QStringLiteral("/Kestrune.CFG");
        QFile::remove(cfg);
        if (!file.isEmpty()) {
            for (auto &p : WindowPositions)
                p = {0, 0};
            WindowPositions[0] = {file.toInt(), 20};
            QString error;
            QVERIFY2(SaveSettings(fx->Dir(), &error), qPrintable(error));
        }
        FormMain->FormCreate();
        const QRect desk = QGuiApplication::primaryScreen()->geometry();
        const QPoint centre((desk.width() - 1024) / 2, (desk.height() - 680) / 2);
        const QPoint expected =
            centred ? QPoint(centre.x(), file.isEmpty() ? centre.y() : 20) : QPoint(10, 20);
        QCOMPARE(FormMain->pos(), expected);
        if (file.isEmpty())
            QCOMPARE(QPoint(WindowPositions[1].Left, WindowPositions[1].Top), centre);
    }

    // The start directory is kept whole, however long; every stored place
    // off the desktop is centred, also when a bad value stops the reading.
    void storedValuesAreKeptInRange_data()
    {
        QTest::addColumn<bool>("badMode");
        QTest::newRow("mode 7") << false;
        QTest::newRow("mode abc") << true;
    }
    void storedValuesAreKeptInRange()
    {
        QFETCH(bool, badMode);
        QString deep = fx->Dir();
        while (deep.size() <= 450)
            deep += QLatin1Char('/') + QString(60, QLatin1Char('d'));
        QVERIFY(QDir().mkpath(deep));
        for (auto &p : WindowPositions)
            p = {INT_MAX, INT_MIN};
        QStringList lines = BuildSettingsLines();
        lines[27] = badMode ? "abc" : "7";
        QString error;
        QVERIFY(SaveLinesAtomically(deep + QStringLiteral("/Kestrune.CFG"), lines, &error));
        QDir::setCurrent(deep);
        FormMain->FormCreate();
        QDir::setCurrent(fx->Dir());
        QCOMPARE(StartDirectory, deep);
        QCOMPARE(BluetoothMode, 0);
        const QRect desk = QGuiApplication::primaryScreen()->geometry();
        const QPoint centre((desk.width() - 1024) / 2, (desk.height() - 680) / 2);
        for (const TWindowPosition &p : WindowPositions)
            QCOMPARE(QPoint(p.Left, p.Top), centre);
        QCOMPARE(fx->Messages.size(), badMode ? 1 : 0);
    }

    void invalidSettingsKeepTheDesignedPlace()
    {
        const QString cfg = fx->Dir() + QStringLiteral("/Kestrune.CFG");
        QStringList lines = BuildSettingsLines();
        lines[3] = QStringLiteral("abc");
        QFile file(cfg);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
        file.close();
        FormMain->move(400, 270);
        FormMain->FormCreate();
        QCOMPARE(FormMain->pos(), QPoint(400, 270));
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].text, QStringLiteral("'abc' is not a valid integer value."));
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Dunmaris"));
        QFile::remove(cfg);
    }
};

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
