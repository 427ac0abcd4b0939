#include "link/comport.h"
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

// Runs op and gives the EComPort code it raised, 0 when it raised nothing.
int CodeOf(const std::function<void()> &op, int *winCode = nullptr)
{
    try {
        op();
    } catch (const EComPort &e) {
        if (winCode)
            *winCode = e.WinCode;
        return e.Code;
    }
    return 0;
}

constexpr tcflag_t ArbitrarySpeed = 0010000;

} // namespace

class TestComPort : public QObject
{
    Q_OBJECT
private slots:
    void defaults();
    void openAndCloseTwice();
    void openFailures_data();
    void openFailures();
    void exclusiveInProcess();
    void exclusiveAcrossProcesses();
    void readTimeouts_data();
    void readTimeouts();
    void readWithoutTimeoutsWaitsForCount();
    void intervalCountsFromFirstByte();
    void emptyTransfers();
    void inputCountLeavesQueue();
    void writeReachesTester();
    void writeTotalTimeout();
    void portChangeReopens();
    void equalValuesAreNotReapplied();
    void updateDefersSettings();
    void lineSettings_data();
    void lineSettings();
    void arbitrarySpeeds_data();
    void arbitrarySpeeds();
    void bufferSizesAreEven_data();
    void bufferSizesAreEven();
    void flowControlShorthand_data();
    void flowControlShorthand();
    void dispatchSettingsLockedWhileOpen();
    void closedPortOperations_data();
    void closedPortOperations();
    void vanishedTester();
    void errorTexts_data();
    void errorTexts();
};

void TestComPort::defaults()
{
    TComPort port;
    QCOMPARE(port.Port(), QStringLiteral("COM1"));
    QCOMPARE(port.BaudRate(), br9600);
    QCOMPARE(port.Timeouts().ReadInterval(), -1);
    QCOMPARE(port.Timeouts().WriteTotalMultiplier(), 100);
    QCOMPARE(port.Timeouts().WriteTotalConstant(), 1000);
    QCOMPARE(port.Events(), AllComEvents);
    QCOMPARE(port.FlowControl().FlowControl(), fcNone);
    QCOMPARE(port.FlowControl().XonChar(), char(17));
    QCOMPARE(port.SyncMethod(), smThreadSync);
    QVERIFY(!port.IsOpen());
    QCOMPARE(BaudRateTable[br14400], 14400);
    QCOMPARE(BaudRateTable[br256000], 256000);
}

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

void TestComPort::exclusiveInProcess()
{
    PtyPair pty;
    TComPort first, second;
    first.SetPort(pty.PortName());
    second.SetPort(pty.PortName());
    first.Open();
    QCOMPARE(CodeOf([&] { second.Open(); }), 1);
    QVERIFY(!second.IsOpen());
    QVERIFY(first.WriteStr("ok") == 2);
    QCOMPARE(pty.Receive(2), QByteArray("ok"));
    first.Close();
    second.Open();
    QVERIFY(second.IsOpen());
}

void TestComPort::exclusiveAcrossProcesses()
{
    PtyPair pty;
    const auto tryInChild = [&] {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(),
                    {QStringLiteral("--try-open"), pty.PortName()});
        if (!child.waitForFinished(10000))
            return -1;
        return child.exitCode();
    };
    TComPort port;
    port.SetPort(pty.PortName());
    port.Open();
    QCOMPARE(tryInChild(), 1);
    port.Close();
    QCOMPARE(tryInChild(), 0);
}

void TestComPort::readTimeouts_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("multiplier");
    QTest::addColumn<int>("constant");
    QTest::addColumn<int>("queued");
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("minMs");
    QTest::addColumn<int>("maxMs");
    // The program's own values: a short read ends after about 200 ms.
    QTest::newRow("interval and total, too few") << 200 << 0 << 200 << 3 << 10 << 150 << 1500;
    QTest::newRow("interval and total, enough") << 200 << 0 << 200 << 10 << 10 << 0 << 150;
    QTest::newRow("defaults return at once") << -1 << 0 << 0 << 3 << 10 << 0 << 150;
    QTest::newRow("defaults with empty queue") << -1 << 0 << 0 << 0 << 10 << 0 << 150;
    QTest::newRow("total per byte") << 0 << 20 << 100 << 3 << 10 << 250 << 1500;
    QTest::newRow("total with empty queue") << 0 << 0 << 300 << 0 << 10 << 250 << 1500;
}

void TestComPort::readTimeouts()
{
    QFETCH(int, interval);
    QFETCH(int, multiplier);
    QFETCH(int, constant);
    QFETCH(int, queued);
    QFETCH(int, asked);
    QFETCH(int, minMs);
    QFETCH(int, maxMs);
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.Timeouts().SetReadInterval(interval);
    port.Timeouts().SetReadTotalM(multiplier);
    port.Timeouts().SetReadTotalC(constant);
    port.Open();
    const QByteArray sent = QByteArray("0123456789").left(queued);
    QVERIFY(pty.Send(sent));
    QVERIFY(WaitForQueued(port, queued));

    QByteArray str("stale");
    QElapsedTimer timer;
    timer.start();
    const int got = port.ReadStr(str, asked);
    const qint64 elapsed = timer.elapsed();
    QCOMPARE(got, queued);
    QCOMPARE(str, sent);
    QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed)));
}

void TestComPort::readWithoutTimeoutsWaitsForCount()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.Timeouts().SetReadInterval(0);
    port.Open();
    QVERIFY(pty.Send("abc"));
    std::thread late([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        pty.Send("defghij");
    });
    QByteArray str;
    const int got = port.ReadStr(str, 10);
    late.join();
    QCOMPARE(got, 10);
    QCOMPARE(str, QByteArray("abcdefghij"));
}

void TestComPort::intervalCountsFromFirstByte()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.Timeouts().SetReadInterval(100);
    port.Open();
    // Nothing is queued: without a total time-out the read waits for the
    // first byte however long it takes, then for the gap after it.
    std::thread late([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        pty.Send("xy");
    });
    QElapsedTimer timer;
    timer.start();
    QByteArray str;
    const int got = port.ReadStr(str, 10);
    const qint64 elapsed = timer.elapsed();
    late.join();
    QCOMPARE(got, 2);
    QCOMPARE(str, QByteArray("xy"));
    QVERIFY2(elapsed >= 450 && elapsed <= 2000, qPrintable(QString::number(elapsed)));
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

void TestComPort::writeReachesTester()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.Open();
    QByteArray all;
    for (int i = 0; i < 256; ++i)
        all.append(char(i));
    QCOMPARE(port.WriteStr(all), 256);
    QCOMPARE(pty.Receive(256), all);
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
    QTest::addColumn<uint>("cflagSet");
    QTest::addColumn<uint>("cflagClear");
    QTest::addColumn<uint>("iflagSet");
    QTest::addColumn<uint>("iflagClear");
    // A pseudo-terminal forces 8 bits without parity; the flags that tell
    // the parity kinds apart and everything else survive.
    const uint handshakes = CRTSCTS | CSTOPB | PARODD | CMSPAR;
    QTest::newRow("8N1, no handshake")
        << int(prNone) << int(sbOneStopBit) << int(fcNone) << false << uint(CREAD | CLOCAL)
        << handshakes << 0u << uint(IXON | IXOFF | INPCK | ICRNL | ISTRIP);
    QTest::newRow("odd, checked") << int(prOdd) << int(sbOneStopBit) << int(fcNone) << true
                                  << uint(PARODD) << uint(CMSPAR) << uint(INPCK) << 0u;
    QTest::newRow("even") << int(prEven) << int(sbOneStopBit) << int(fcNone) << false << 0u
                          << uint(PARODD | CMSPAR) << 0u << uint(INPCK);
    QTest::newRow("mark") << int(prMark) << int(sbOneStopBit) << int(fcNone) << false
                          << uint(PARODD | CMSPAR) << 0u << 0u << 0u;
    QTest::newRow("space") << int(prSpace) << int(sbOneStopBit) << int(fcNone) << false
                           << uint(CMSPAR) << uint(PARODD) << 0u << 0u;
    QTest::newRow("1.5 stop bits as 2") << int(prNone) << int(sbOne5StopBits) << int(fcNone)
                                        << false << uint(CSTOPB) << 0u << 0u << 0u;
    QTest::newRow("2 stop bits") << int(prNone) << int(sbTwoStopBits) << int(fcNone) << false
                                 << uint(CSTOPB) << 0u << 0u << 0u;
    QTest::newRow("hardware handshake") << int(prNone) << int(sbOneStopBit) << int(fcHardware)
                                        << false << uint(CRTSCTS) << 0u << 0u << uint(IXON | IXOFF);
    QTest::newRow("software handshake") << int(prNone) << int(sbOneStopBit) << int(fcSoftware)
                                        << false << 0u << uint(CRTSCTS) << uint(IXON | IXOFF) << 0u;
}

void TestComPort::lineSettings()
{
    QFETCH(int, parity);
    QFETCH(int, stopBits);
    QFETCH(int, flow);
    QFETCH(bool, check);
    QFETCH(uint, cflagSet);
    QFETCH(uint, cflagClear);
    QFETCH(uint, iflagSet);
    QFETCH(uint, iflagClear);
    PtyPair pty;
    termios dirty = SlaveSettings(pty);
    dirty.c_iflag |= ICRNL | ISTRIP | IXON;
    dirty.c_cflag |= CSTOPB | CRTSCTS;
    ::tcsetattr(pty.SlaveFd(), TCSANOW, &dirty);

    TComPort port;
    port.SetPort(pty.PortName());
    port.Parity().SetBits(TParityBits(parity));
    port.Parity().SetCheck(check);
    port.SetStopBits(TStopBits(stopBits));
    port.FlowControl().SetFlowControl(TFlowControl(flow));
    port.Open();
    const termios tio = SlaveSettings(pty);
    QCOMPARE(tio.c_cflag & cflagSet, tcflag_t(cflagSet));
    QCOMPARE(tio.c_cflag & cflagClear, tcflag_t(0));
    QCOMPARE(tio.c_iflag & iflagSet, tcflag_t(iflagSet));
    QCOMPARE(tio.c_iflag & iflagClear, tcflag_t(0));
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

void TestComPort::bufferSizesAreEven_data()
{
    QTest::addColumn<int>("asked");
    QTest::addColumn<int>("stored");
    QTest::newRow("odd") << 1025 << 1024;
    QTest::newRow("even") << 2048 << 2048;
    QTest::newRow("one") << 1 << 0;
}

void TestComPort::bufferSizesAreEven()
{
    QFETCH(int, asked);
    QFETCH(int, stored);
    TComPort port;
    port.Buffer().SetInputSize(asked);
    port.Buffer().SetOutputSize(asked);
    QCOMPARE(port.Buffer().InputSize(), stored);
    QCOMPARE(port.Buffer().OutputSize(), stored);
}

void TestComPort::flowControlShorthand_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("set");
    QTest::addColumn<int>("rts");
    QTest::addColumn<bool>("cts");
    QTest::addColumn<bool>("xon");
    QTest::addColumn<int>("reads");
    QTest::newRow("none to hardware")
        << int(fcNone) << int(fcHardware) << int(rtsHandshake) << true << false << int(fcHardware);
    QTest::newRow("hardware to software") << int(fcHardware) << int(fcSoftware) << int(rtsDisable)
                                          << false << true << int(fcSoftware);
    QTest::newRow("software to none")
        << int(fcSoftware) << int(fcNone) << int(rtsDisable) << false << false << int(fcNone);
    QTest::newRow("custom keeps hardware") << int(fcHardware) << int(fcCustom) << int(rtsHandshake)
                                           << true << false << int(fcHardware);
}

void TestComPort::flowControlShorthand()
{
    QFETCH(int, from);
    QFETCH(int, set);
    QFETCH(int, rts);
    QFETCH(bool, cts);
    QFETCH(bool, xon);
    QFETCH(int, reads);
    TComPort port;
    TComFlowControl &flow = port.FlowControl();
    flow.SetFlowControl(TFlowControl(from));
    flow.SetFlowControl(TFlowControl(set));
    QCOMPARE(int(flow.ControlRTS()), rts);
    QCOMPARE(flow.OutCTSFlow(), cts);
    QCOMPARE(flow.XonXoffIn(), xon);
    QCOMPARE(flow.XonXoffOut(), xon);
    QCOMPARE(int(flow.FlowControl()), reads);

    flow.SetXonXoffIn(!flow.XonXoffIn());
    QCOMPARE(flow.FlowControl(), fcCustom);
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

void TestComPort::closedPortOperations_data()
{
    QTest::addColumn<QString>("operation");
    QTest::addColumn<int>("code");
    QTest::newRow("InputCount") << "InputCount" << 10;
    QTest::newRow("OutputCount") << "OutputCount" << 10;
    QTest::newRow("ReadStr") << "ReadStr" << 3;
    QTest::newRow("WaitForInput") << "WaitForInput" << 3;
    QTest::newRow("WriteStr") << "WriteStr" << 2;
}

void TestComPort::closedPortOperations()
{
    QFETCH(QString, operation);
    QFETCH(int, code);
    TComPort port;
    QByteArray str("x");
    const int got = CodeOf([&] {
        if (operation == QLatin1String("InputCount"))
            port.InputCount();
        else if (operation == QLatin1String("OutputCount"))
            port.OutputCount();
        else if (operation == QLatin1String("ReadStr"))
            port.ReadStr(str, 4);
        else if (operation == QLatin1String("WaitForInput"))
            port.WaitForInput(10);
        else
            port.WriteStr("abc");
    });
    QCOMPARE(got, code);
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
    const EComPort plain(code);
    QCOMPARE(plain.Code, code);
    QCOMPARE(plain.WinCode, -1);
    QCOMPARE(plain.Message(), text);
    QCOMPARE(QString::fromStdString(plain.what()), text);
    const EComPort withSystem(code, 2);
    QCOMPARE(withSystem.Message(), text + QStringLiteral(" (win error code: 2)"));
}

// Started by exclusiveAcrossProcesses: tries to open the named port and
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
