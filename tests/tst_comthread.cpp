#include "link/comport.h"
#include "link/comthread.h"
#include "tests/ptypair.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QThread>
#include <QtTest>
#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace {

int ProcessThreads()
{
    return static_cast<int>(QDir(QStringLiteral("/proc/self/task"))
                                .entryList(QDir::Dirs | QDir::NoDotAndDotDot)
                                .size());
}

// Waits for a condition without running the event loop.
bool WaitUntil(const std::function<bool()> &condition, int timeoutMs = 5000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool IsMainThread()
{
    return QThread::currentThread() == QCoreApplication::instance()->thread();
}

} // namespace

class TestComThread : public QObject
{
    Q_OBJECT
private slots:
    void openStartsOneWatcher();
    void emptyEventsStartNone();
    void receivedBytesStayQueued();
    void handlerThread_data();
    void handlerThread();
    void transmitEmptyAfterWrite();
    void hangUpReportedOnce();
    void queuesPurgedWhenWatcherEnds_data();
    void queuesPurgedWhenWatcherEnds();
    void closeFromHandler();
    void closeWhileWatcherWaitsForMainThread();
    void closeWhileHandlerRunsOnWatcher();
    void closeOnWatcherThreadRefused();
};

void TestComThread::openStartsOneWatcher()
{
    PtyPair pty;
    const int threads = ProcessThreads();
    TComPort port;
    port.SetPort(pty.PortName());
    for (int round = 0; round < 2; ++round) {
        port.Open();
        port.Open();
        QVERIFY(port.EventThread() != nullptr);
        QVERIFY(port.EventThread()->IsRunning());
        QCOMPARE(TComThread::LiveCount(), 1);
        QCOMPARE(ProcessThreads(), threads + 1);
        port.Close();
        QVERIFY(port.EventThread() == nullptr);
        QCOMPARE(TComThread::LiveCount(), 0);
        // The system takes a moment to forget a thread that has ended.
        QVERIFY(WaitUntil([&] { return ProcessThreads() == threads; }));
    }
}

void TestComThread::emptyEventsStartNone()
{
    PtyPair pty;
    const int threads = ProcessThreads();
    TComPort port;
    port.SetPort(pty.PortName());
    port.SetEvents(0);
    port.Open();
    QVERIFY(port.EventThread() == nullptr);
    QCOMPARE(TComThread::LiveCount(), 0);
    QCOMPARE(ProcessThreads(), threads);
}

void TestComThread::receivedBytesStayQueued()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.SetSyncMethod(smNone);
    std::atomic<int> calls{0};
    std::atomic<int> seen{0};
    port.OnRxChar = [&](int count) {
        seen = count;
        ++calls;
    };
    port.Open();
    QVERIFY(pty.Send("12345"));
    QVERIFY(WaitUntil([&] { return seen.load() == 5; }));
    QCOMPARE(port.InputCount(), 5);

    // Old input waiting unread is no new event.
    const int callsBefore = calls.load();
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QCOMPARE(calls.load(), callsBefore);
    QCOMPARE(port.InputCount(), 5);

    QByteArray str;
    QCOMPARE(port.ReadStr(str, 5), 5);
    QCOMPARE(str, QByteArray("12345"));
    QVERIFY(pty.Send("6"));
    QVERIFY(WaitUntil([&] { return calls.load() > callsBefore; }));
    QCOMPARE(port.ReadStr(str, 5), 1);
}

void TestComThread::handlerThread_data()
{
    QTest::addColumn<int>("sync");
    QTest::addColumn<bool>("onMain");
    QTest::newRow("thread sync") << int(smThreadSync) << true;
    QTest::newRow("window sync") << int(smWindowSync) << true;
    QTest::newRow("none") << int(smNone) << false;
}

void TestComThread::handlerThread()
{
    QFETCH(int, sync);
    QFETCH(bool, onMain);
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.SetSyncMethod(TSyncMethod(sync));
    std::atomic<int> calls{0};
    std::atomic<bool> mainThread{!onMain};
    port.OnRxChar = [&](int count) {
        mainThread = IsMainThread();
        if (count > 0)
            ++calls;
    };
    port.Open();
    QVERIFY(pty.Send("ping"));
    QTRY_VERIFY_WITH_TIMEOUT(calls.load() > 0, 5000);
    QCOMPARE(mainThread.load(), onMain);
    QCOMPARE(port.InputCount(), 4);
}

void TestComThread::transmitEmptyAfterWrite()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.SetSyncMethod(smNone);
    std::atomic<int> empties{0};
    port.OnTxEmpty = [&] { ++empties; };
    port.Open();
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    QCOMPARE(empties.load(), 0);
    QCOMPARE(port.WriteStr("abc"), 3);
    QCOMPARE(pty.Receive(3), QByteArray("abc"));
    QVERIFY(WaitUntil([&] { return empties.load() == 1; }));
}

void TestComThread::hangUpReportedOnce()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.SetSyncMethod(smNone);
    std::atomic<int> errors{0};
    port.OnError = [&](int) { ++errors; };
    port.Open();
    pty.CloseMaster();
    QVERIFY(WaitUntil([&] { return errors.load() == 1; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    QCOMPARE(errors.load(), 1);
    port.Close();
    QCOMPARE(TComThread::LiveCount(), 0);
}

void TestComThread::queuesPurgedWhenWatcherEnds_data()
{
    QTest::addColumn<uint>("events");
    QTest::addColumn<int>("left");
    QTest::newRow("watcher") << uint(AllComEvents) << 0;
    QTest::newRow("no watcher") << 0u << 3;
}

void TestComThread::queuesPurgedWhenWatcherEnds()
{
    QFETCH(uint, events);
    QFETCH(int, left);
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.SetSyncMethod(smNone);
    port.SetEvents(events);
    port.Open();
    QVERIFY(pty.Send("abc"));
    QVERIFY(WaitUntil([&] { return port.InputCount() == 3; }));
    port.Close();
    port.SetEvents(0);
    port.Open();
    QCOMPARE(port.InputCount(), left);
}

void TestComThread::closeFromHandler()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    bool closedInside = false;
    int afterClose = 0;
    port.OnRxChar = [&](int) {
        port.Close();
        closedInside = !port.IsOpen();
    };
    port.OnAfterClose = [&] { ++afterClose; };
    port.Open();
    QVERIFY(pty.Send("x"));
    QTRY_VERIFY_WITH_TIMEOUT(closedInside, 5000);
    QCOMPARE(afterClose, 1);
    QVERIFY(port.EventThread() == nullptr);
    QCOMPARE(TComThread::LiveCount(), 0);
}

void TestComThread::closeWhileWatcherWaitsForMainThread()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    int calls = 0;
    port.OnRxChar = [&](int) { ++calls; };
    port.Open();
    QVERIFY(pty.Send("x"));
    // The main thread runs no event loop here, so the watcher stays blocked
    // in its hand-over until Close releases it.
    TComThread *watcher = port.EventThread();
    QVERIFY(WaitUntil([&] { return watcher->WaitingForMainThread(); }));
    port.Close();
    QCOMPARE(TComThread::LiveCount(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(calls, 0);
}

void TestComThread::closeWhileHandlerRunsOnWatcher()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.SetSyncMethod(smNone);
    std::mutex mutex;
    std::condition_variable changed;
    bool entered = false;
    bool closing = false;
    bool finished = false;
    // The handler holds the watcher until Close has begun.
    port.OnRxChar = [&](int) {
        std::unique_lock<std::mutex> lock(mutex);
        entered = true;
        changed.notify_all();
        changed.wait(lock, [&] { return closing; });
        finished = true;
    };
    port.OnBeforeClose = [&] {
        std::lock_guard<std::mutex> lock(mutex);
        closing = true;
        changed.notify_all();
    };
    port.Open();
    QVERIFY(pty.Send("x"));
    {
        std::unique_lock<std::mutex> lock(mutex);
        QVERIFY(changed.wait_for(lock, std::chrono::seconds(5), [&] { return entered; }));
    }
    port.Close();
    QVERIFY(finished);
    QCOMPARE(TComThread::LiveCount(), 0);
}

void TestComThread::closeOnWatcherThreadRefused()
{
    PtyPair pty;
    TComPort port;
    port.SetPort(pty.PortName());
    port.SetSyncMethod(smNone);
    std::atomic<int> code{-1};
    port.OnRxChar = [&](int) {
        try {
            port.Close();
            code = 0;
        } catch (const EComPort &e) {
            code = e.Code;
        }
    };
    port.Open();
    QVERIFY(pty.Send("x"));
    QVERIFY(WaitUntil([&] { return code.load() != -1; }));
    QCOMPARE(code.load(), 5);
    QVERIFY(port.IsOpen());
    port.Close();
    QCOMPARE(TComThread::LiveCount(), 0);
}

QTEST_GUILESS_MAIN(TestComThread)
#include "tst_comthread.moc"
