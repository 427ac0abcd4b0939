// The simulated tester, seen from the program's end of the pseudo-terminal
// with plain descriptor calls, so that these checks do not depend on the
// serial port class.

#include "link/commands.h"
#include "tools/simulator.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace {

class ProgramEnd
{
public:
    explicit ProgramEnd(const QString &path, bool raw = true)
    {
        fd_ = ::open(path.toLocal8Bit().constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        termios tio{};
        if (raw && fd_ >= 0 && ::tcgetattr(fd_, &tio) == 0) {
            ::cfmakeraw(&tio);
            ::tcsetattr(fd_, TCSANOW, &tio);
        }
    }
    ~ProgramEnd()
    {
        if (fd_ >= 0)
            ::close(fd_);
    }
    ProgramEnd(const ProgramEnd &) = delete;
    ProgramEnd &operator=(const ProgramEnd &) = delete;

    bool IsOpen() const { return fd_ >= 0; }

    bool Send(const QByteArray &bytes)
    {
        return ::write(fd_, bytes.constData(), bytes.size()) == bytes.size();
    }

    // Reads until count bytes have come or timeoutMs has passed. When
    // arrivals is given it receives the elapsed ms of every read.
    QByteArray Read(int count, int timeoutMs, QList<qint64> *arrivals = nullptr)
    {
        QByteArray data;
        QElapsedTimer timer;
        timer.start();
        while (data.size() < count && timer.elapsed() < timeoutMs) {
            pollfd p{fd_, POLLIN, 0};
            if (::poll(&p, 1, int(timeoutMs - timer.elapsed())) <= 0)
                continue;
            if (p.revents & (POLLHUP | POLLERR))
                break;
            char buffer[4096];
            const ssize_t n =
                ::read(fd_, buffer, std::min<qsizetype>(sizeof buffer, count - data.size()));
            if (n > 0) {
                data.append(buffer, n);
                if (arrivals)
                    arrivals->append(timer.elapsed());
            }
        }
        return data;
    }

    QByteArray ReadLine(int timeoutMs)
    {
        QByteArray line;
        while (!line.endsWith('\n')) {
            const QByteArray byte = Read(1, timeoutMs);
            if (byte.isEmpty())
                break;
            line += byte;
        }
        return line;
    }

    QByteArray Exchange(const QByteArray &command, int expectedSize, int timeoutMs = 5000)
    {
        if (!Send(command))
            return {};
        return Read(expectedSize, timeoutMs);
    }

    // True when the other end has gone within timeoutMs.
    bool HungUp(int timeoutMs)
    {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, timeoutMs) <= 0)
            return false;
        char byte;
        return (p.revents & POLLHUP) || ::read(fd_, &byte, 1) <= 0;
    }

private:
    int fd_ = -1;
};

int HeaderCount(const QByteArray &reply)
{
    char a, b;
    int count = -1;
    if (std::sscanf(reply.constData(), "%c%c%d", &a, &b, &count) != 3)
        return -1;
    return count;
}

// The clock reply's date and time, or an invalid value.
QDateTime ClockOf(const QByteArray &reply)
{
    static const QRegularExpression layout(
        QStringLiteral("^.(\\d{4}-\\d\\d-\\d\\d),(\\d\\d:\\d\\d\\.\\d\\d)\\n$"));
    const auto match = layout.match(QString::fromLatin1(reply));
    if (!match.hasMatch())
        return {};
    return QDateTime::fromString(match.captured(1) + ' ' + match.captured(2),
                                 QStringLiteral("yyyy-MM-dd hh:mm.ss"));
}

constexpr int ClockReplySize = 21; // "#2011-04-07,18:20.50\n"

const QStringList Months = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

} // namespace

class TestSimulator : public QObject
{
    Q_OBJECT

private slots:
    void portName();
    void identification_data();
    void identification();
    void downloadRecordLayout();
    void downloadCounts_data();
    void downloadCounts();
    void clockReadAndSet_data();
    void clockReadAndSet();
    void acknowledgements_data();
    void acknowledgements();
    void unansweredCommands_data();
    void unansweredCommands();
    void eraseAndCreateChangeDownload();
    void serialNumberWritten();
    void commandLog();
    void replyOverrideGarbageAndSilence();
    void unaskedBytes();
    void noEchoBeforeProgramSetsRawMode();
    void lineSpeedPacesReply();
    void burstsLeaveGaps();
    void vanishHangsUpTheLine();
    void vanishDoesNotWaitForReader();
};

void TestSimulator::portName()
{
    TesterSimulator sim;
    QVERIFY(sim.PortName().startsWith("pts/"));
    QCOMPARE(sim.DevicePath(), "/dev/" + sim.PortName());
    QVERIFY(QFile::exists(sim.DevicePath()));
}

void TestSimulator::identification_data()
{
    QTest::addColumn<QByteArray>("code");
    QTest::newRow("QX4826") << QByteArray("QX4826");
    QTest::newRow("VKD-7") << QByteArray("VKD-7 ");
    QTest::newRow("HWM-5") << QByteArray("HWM-5 ");
    QTest::newRow("unknown") << QByteArray("ZB-900");
}

void TestSimulator::identification()
{
    QFETCH(QByteArray, code);
    TesterSimulator sim;
    sim.SetModelCode(code);
    ProgramEnd end(sim.DevicePath());
    QVERIFY(end.IsOpen());

    const QByteArray expected = sim.IdentificationReply();
    const QByteArray reply = end.Exchange("$i0000\n", expected.size());
    QCOMPARE(reply, expected);
    QCOMPARE(HeaderCount(reply), 7);
    QCOMPARE(reply.mid(4, 6), code);
    QVERIFY(reply.size() >= 20);
    QVERIFY(reply.endsWith('\n'));
    const QList<QByteArray> lines = reply.chopped(1).split('\n');
    QCOMPARE(lines.size(), 8);
    QVERIFY(lines[1].startsWith(code));
    for (int i = 2; i < 8; ++i)
        QVERIFY2(!lines[i].isEmpty(), qPrintable(QString("line %1 empty").arg(i)));
    QCOMPARE(lines[6], QByteArray("3")); // test counter: the records held
}

void TestSimulator::downloadRecordLayout()
{
    TesterSimulator sim;
    sim.SetRecordCount(14);
    ProgramEnd end(sim.DevicePath());
    const QByteArray expected = sim.DownloadReply();
    const QByteArray reply = end.Exchange("$D0000\n", expected.size());
    QCOMPARE(reply, expected);
    QCOMPARE(HeaderCount(reply), 14);

    QList<QByteArray> lines = reply.split('\n');
    QCOMPARE(lines.takeLast(), QByteArray()); // every line ends with "\n"
    lines.removeFirst();
    QCOMPARE(lines.size(), 14);

    QSet<char> units, results, samplings;
    static const QRegularExpression timeLayout(QStringLiteral("^\\d\\d:\\d\\d\\.\\d\\d$"));
    for (int i = 0; i < lines.size(); ++i) {
        const QByteArray &line = lines[i];
        QCOMPARE(line + '\n', TesterSimulator::RecordLine(i));
        const QList<QByteArray> f = line.split(',');
        QCOMPARE(f.size(), 7);
        QCOMPARE(f[0], QByteArray::number(i + 1).rightJustified(5, '0'));

        const QByteArray &date = f[1];
        QCOMPARE(date.size(), 15);
        const int day = date.left(2).toInt();
        QVERIFY(day >= 1 && day <= 31);
        QVERIFY2(Months.contains(QString::fromLatin1(date.mid(5, 3))), date.constData());
        QVERIFY(date.mid(11, 4).toInt() >= 2009);
        QVERIFY(QDate::fromString(QString::fromLatin1(date), QStringLiteral("dd - MMM - yyyy"))
                    .isValid());

        QVERIFY2(timeLayout.match(QString::fromLatin1(f[2])).hasMatch(), f[2].constData());

        QCOMPARE(f[3].size(), 6);
        QCOMPARE(f[3].at(5), ' ');
        bool number = false;
        f[3].left(5).toDouble(&number);
        QVERIFY(number);

        QCOMPARE(f[4].size(), 1);
        QCOMPARE(f[5].size(), 1);
        QCOMPARE(f[6].size(), 1);
        units.insert(f[4][0]);
        results.insert(f[5][0]);
        samplings.insert(f[6][0]);
    }
    QCOMPARE(units, (QSet<char>{'0', '1', '2', '3', '4', '5', '6'}));
    QCOMPARE(results, (QSet<char>{'0', '1', '2'}));
    QCOMPARE(samplings, (QSet<char>{'0', '1'}));
}

void TestSimulator::downloadCounts_data()
{
    QTest::addColumn<int>("count");
    QTest::newRow("none") << 0;
    QTest::newRow("one") << 1;
    QTest::newRow("most a read takes") << 500;
    QTest::newRow("beyond the longest reply") << 2400;
}

void TestSimulator::downloadCounts()
{
    QFETCH(int, count);
    TesterSimulator sim;
    sim.SetRecordCount(count);
    ProgramEnd end(sim.DevicePath());
    const QByteArray expected = sim.DownloadReply();
    const QByteArray reply = end.Exchange("$D0000\n", expected.size(), 20000);
    QCOMPARE(reply.size(), expected.size());
    QCOMPARE(HeaderCount(reply), count);
    QCOMPARE(int(reply.count('\n')), count + 1);
    if (count == 2400)
        QVERIFY(reply.size() > 99999);
}

void TestSimulator::clockReadAndSet_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::addColumn<QDateTime>("expected");
    const QDateTime start(QDate(2011, 4, 7), QTime(18, 20, 50));
    QTest::newRow("read") << Cmd::ReadClock << start;
    QTest::newRow("set") << SetClockCommand(2020, 2, 29, 23, 59, 58)
                         << QDateTime(QDate(2020, 2, 29), QTime(23, 59, 58));
    QTest::newRow("hour 24 is next midnight")
        << SetClockCommand("2011-04-07", "24:00.00") << QDateTime(QDate(2011, 4, 8), QTime(0, 0));
    QTest::newRow("impossible date keeps clock") << QByteArray("$r2011-02-31,10:00.00\n") << start;
    QTest::newRow("not a date keeps clock") << QByteArray("$rtoday\n") << start;
}

void TestSimulator::clockReadAndSet()
{
    QFETCH(QByteArray, command);
    QFETCH(QDateTime, expected);
    TesterSimulator sim;
    sim.SetClock(QDateTime(QDate(2011, 4, 7), QTime(18, 20, 50)));
    ProgramEnd end(sim.DevicePath());
    const QByteArray reply = end.Exchange(command, ClockReplySize);
    const QDateTime clock = ClockOf(reply);
    QVERIFY2(clock.isValid(), reply.constData());
    // The clock runs on; allow for a slow machine.
    QVERIFY2(qAbs(expected.secsTo(clock)) <= 3, reply.constData());
    QVERIFY(qAbs(expected.secsTo(sim.Clock())) <= 3);
}

void TestSimulator::acknowledgements_data()
{
    QTest::addColumn<QByteArray>("command");
    for (const char *c : {"$E001\n", "$E01E01\n", "$E02E02\n", "$E03E03\n", "$E04E04\n",
                          "$E05E05\n", "$E06E06\n", "$E0000\n", "$C500\n", "$L0003\n"})
        QTest::newRow(QByteArray(c).trimmed().constData()) << QByteArray(c);
}

void TestSimulator::acknowledgements()
{
    QFETCH(QByteArray, command);
    TesterSimulator sim;
    ProgramEnd end(sim.DevicePath());
    QCOMPARE(end.Exchange(command, 4), QByteArray("#OK\n"));
    // Nothing follows the acknowledgement: the next answer is the clock.
    QVERIFY(ClockOf(end.Exchange("$R0000\n", ClockReplySize)).isValid());
}

void TestSimulator::unansweredCommands_data()
{
    QTest::addColumn<QByteArray>("command");
    QTest::newRow("link ok") << QByteArray("$OK\n");
    QTest::newRow("unlink") << QByteArray("$U0000\n");
    QTest::newRow("unknown") << QByteArray("$X1234\n");
    QTest::newRow("mismatched initialisation") << QByteArray("$E01E02\n");
    QTest::newRow("no dollar") << QByteArray("hello\n");
}

void TestSimulator::unansweredCommands()
{
    QFETCH(QByteArray, command);
    TesterSimulator sim;
    ProgramEnd end(sim.DevicePath());
    QVERIFY(end.Send(command));
    // Commands are answered in order, so whatever comes first would belong
    // to the unanswered one.
    QVERIFY(ClockOf(end.Exchange("$R0000\n", ClockReplySize)).isValid());
    QCOMPARE(sim.CommandLog(), (QList<QByteArray>{command, "$R0000\n"}));
}

void TestSimulator::eraseAndCreateChangeDownload()
{
    TesterSimulator sim;
    sim.SetRecordCount(12);
    ProgramEnd end(sim.DevicePath());
    auto downloadCount = [&] {
        return HeaderCount(end.Exchange("$D0000\n", sim.DownloadReply().size(), 10000));
    };
    QCOMPARE(downloadCount(), 12);
    QCOMPARE(end.Exchange("$E001\n", 4), QByteArray("#OK\n"));
    QCOMPARE(downloadCount(), 0);
    QCOMPARE(end.Exchange("$C500\n", 4), QByteArray("#OK\n"));
    QCOMPARE(downloadCount(), 500);
    QCOMPARE(end.Exchange("$E03E03\n", 4), QByteArray("#OK\n"));
    QCOMPARE(downloadCount(), 500);
    QCOMPARE(end.Exchange("$E0000\n", 4), QByteArray("#OK\n"));
    QCOMPARE(downloadCount(), 0);
}

void TestSimulator::serialNumberWritten()
{
    TesterSimulator sim;
    ProgramEnd end(sim.DevicePath());
    QVERIFY(end.Send("$SKT777\n"));
    QVERIFY(sim.WaitForCommands(1, 5000));
    const QByteArray answer = end.ReadLine(5000);
    QVERIFY(answer.endsWith('\n'));
    QVERIFY(answer.size() > 1);
    const QByteArray id = end.Exchange("$i0000\n", sim.IdentificationReply().size());
    QCOMPARE(id.split('\n').value(2), QByteArray("KT777"));
}

void TestSimulator::commandLog()
{
    TesterSimulator sim;
    ProgramEnd end(sim.DevicePath());
    QVERIFY(end.Send("$OK\n$U0000\n$i00"));
    QVERIFY(sim.WaitForCommands(2, 5000));
    QVERIFY(end.Send("00\n"));
    QVERIFY(sim.WaitForCommands(3, 5000));
    QCOMPARE(sim.CommandLog(), (QList<QByteArray>{"$OK\n", "$U0000\n", "$i0000\n"}));
    sim.ClearCommandLog();
    QVERIFY(sim.CommandLog().isEmpty());
    QVERIFY(!sim.WaitForCommands(1, 50));
}

void TestSimulator::replyOverrideGarbageAndSilence()
{
    TesterSimulator sim;
    ProgramEnd end(sim.DevicePath());

    sim.SetReply("$i0000\n", "#I6\nshort\n");
    QCOMPARE(end.Exchange("$i0000\n", 10), QByteArray("#I6\nshort\n"));

    sim.SetGarbage(true);
    const QByteArray garbage = TesterSimulator::GarbageReply();
    QVERIFY(garbage.contains('\0'));
    QCOMPARE(end.Exchange("$R0000\n", garbage.size()), garbage);
    QCOMPARE(end.Exchange("$OK\n", garbage.size()), garbage);
    sim.SetGarbage(false);

    sim.SetSilent(true);
    QVERIFY(end.Send("$R0000\n"));
    QVERIFY(sim.WaitForCommands(4, 5000));
    sim.SetSilent(false);
    // Had the silenced command been answered, its clock would come first.
    const QByteArray records = sim.DownloadReply();
    QCOMPARE(end.Exchange("$D0000\n", records.size()), records);
}

void TestSimulator::unaskedBytes()
{
    TesterSimulator sim;
    ProgramEnd end(sim.DevicePath());
    sim.SendUnasked("$U0000");
    QCOMPARE(end.Read(6, 5000), QByteArray("$U0000"));
    QVERIFY(sim.CommandLog().isEmpty());
}

void TestSimulator::noEchoBeforeProgramSetsRawMode()
{
    TesterSimulator sim;
    ProgramEnd end(sim.DevicePath(), false);
    QVERIFY(ClockOf(end.Exchange("$R0000\n", ClockReplySize)).isValid());
    QCOMPARE(sim.CommandLog(), QList<QByteArray>{"$R0000\n"});
}

void TestSimulator::lineSpeedPacesReply()
{
    TesterSimulator sim;
    const QByteArray big(2000, 'x');
    sim.SetReply("$D0000\n", big);
    sim.SetLineSpeed(960);
    ProgramEnd end(sim.DevicePath());
    QElapsedTimer timer;
    timer.start();
    QCOMPARE(end.Exchange("$D0000\n", big.size(), 10000), big);
    const qint64 ms = timer.elapsed();
    QVERIFY2(ms >= 1500 && ms <= 4000, qPrintable(QString::number(ms)));
}

void TestSimulator::burstsLeaveGaps()
{
    TesterSimulator sim;
    QByteArray reply;
    for (int i = 0; i < 300; ++i)
        reply += char('a' + i % 26);
    sim.SetReply("$D0000\n", reply);
    sim.SetBursts(100, 250);
    ProgramEnd end(sim.DevicePath());
    QList<qint64> arrivals;
    QVERIFY(end.Send("$D0000\n"));
    QCOMPARE(end.Read(reply.size(), 5000, &arrivals), reply);
    int longGaps = 0;
    for (int i = 1; i < arrivals.size(); ++i)
        longGaps += arrivals[i] - arrivals[i - 1] >= 150;
    QCOMPARE(longGaps, 2);
}

void TestSimulator::vanishHangsUpTheLine()
{
    TesterSimulator sim;
    ProgramEnd end(sim.DevicePath());
    QVERIFY(!sim.Vanished());
    sim.Vanish();
    QVERIFY(sim.Vanished());
    QVERIFY(end.HungUp(2000));
    QVERIFY(!QFile::exists(sim.DevicePath()));
    // Everything after the end is harmless.
    sim.Vanish();
    sim.SendUnasked("$U0000");
    sim.SetRecordCount(5);
    QCOMPARE(HeaderCount(sim.DownloadReply()), 5);
}

void TestSimulator::vanishDoesNotWaitForReader()
{
    QElapsedTimer timer;
    {
        TesterSimulator sim;
        sim.SetRecordCount(5000);
        ProgramEnd end(sim.DevicePath());
        QVERIFY(end.Send("$D0000\n"));
        QVERIFY(sim.WaitForCommands(1, 5000));
        // Nobody reads, so the tester is stuck with most of its reply.
        QCOMPARE(end.Read(100, 5000).size(), 100);
        timer.start();
        sim.Vanish();
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));

        TesterSimulator other;
        other.SetRecordCount(5000);
        ProgramEnd otherEnd(other.DevicePath());
        QVERIFY(otherEnd.Send("$D0000\n"));
        QVERIFY(other.WaitForCommands(1, 5000));
        timer.start();
    }
    QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));
}

QTEST_GUILESS_MAIN(TestSimulator)
#include "tst_simulator.moc"
