#include "link/comport.h"
#include "tests/comportcode.h"
#include "tests/ptypair.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QtTest>
#include <cstring>
#include <functional>
#include <thread>

namespace {

int OpenDescriptors()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files).size());
}

termios SlaveSettings(const PtyPair &pty)
{
    termios tio{};
    ::tcgetattr(pty.SlaveFd(), &tio);
    return tio;
}

speed_t SlaveSpeed(const PtyPair &pty)
{
    const termios tio = SlaveSettings(pty);
    return cfgetospeed(&tio);
}

// Waits until the port reports at least count queued bytes.
bool WaitForQueued(TCustomComPort &port, int count)
{
    QElapsedTimer timer;
    timer.start();
    while (port.InputCount() < count) {
        if (timer.elapsed() > 5000)
            return false;
        port.WaitForInput(50);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

constexpr tcflag_t ArbitrarySpeed = 0010000;

} // namespace

class TestComPort : public QObject
{
    Q_OBJECT
private slots:
    void openAndCloseTwice();
    void openFailures_data();
    void openFailures();
    void exclusiveOpen();
    void readTimeouts_data();
    void readTimeouts();
    void emptyTransfers();
    void inputCountLeavesQueue();
    void writeTotalTimeout();
    void portChangeReopens();
    void equalValuesAreNotReapplied();
    void updateDefersSettings();
    void lineSettings_data();
    void lineSettings();
    void arbitrarySpeeds_data();
    void arbitrarySpeeds();
    void bufferSizesAreEven();
    void flowControlShorthand();
    void dispatchSettingsLockedWhileOpen();
    void closedPortOperations();
    void vanishedTester();
    void errorTexts_data();
    void errorTexts();
};

void TestComPort::openAndCloseTwice()
{
    PtyPair pty;
    QVERIFY(pty.IsValid());
    const int before = OpenDescriptors();
    TComPort port;
    port.SetEvents(0);
    port.SetPort(pty.PortName());
    int opened = 0, closed = 0;
    port.OnAfterOpen = [&] { ++opened; };
    port.OnAfterClose = [&] { ++closed; };
    for (int round = 0; round < 2; ++round) {
        port.Open();
        port.Open();
        QVERIFY(port.IsOpen());
        QCOMPARE(OpenDescriptors(), before + 1);
        port.Close();
        port.Close();
        QVERIFY(!port.IsOpen());
        QCOMPARE(OpenDescriptors(), before);
    }
    QCOMPARE(opened, 2);
    QCOMPARE(closed, 2);
}

void TestComPort::openFailures_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("code");
    QTest::addColumn<int>("winCode");
    QTest::newRow("missing device") << "ttyKestruneNone7" << 1 << ENOENT;
    QTest::newRow("missing absolute path") << "/nonexistent/tty" << 1 << ENOENT;
    // Opens fine but is no terminal: the line settings fail half-way.
    QTest::newRow("not a terminal") << "/dev/null" << 7 << ENOTTY;
}

void TestComPort::openFailures()
{
    QFETCH(QString, name);
    QFETCH(int, code);
    QFETCH(int, winCode);
    const int before = OpenDescriptors();
    TComPort port;
    port.SetPort(name);
    int closes = 0;
    port.OnBeforeClose = [&] { ++closes; };
    int gotWin = 0;
    QCOMPARE(CodeOf([&] { port.Open(); }, &gotWin), code);
    QCOMPARE(gotWin, winCode);
    QVERIFY(!port.IsOpen());
    QVERIFY(port.EventThread() == nullptr);
    QCOMPARE(OpenDescriptors(), before);
    port.Close();
    QCOMPARE(closes, 0);
}

void TestComPort::exclusiveOpen()
{
    PtyPair pty;
    const auto tryInChild = [&] {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--try-open"), pty.PortName()});
        return child.waitForFinished(10000) ? child.exitCode() : -1;
    };
    TComPort first, second;
    first.SetPort(pty.PortName());
    second.SetPort(pty.PortName());
    first.Open();
    QCOMPARE(CodeOf([&] { second.Open(); }), 1);
    QVERIFY(!second.IsOpen());
    QCOMPARE(tryInChild(), 1);
    first.Close();
    QCOMPARE(tryInChild(), 0);
    second.Open();
    QVERIFY(second.IsOpen());
}

void TestComPort::readTimeouts_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("multiplier");
    QTest::addColumn<int>("constant");
    QTest::addColumn<QByteArray>("queued");
    QTest::addColumn<QByteArray>("late"); // sent 300 ms after the read began
    QTest::addColumn<QByteArray>("expected");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    // The program's own values: a short read ends after about 200 ms.
    QTest::newRow("too few") << 200 << 0 << 200 << QByteArray("abc") << QByteArray()
                             << QByteArray("abc") << 150 << 1500;
    QTest::newRow("enough") << 200 << 0 << 200 << QByteArray("0123456789") << QByteArray()
                            << QByteArray("0123456789") << 0 << 150;
    QTest::newRow("defaults return at once")
        << -1 << 0 << 0 << QByteArray("abc") << QByteArray() << QByteArray("abc") << 0 << 150;
    QTest::newRow("defaults, empty queue")
        << -1 << 0 << 0 << QByteArray() << QByteArray("x") << QByteArray() << 0 << 150;
    QTest::newRow("total per byte")
        << 0 << 20 << 100 << QByteArray("abc") << QByteArray() << QByteArray("abc") << 250 << 1500;
    QTest::newRow("no time-outs wait for the count")
        << 0 << 0 << 0 << QByteArray("abc") << QByteArray("defghij") << QByteArray("abcdefghij")
        << 250 << 2000;
    QTest::newRow("interval counts from the first byte")
        << 100 << 0 << 0 << QByteArray() << QByteArray("xy") << QByteArray("xy") << 350 << 2000;
}

void TestComPort::readTimeouts()
{
    QFETCH(int, interval);
    QFETCH(int, multiplier);
    QFETCH(int, constant);
    QFETCH(QByteArray, queued);
    QFETCH(QByteArray, late);
    QFETCH(QByteArray, expected);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.Timeouts().SetReadInterval(interval);
    port.Timeouts().SetReadTotalM(multiplier);
    port.Timeouts().SetReadTotalC(constant);
    port.Open();
    QVERIFY(pty.Send(queued));
    QVERIFY(WaitForQueued(port, int(queued.size())));

    std::thread tester([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        pty.Send(late);
    });
    QByteArray str("stale");
    QElapsedTimer timer;
    timer.start();
    const int got = port.ReadStr(str, 10);
    const qint64 elapsed = timer.elapsed();
    tester.join();
    QCOMPARE(got, int(expected.size()));
    QCOMPARE(str, expected);
    QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed)));
}

void TestComPort::emptyTransfers()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.Timeouts().SetReadInterval(0); // a real read would wait for ever
    port.Open();
    QByteArray str("old");
    QCOMPARE(port.ReadStr(str, 0), 0);
    QVERIFY(str.isEmpty());
    QCOMPARE(port.ReadStr(str, -5), 0);
    char byte = 0;
    QCOMPARE(port.Read(&byte, 0), 0);
    QCOMPARE(port.WriteStr(QByteArray()), 0);
    QCOMPARE(port.Write("x", 0), 0);
    QCOMPARE(port.Write("x", -1), 0);
    QCOMPARE(pty.Receive(1, 100), QByteArray());
}

void TestComPort::inputCountLeavesQueue()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.Open();
    QCOMPARE(port.InputCount(), 0);
    QCOMPARE(port.OutputCount(), 0);
    QVERIFY(pty.Send("12345"));
    QVERIFY(WaitForQueued(port, 5));
    QCOMPARE(port.InputCount(), 5);
    QCOMPARE(port.InputCount(), 5);
    QVERIFY(port.WaitForInput(0));
    QByteArray str;
    QCOMPARE(port.ReadStr(str, 2), 2);
    QCOMPARE(port.InputCount(), 3);
    QCOMPARE(port.ReadStr(str, 3), 3);
    QCOMPARE(str, QByteArray("345"));
    QCOMPARE(port.InputCount(), 0);
    QVERIFY(!port.WaitForInput(50));
}

void TestComPort::writeTotalTimeout()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.Timeouts().SetWriteTotalM(0);
    port.Timeouts().SetWriteTotalC(200);
    port.Open();
    // Nobody reads the tester's end, so the queues fill up.
    const QByteArray big(4 * 1024 * 1024, 'z');
    QElapsedTimer timer;
    timer.start();
    const int written = port.WriteStr(big);
    const qint64 elapsed = timer.elapsed();
    QVERIFY(written > 0);
    QVERIFY(written < big.size());
    QVERIFY2(elapsed >= 150 && elapsed <= 1500, qPrintable(QString::number(elapsed)));
}

void TestComPort::portChangeReopens()
{
    PtyPair a, b;
    TComPort port;
    port.SetPort(a.PortName());
    port.Open();
    port.SetPort(b.PortName());
    QVERIFY(port.IsOpen());
    QCOMPARE(port.WriteStr("to b"), 4);
    QCOMPARE(b.Receive(4), QByteArray("to b"));
    QCOMPARE(a.Receive(1, 100), QByteArray());
    // The first device is free again.
    TComPort other;
    other.SetPort(a.PortName());
    other.Open();
    other.Close();

    QCOMPARE(CodeOf([&] { port.SetPort(QStringLiteral("ttyKestruneNone7")); }), 1);
    QVERIFY(!port.IsOpen());
    QCOMPARE(port.Port(), QStringLiteral("ttyKestruneNone7"));
}

void TestComPort::equalValuesAreNotReapplied()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.Open();
    QCOMPARE(SlaveSpeed(pty), speed_t(B9600));

    // Someone else changes the terminal; setting the same values again must
    // not touch it, a different value re-applies the whole record.
    termios tio = SlaveSettings(pty);
    cfsetospeed(&tio, B4800);
    cfsetispeed(&tio, B4800);
    tio.c_cflag |= CSTOPB;
    ::tcsetattr(pty.SlaveFd(), TCSANOW, &tio);

    port.SetBaudRate(br9600);
    port.SetStopBits(sbOneStopBit);
    port.Parity().SetBits(prNone);
    port.FlowControl().SetXonChar(17);
    port.SetCustomBaudRate(9600);
    QCOMPARE(SlaveSpeed(pty), speed_t(B4800));

    port.SetBaudRate(br19200);
    const termios now = SlaveSettings(pty);
    QCOMPARE(cfgetospeed(&now), speed_t(B19200));
    QVERIFY((now.c_cflag & CSTOPB) == 0);

    // While closed, a change is only stored.
    port.Close();
    port.SetBaudRate(br38400);
    QCOMPARE(SlaveSpeed(pty), speed_t(B19200));
    port.Open();
    QCOMPARE(SlaveSpeed(pty), speed_t(B38400));
}

void TestComPort::updateDefersSettings()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.Open();
    port.BeginUpdate();
    port.BeginUpdate();
    port.SetBaudRate(br57600);
    port.FlowControl().SetXonXoffIn(true);
    QCOMPARE(SlaveSpeed(pty), speed_t(B9600));
    port.EndUpdate();
    QCOMPARE(SlaveSpeed(pty), speed_t(B9600));
    port.EndUpdate();
    const termios tio = SlaveSettings(pty);
    QCOMPARE(cfgetospeed(&tio), speed_t(B57600));
    QVERIFY(tio.c_iflag & IXOFF);
}

void TestComPort::lineSettings_data()
{
    QTest::addColumn<int>("parity");
    QTest::addColumn<int>("stopBits");
    QTest::addColumn<int>("flow");
    QTest::addColumn<bool>("check");
    QTest::addColumn<uint>("cflag");
    QTest::addColumn<uint>("iflag");
    // A pseudo-terminal forces 8 bits without parity; the flags that tell
    // the parity kinds apart and everything else survive.
    const uint base = CREAD | CLOCAL;
    QTest::newRow("8N1, no handshake")
        << int(prNone) << int(sbOneStopBit) << int(fcNone) << false << base << 0u;
    QTest::newRow("odd, checked") << int(prOdd) << int(sbOneStopBit) << int(fcNone) << true
                                  << uint(base | PARODD) << uint(INPCK);
    QTest::newRow("mark") << int(prMark) << int(sbOneStopBit) << int(fcNone) << false
                          << uint(base | PARODD | CMSPAR) << 0u;
    QTest::newRow("space") << int(prSpace) << int(sbOneStopBit) << int(fcNone) << false
                           << uint(base | CMSPAR) << 0u;
    QTest::newRow("1.5 stop bits as 2")
        << int(prNone) << int(sbOne5StopBits) << int(fcNone) << false << uint(base | CSTOPB) << 0u;
    QTest::newRow("hardware handshake") << int(prNone) << int(sbOneStopBit) << int(fcHardware)
                                        << false << uint(base | CRTSCTS) << 0u;
    QTest::newRow("software handshake") << int(prNone) << int(sbOneStopBit) << int(fcSoftware)
                                        << false << base << uint(IXON | IXOFF);
}

void TestComPort::lineSettings()
{
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(int, flow);
    QFETCH(bool, check);
    QFETCH(uint, cflag);
    QFETCH(uint, iflag);
    PtyPair pty;
    termios dirty = SlaveSettings(pty);
    dirty.c_iflag |= ICRNL | ISTRIP | IXON;
    dirty.c_cflag |= CSTOPB | CRTSCTS;
    dirty.c_lflag |= ICANON | ECHO;
    ::tcsetattr(pty.SlaveFd(), TCSANOW, &dirty);

    TComPort port;
    port.SetPort(pty.PortName());
    port.Parity().SetBits(TParityBits(parity));
    port.Parity().SetCheck(check);
    port.SetStopBits(TStopBits(stopBits));
    port.FlowControl().SetFlowControl(TFlowControl(flow));
    port.Open();
    const termios tio = SlaveSettings(pty);
    const tcflag_t cflagMask = CREAD | CLOCAL | CRTSCTS | CSTOPB | PARODD | CMSPAR;
    const tcflag_t iflagMask = IXON | IXOFF | INPCK | ICRNL | ISTRIP;
    QCOMPARE(tio.c_cflag & cflagMask, tcflag_t(cflag));
    QCOMPARE(tio.c_iflag & iflagMask, tcflag_t(iflag));
    QCOMPARE(tio.c_lflag & (ICANON | ECHO | ISIG), tcflag_t(0));
    QCOMPARE(tio.c_cc[VSTART], cc_t(17));
    QCOMPARE(tio.c_cc[VSTOP], cc_t(19));
}

void TestComPort::arbitrarySpeeds_data()
{
    QTest::addColumn<int>("rate");
    QTest::addColumn<int>("custom");
    QTest::addColumn<uint>("standard");
    QTest::newRow("custom left at 9600") << int(brCustom) << 9600 << uint(B9600);
    QTest::newRow("custom standard 115200") << int(brCustom) << 115200 << uint(B115200);
    QTest::newRow("14400") << int(br14400) << 0 << 0u;
    QTest::newRow("56000") << int(br56000) << 0 << 0u;
    QTest::newRow("128000") << int(br128000) << 0 << 0u;
    QTest::newRow("256000") << int(br256000) << 0 << 0u;
    QTest::newRow("custom 31250") << int(brCustom) << 31250 << 0u;
}

void TestComPort::arbitrarySpeeds()
{
    QFETCH(int, rate);
    QFETCH(int, custom);
    QFETCH(uint, standard);
    PtyPair pty;
    const int before = OpenDescriptors();
    TComPort port;
    port.SetPort(pty.PortName());
    port.SetBaudRate(TBaudRate(rate));
    if (custom != 0)
        port.SetCustomBaudRate(custom);
    const int code = CodeOf([&] { port.Open(); });
    if (standard != 0) {
        QCOMPARE(code, 0);
        QCOMPARE(SlaveSpeed(pty), speed_t(standard));
    } else if (code == 0) {
        QCOMPARE(SlaveSettings(pty).c_cflag & CBAUD, ArbitrarySpeed);
    } else {
        QCOMPARE(code, 7);
        QVERIFY(!port.IsOpen());
    }
    port.Close();
    QCOMPARE(OpenDescriptors(), before);
}

void TestComPort::bufferSizesAreEven()
{
    TComPort port;
    port.Buffer().SetInputSize(1025);
    port.Buffer().SetOutputSize(2048);
    QCOMPARE(port.Buffer().InputSize(), 1024);
    QCOMPARE(port.Buffer().OutputSize(), 2048);
}

void TestComPort::flowControlShorthand()
{
    TComPort port;
    TComFlowControl &flow = port.FlowControl();
    flow.SetFlowControl(fcHardware);
    QCOMPARE(flow.ControlRTS(), rtsHandshake);
    QVERIFY(flow.OutCTSFlow() && !flow.XonXoffIn() && !flow.XonXoffOut());
    flow.SetFlowControl(fcCustom);
    QCOMPARE(flow.FlowControl(), fcHardware);
    flow.SetFlowControl(fcSoftware);
    QCOMPARE(flow.ControlRTS(), rtsDisable);
    QVERIFY(!flow.OutCTSFlow() && flow.XonXoffIn() && flow.XonXoffOut());
    QCOMPARE(flow.FlowControl(), fcSoftware);
    flow.SetXonXoffIn(false);
    QCOMPARE(flow.FlowControl(), fcCustom);
    flow.SetFlowControl(fcNone);
    QCOMPARE(flow.FlowControl(), fcNone);
    QVERIFY(!flow.XonXoffOut());
}

void TestComPort::dispatchSettingsLockedWhileOpen()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.SetSyncMethod(smNone);
    port.SetEventThreadPriority(tpLower);
    port.Open();
    QCOMPARE(CodeOf([&] { port.SetSyncMethod(smWindowSync); }), 14);
    QCOMPARE(CodeOf([&] { port.SetEventThreadPriority(tpHigher); }), 14);
    QCOMPARE(CodeOf([&] { port.SetSyncMethod(smNone); }), 0);
    QCOMPARE(port.SyncMethod(), smNone);
    QCOMPARE(port.EventThreadPriority(), tpLower);
    QVERIFY(port.IsOpen());
}

void TestComPort::closedPortOperations()
{
    TComPort port;
    QByteArray str("x");
    QCOMPARE(CodeOf([&] { port.InputCount(); }), 10);
    QCOMPARE(CodeOf([&] { port.OutputCount(); }), 10);
    QCOMPARE(CodeOf([&] { port.ReadStr(str, 4); }), 3);
    QCOMPARE(CodeOf([&] { port.WaitForInput(10); }), 3);
    QCOMPARE(CodeOf([&] { port.WriteStr("abc"); }), 2);
    QVERIFY(!port.IsOpen());
}

void TestComPort::vanishedTester()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.Timeouts().SetReadInterval(200);
    port.Timeouts().SetReadTotalC(200);
    port.Open();
    pty.CloseMaster();
    int winCode = 0;
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(CodeOf([&] { port.WaitForInput(5000); }, &winCode), 3);
    QCOMPARE(winCode, EIO);
    QVERIFY(timer.elapsed() < 3000);
    QByteArray str;
    QCOMPARE(CodeOf([&] { port.ReadStr(str, 10); }), 3);
    QVERIFY(str.isEmpty());
    QCOMPARE(CodeOf([&] { port.WriteStr("x"); }), 2);
    port.Close();
    QVERIFY(!port.IsOpen());
}

void TestComPort::errorTexts_data()
{
    QTest::addColumn<int>("code");
    QTest::addColumn<QString>("text");
    const char *const texts[] = {
        "Unable to open com port",
        "WriteFile function failed",
        "ReadFile function failed",
        "Invalid Async parameter",
        "PurgeComm function failed",
        "Unable to get async status",
        "SetCommState function failed",
        "SetCommTimeouts failed",
        "SetupComm function failed",
        "ClearCommError function failed",
        "GetCommModemStatus function failed",
        "EscapeCommFunction function failed",
        "TransmitCommChar function failed",
        "Cannot set property while connected",
        "EnumPorts function failed",
        "Failed to store settings",
        "Failed to load settings",
        "Link (un)registration failed",
        "Cannot change led state if ComPort is selected",
        "Cannot wait for event if event thread is created",
        "WaitForEvent method failed",
        "A component is linked to OnRxBuf event",
        "Registry error",
    };
    for (int code = 1; code <= 23; ++code)
        QTest::addRow("code %d", code) << code << QString::fromLatin1(texts[code - 1]);
}

void TestComPort::errorTexts()
{
    QFETCH(int, code);
    QFETCH(QString, text);
    QCOMPARE(ComErrorText(code), text);
    const EComPort plain{ComError(code)};
    QCOMPARE(plain.Code, code);
    QCOMPARE(plain.WinCode, -1);
    QCOMPARE(plain.Message(), text);
    QCOMPARE(QString::fromStdString(plain.what()), text);
    const EComPort withSystem(ComError(code), 2);
    QCOMPARE(withSystem.Message(), text + QStringLiteral(" (win error code: 2)"));
}

// Started by exclusiveOpen: tries to open the named port and
// exits with the error code (0 when it opened).
static int TryOpen(const char *name)
{
    TComPort port;
    port.SetEvents(0);
    port.SetPort(QString::fromLocal8Bit(name));
    try {
        port.Open();
    } catch (const EComPort &e) {
        return e.Code;
    }
    return 0;
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--try-open") == 0)
        return TryOpen(argv[2]);
    TestComPort test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_comport.moc"
