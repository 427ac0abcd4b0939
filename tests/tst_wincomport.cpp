// The serial port and its line-event watcher on Windows, against the
// simulated tester behind a COM port.

#include "comtester.h"

#include "link/commands.h"
#include "link/comthread.h"
#include "link/discovery.h"

#include <QtTest>
#include <atomic>

namespace {

// The line settings the device holds, read back through a handle of our own.
DCB DeviceState(const QString &port)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    const QByteArray path = "\\\\.\\" + port.toLatin1();
    HANDLE h = ::CreateFileA(path.constData(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                             OPEN_EXISTING, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return dcb;
    ::GetCommState(h, &dcb);
    ::CloseHandle(h);
    return dcb;
}

void Prepare(TComPort &port)
{
    port.SetPort(TesterPort());
    port.Timeouts().SetReadInterval(200);
    port.Timeouts().SetReadTotalC(200);
}

} // namespace

class TestWinComPort : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (!RunningUnderWine())
            return;
        qInfo("Under Wine the port is a pseudo-terminal, and Wine cannot show:");
        qInfo(" - the exclusive open: Wine lets a second handle open the port");
        qInfo(" - data bits and parity: the terminal keeps 8 bits without parity");
        qInfo(" - DTR and RTS held off, line-state events (CTS, DSR, RING, RLSD, break, "
              "line errors): the terminal has no modem lines and no error counters, so "
              "the watcher falls back to the data events");
    }
    void init() { QCOMPARE(TComThread::LiveCount(), 0); }

    void openAndCloseTwice()
    {
        TComPort port;
        Prepare(port);
        port.Open();
        port.Open();
        QVERIFY(port.IsOpen());
        QCOMPARE(TComThread::LiveCount(), 1);
        port.Close();
        port.Close();
        QVERIFY(!port.IsOpen());
        QCOMPARE(TComThread::LiveCount(), 0);
    }

    // The system's error numbers reach the message.
    void missingPort()
    {
        TComPort port;
        port.SetPort(QStringLiteral("COM200"));
        int winCode = 0;
        QCOMPARE(CodeOf([&] { port.Open(); }, &winCode), 1);
        QCOMPARE(EComPort(ComError::OpenFailed, winCode).Message(),
                 QStringLiteral("Unable to open com port (win error code: 2)"));
        QVERIFY(!port.IsOpen());
        QCOMPARE(CodeOf([&] { port.InputCount(); }, &winCode), 10);
        QCOMPARE(winCode, int(ERROR_INVALID_HANDLE));
    }

    void exclusiveOpen()
    {
        TComPort first, second;
        Prepare(first);
        Prepare(second);
        first.Open();
        int winCode = 0;
        const int code = CodeOf([&] { second.Open(); }, &winCode);
        if (RunningUnderWine()) {
            second.Close();
        } else {
            QCOMPARE(code, 1);
            QCOMPARE(winCode, int(ERROR_ACCESS_DENIED));
            QVERIFY(!second.IsOpen());
        }
        first.Close();
        second.Open();
        QVERIFY(second.IsOpen());
    }

    void lineSettings_data()
    {
        QTest::addColumn<int>("baud");
        QTest::addColumn<int>("dataBits");
        QTest::addColumn<int>("parity");
        QTest::addColumn<int>("stopBits");
        QTest::addColumn<int>("speed");
        QTest::addColumn<int>("byteSize");
        QTest::newRow("9600 8N1") << int(br9600) << int(dbEight) << int(prNone) << int(sbOneStopBit)
                                  << 9600 << 8;
        QTest::newRow("19200 7E2")
            << int(br19200) << int(dbSeven) << int(prEven) << int(sbTwoStopBits) << 19200 << 7;
        QTest::newRow("custom is 9600")
            << int(brCustom) << int(dbEight) << int(prNone) << int(sbOneStopBit) << 9600 << 8;
    }
    void lineSettings()
    {
        QFETCH(int, baud);
        QFETCH(int, dataBits);
        QFETCH(int, parity);
        QFETCH(int, stopBits);
        QFETCH(int, speed);
        QFETCH(int, byteSize);
        {
            TComPort port;
            Prepare(port);
            port.SetBaudRate(TBaudRate(baud));
            port.SetDataBits(TDataBits(dataBits));
            port.Parity().SetBits(TParityBits(parity));
            port.SetStopBits(TStopBits(stopBits));
            port.Open();
        }
        const DCB dcb = DeviceState(TesterPort());
        QCOMPARE(int(dcb.BaudRate), speed);
        QCOMPARE(int(dcb.StopBits), stopBits);
        QVERIFY(!dcb.fOutxCtsFlow && !dcb.fOutxDsrFlow && !dcb.fOutX && !dcb.fInX);
        // Under Wine the port is a pseudo-terminal: it keeps 8 data bits
        // without parity whatever is set, and has no DTR or RTS line.
        if (RunningUnderWine())
            return;
        QCOMPARE(int(dcb.ByteSize), byteSize);
        QCOMPARE(int(dcb.Parity), parity);
        QCOMPARE(int(dcb.fDtrControl), int(DTR_CONTROL_DISABLE));
        QCOMPARE(int(dcb.fRtsControl), int(RTS_CONTROL_DISABLE));
    }

    void readTimeouts_data()
    {
        QTest::addColumn<int>("interval");
        QTest::addColumn<int>("constant");
        QTest::addColumn<int>("minMs");
        QTest::addColumn<int>("maxMs");
        QTest::newRow("program's 200/200 waits") << 200 << 200 << 150 << 2000;
        QTest::newRow("defaults return at once") << -1 << 0 << 0 << 150;
    }
    void readTimeouts()
    {
        QFETCH(int, interval);
        QFETCH(int, constant);
        QFETCH(int, minMs);
        QFETCH(int, maxMs);
        TComPort port;
        Prepare(port);
        port.Timeouts().SetReadInterval(interval);
        port.Timeouts().SetReadTotalC(constant);
        port.Open();
        port.WriteStr(Cmd::Identify);
        const int queued = SettledInputCount(port);
        QVERIFY(queued >= 20);
        QByteArray got;
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(port.ReadStr(got, queued + 10), queued);
        const qint64 elapsed = timer.elapsed();
        QCOMPARE(got.size(), queued);
        QVERIFY(IsSupportedTester(got));
        QVERIFY2(elapsed >= minMs && elapsed <= maxMs, qPrintable(QString::number(elapsed)));
    }

    // The watcher reports arrivals but takes nothing out of the queue; its
    // end empties the queues.
    void receivedBytesStayQueued()
    {
        TComPort port;
        Prepare(port);
        std::atomic<int> calls{0};
        port.OnRxChar = [&](int) { ++calls; };
        port.Open();
        port.WriteStr(Cmd::Identify);
        QTRY_VERIFY_WITH_TIMEOUT(calls.load() > 0, 5000);
        QVERIFY(SettledInputCount(port) >= 20);
        port.Close();
        port.Open();
        QCOMPARE(port.InputCount(), 0);
    }

    void emptyEventsStartNone()
    {
        TComPort port;
        Prepare(port);
        port.SetEvents(0);
        port.Open();
        QVERIFY(!port.EventThread());
        QCOMPARE(TComThread::LiveCount(), 0);
        // Waiting for input then needs a line-event wait of its own.
        port.WriteStr(Cmd::Identify);
        QVERIFY(port.WaitForInput(5000));
        QVERIFY(SettledInputCount(port) >= 20);
    }
};

QTEST_GUILESS_MAIN(TestWinComPort)
#include "tst_wincomport.moc"
