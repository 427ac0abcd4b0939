// One command out, the reply in: the exchange against the simulated tester
// through the real serial port class.

#include "link/commands.h"
#include "link/comport.h"
#include "link/exchange.h"
#include "tools/simulator.h"

#include <QElapsedTimer>
#include <QtTest>

#include <thread>

namespace {

struct Link
{
    TesterSimulator sim;
    TComPort port;
    ExchangeContext context;

    Link()
    {
        port.SetPort(sim.PortName());
        port.Timeouts().SetReadInterval(200);
        port.Timeouts().SetReadTotalC(200);
        port.Open();
    }

    QByteArray Exchange(const QByteArray &command)
    {
        QByteArray reply;
        return RS232Write(port, command, reply, context);
    }
};

QByteArray Pattern(int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    for (int i = 0; i < size; ++i)
        bytes[i] = i % 61 == 60 ? '\n' : char('A' + i % 26);
    return bytes;
}

bool IsClockReply(const QByteArray &reply)
{
    static const QRegularExpression layout(
        QStringLiteral("^#\\d{4}-\\d\\d-\\d\\d,\\d\\d:\\d\\d\\.\\d\\d\\n$"));
    return layout.match(QString::fromLatin1(reply)).hasMatch();
}

} // namespace

class TestExchange : public QObject
{
    Q_OBJECT

private slots:
    void quietTime_data();
    void quietTime();
    void silentTesterGivesEmptyReply_data();
    void silentTesterGivesEmptyReply();
    void replyReplacesCallersText();
    void staleInputDiscarded();
    void burstsWithShortGapsJoined();
    void longGapCutsReply();
    void pacedDownloadCollectedWhole();
    void fullDownloadCollectedWhole();
    void replyStopsAtLongestLength();
    void deadline_data();
    void deadline();
    void tricklingTesterEndsAtDeadline();
    void overLongReplyLeavesLineClean();
    void zeroBytesKept();
    void trace();
    void waitSeesReplySoFar();
    void stoppingWaitEndsAtOnce();
    void closedPortRaises();
    void vanishedTesterRaises();
    void testerVanishingMidReplyRaises();
};

void TestExchange::quietTime_data()
{
    QTest::addColumn<int>("bluetooth");
    QTest::addColumn<int>("connected");
    QTest::addColumn<int>("quietMs");
    QTest::newRow("USB") << 0 << 0 << 300;
    QTest::newRow("USB linked") << 0 << 1 << 300;
    QTest::newRow("Bluetooth linked") << 1 << 1 << 500;
    QTest::newRow("Bluetooth before linking") << 1 << 0 << 1000;
    QTest::newRow("other non-zero mode counts as Bluetooth") << 2 << 1 << 500;
}

void TestExchange::quietTime()
{
    QFETCH(int, bluetooth);
    QFETCH(int, connected);
    QFETCH(int, quietMs);
    QCOMPARE(QuietTimeMs(bluetooth, connected), quietMs);
}

void TestExchange::silentTesterGivesEmptyReply_data()
{
    QTest::addColumn<int>("bluetooth");
    QTest::addColumn<int>("connected");
    QTest::addColumn<int>("expectedMs");
    QTest::newRow("USB") << 0 << 0 << 400;
    QTest::newRow("Bluetooth linked") << 1 << 1 << 600;
    QTest::newRow("Bluetooth before linking") << 1 << 0 << 1100;
}

void TestExchange::silentTesterGivesEmptyReply()
{
    QFETCH(int, bluetooth);
    QFETCH(int, connected);
    QFETCH(int, expectedMs);
    Link link;
    link.sim.SetSilent(true);
    link.context.quietMs = QuietTimeMs(bluetooth, connected);

    QElapsedTimer timer;
    timer.start();
    QByteArray reply = "old";
    const QByteArray returned = RS232Write(link.port, Cmd::Identify, reply, link.context);
    const qint64 ms = timer.elapsed();

    QVERIFY(reply.isEmpty());
    QVERIFY(returned.isEmpty());
    QVERIFY2(ms >= expectedMs - 5 && ms <= expectedMs + 700, qPrintable(QString::number(ms)));
    QCOMPARE(link.sim.CommandLog(), QList<QByteArray>{Cmd::Identify});
}

void TestExchange::replyReplacesCallersText()
{
    Link link;
    QByteArray reply = "left over from before";
    const QByteArray returned = RS232Write(link.port, Cmd::Identify, reply, link.context);
    QCOMPARE(reply, link.sim.IdentificationReply());
    QCOMPARE(returned, reply);
}

void TestExchange::staleInputDiscarded()
{
    Link link;
    link.sim.SendUnasked("$U0000 late reply\n");
    QVERIFY(link.port.WaitForInput(5000));
    const QByteArray reply = link.Exchange(Cmd::ReadClock);
    QVERIFY2(IsClockReply(reply), reply.constData());
}

void TestExchange::burstsWithShortGapsJoined()
{
    Link link;
    const QByteArray whole = Pattern(400);
    link.sim.SetReply(Cmd::Download, whole);
    link.sim.SetBursts(100, 150);
    QCOMPARE(link.Exchange(Cmd::Download), whole);
}

void TestExchange::longGapCutsReply()
{
    Link link;
    const QByteArray whole = Pattern(200);
    link.sim.SetReply(Cmd::Download, whole);
    link.sim.SetBursts(120, 700);
    QCOMPARE(link.Exchange(Cmd::Download), whole.left(120));

    // The rest comes in late and waits in the input queue ...
    QTRY_COMPARE_WITH_TIMEOUT(link.port.InputCount(), 80, 5000);
    // ... until the next exchange throws it away.
    const QByteArray reply = link.Exchange(Cmd::ReadClock);
    QVERIFY2(IsClockReply(reply), reply.constData());
}

void TestExchange::pacedDownloadCollectedWhole()
{
    Link link;
    link.sim.SetRecordCount(20);
    link.sim.SetLineSpeed(960);
    QCOMPARE(link.Exchange(Cmd::Download), link.sim.DownloadReply());
}

void TestExchange::fullDownloadCollectedWhole()
{
    Link link;
    link.sim.SetRecordCount(500);
    const QByteArray reply = link.Exchange(Cmd::Download);
    QCOMPARE(reply.size(), link.sim.DownloadReply().size());
    QCOMPARE(reply, link.sim.DownloadReply());
}

void TestExchange::replyStopsAtLongestLength()
{
    Link link;
    const QByteArray whole = Pattern(MaxReplyLength + 500);
    link.sim.SetReply(Cmd::Download, whole);
    const QByteArray reply = link.Exchange(Cmd::Download);
    QCOMPARE(reply.size(), MaxReplyLength);
    QVERIFY(reply == whole.left(MaxReplyLength));

    // The rest was read and thrown away before the exchange ended.
    QCOMPARE(link.port.InputCount(), 0);
    const QByteArray next = link.Exchange(Cmd::ReadClock);
    QVERIFY2(IsClockReply(next), next.left(100).constData());
}

void TestExchange::deadline_data()
{
    QTest::addColumn<int>("bitsPerSecond");
    QTest::addColumn<int>("quietMs");
    QTest::addColumn<qint64>("deadlineMs");
    QTest::newRow("9600 baud, USB") << 9600 << 300 << qint64(104166 + 300);
    QTest::newRow("256000 baud, Bluetooth linked") << 256000 << 500 << qint64(3907 + 500);
    QTest::newRow("110 baud, Bluetooth") << 110 << 1000 << qint64(9090819 + 1000);
    QTest::newRow("no speed counts as one bit a second") << 0 << 300 << qint64(999990000 + 300);
}

void TestExchange::deadline()
{
    QFETCH(int, bitsPerSecond);
    QFETCH(int, quietMs);
    QFETCH(qint64, deadlineMs);
    QCOMPARE(ExchangeDeadlineMs(bitsPerSecond, quietMs), deadlineMs);
}

void TestExchange::tricklingTesterEndsAtDeadline()
{
    // At a million bits a second the deadline is 1000 ms + 300 ms quiet time;
    // at 9600 baud the same tester would hold the line for 104 s.
    Link link;
    link.port.SetCustomBaudRate(1000000);
    link.port.SetBaudRate(brCustom);
    const qint64 deadlineMs = ExchangeDeadlineMs(1000000, UsbQuietMs);
    const QByteArray whole = Pattern(1000);
    link.sim.SetReply(Cmd::Download, whole);
    link.sim.SetLineSpeed(4); // one byte every 250 ms, for four minutes

    QElapsedTimer timer;
    timer.start();
    const QByteArray reply = link.Exchange(Cmd::Download);
    const qint64 ms = timer.elapsed();

    QVERIFY2(ms >= 100 + deadlineMs - 5 && ms < 100 + deadlineMs + 1500,
             qPrintable(QString::number(ms)));
    QVERIFY2(reply.size() >= 3 && reply.size() <= 7, reply.constData());
    QCOMPARE(reply, whole.left(reply.size()));
}

void TestExchange::overLongReplyLeavesLineClean()
{
    Link link;
    const QByteArray whole = Pattern(300 * 1024);
    link.sim.SetReply(Cmd::Download, whole);
    const QByteArray reply = link.Exchange(Cmd::Download);
    QCOMPARE(reply.size(), MaxReplyLength);
    QVERIFY(reply == whole.left(MaxReplyLength));

    const QByteArray next = link.Exchange(Cmd::ReadClock);
    QVERIFY2(IsClockReply(next), next.left(100).constData());
}

void TestExchange::zeroBytesKept()
{
    Link link;
    link.sim.SetGarbage(true);
    const QByteArray reply = link.Exchange(Cmd::Identify);
    QCOMPARE(reply, TesterSimulator::GarbageReply());
    QVERIFY(reply.contains('\0'));
}

void TestExchange::trace()
{
    Link link;
    QStringList lines;
    link.context.trace = [&](const QString &line) { lines.append(line); };

    const QByteArray reply = link.Exchange(Cmd::ReadClock);
    QCOMPARE(lines, (QStringList{">$R0000\n", "<" + QString::fromLatin1(reply)}));

    lines.clear();
    link.sim.SetSilent(true);
    link.Exchange(Cmd::LinkOk);
    QCOMPARE(lines, (QStringList{">$OK\n", "<"}));
}

// The wait callback sees the reply grow while the tester sends it.
void TestExchange::waitSeesReplySoFar()
{
    Link link;
    link.sim.SetRecordCount(20);
    link.sim.SetLineSpeed(960);
    QList<QByteArray> seen;
    link.context.wait = [&](const QByteArray &replySoFar) {
        seen.append(replySoFar);
        return WaitVerdict::GoOn;
    };
    const QByteArray reply = link.Exchange(Cmd::Download);
    QCOMPARE(reply, link.sim.DownloadReply());
    QVERIFY(seen.size() > 2);
    for (qsizetype i = 0; i < seen.size(); ++i) {
        QVERIFY(reply.startsWith(seen[i]));
        QVERIFY(i == 0 || seen[i].size() >= seen[i - 1].size());
    }
    QVERIFY(seen.first().size() < seen.last().size());
}

// A trickling tester would take twelve seconds; the wait callback stops the
// exchange as soon as two bytes have come.
void TestExchange::stoppingWaitEndsAtOnce()
{
    Link link;
    link.sim.SetTrickle(150);
    link.context.wait = [](const QByteArray &replySoFar) {
        return replySoFar.size() >= 2 ? WaitVerdict::Stop : WaitVerdict::GoOn;
    };
    QElapsedTimer timer;
    timer.start();
    QByteArray reply = "old";
    QVERIFY_THROWS_EXCEPTION(ExchangeStopped,
                             RS232Write(link.port, Cmd::Identify, reply, link.context));
    QVERIFY2(timer.elapsed() < 1500, qPrintable(QString::number(timer.elapsed())));
    QVERIFY(reply.isEmpty());
}

void TestExchange::closedPortRaises()
{
    TesterSimulator sim;
    TComPort port;
    ExchangeContext context;
    port.SetPort(sim.PortName());
    QByteArray reply = "kept";
    QVERIFY_THROWS_EXCEPTION(EComPort, RS232Write(port, Cmd::Identify, reply, {}));
    QVERIFY(sim.CommandLog().isEmpty());
}

void TestExchange::vanishedTesterRaises()
{
    Link link;
    link.sim.Vanish();
    QElapsedTimer timer;
    timer.start();
    QVERIFY_THROWS_EXCEPTION(EComPort, link.Exchange(Cmd::Identify));
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
}

void TestExchange::testerVanishingMidReplyRaises()
{
    Link link;
    link.sim.SetReply(Cmd::Download, Pattern(1000));
    link.sim.SetBursts(50, 200); // about four seconds, were it to finish
    std::thread vanisher([&link] {
        link.sim.WaitForCommands(1, 5000);
        link.sim.Vanish();
    });
    QElapsedTimer timer;
    timer.start();
    bool raised = false;
    try {
        link.Exchange(Cmd::Download);
    } catch (const EComPort &) {
        raised = true;
    }
    vanisher.join();
    QVERIFY(raised);
    QVERIFY2(timer.elapsed() < 3000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(TestExchange)
#include "tst_exchange.moc"
