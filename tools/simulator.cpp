#include "tools/simulator.h"

#include "link/uniquefd.h"

#include <QMap>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using Clock = std::chrono::steady_clock;

// Commands are short; a "line" longer than this is noise and is dropped.
constexpr int MaxCommandLength = 1024;

const char *const MonthAbbreviations[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                            "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QByteArray ProductLine(const QByteArray &code)
{
    return code + (code.endsWith(' ') ? "" : " ") + "Breath Alcohol Tester";
}

QByteArray TwoDigits(int n)
{
    return QByteArray::number(n).rightJustified(2, '0');
}

QByteArray RecordDateText(const QDate &date)
{
    return TwoDigits(date.day()) + " - " + MonthAbbreviations[date.month() - 1] + " - " +
           QByteArray::number(date.year());
}

QDate RecordDate(int index)
{
    return QDate(2009, 1, 1).addDays(index * 2);
}

// "$r2011-04-07,18:20.50": hour 24 is taken as midnight of the next day, as
// the clock dialog lets it through.
bool ParseSetClock(const QByteArray &command, QDateTime &result)
{
    int y, mo, d, h, mi, s;
    if (std::sscanf(command.constData(), "$r%d-%d-%d,%d:%d.%d", &y, &mo, &d, &h, &mi, &s) != 6)
        return false;
    const QDate date(y, mo, d);
    const QTime time(h == 24 ? 0 : h, mi, s);
    if (!date.isValid() || !time.isValid() || h < 0 || h > 24)
        return false;
    result = QDateTime(date, time).addDays(h == 24 ? 1 : 0);
    return true;
}

} // namespace

struct TesterSimulator::Private
{
    UniqueFd master;
    UniqueFd slave; // kept open so the master never sees a hang-up
    UniqueFd stopRead;
    UniqueFd stopWrite; // once written, stopRead stays readable for good
    QString devicePath;
    std::thread worker;
    std::atomic<bool> vanished{false};
    std::mutex vanishMutex;

    // Guards the master descriptor against closing while someone writes.
    std::mutex writeMutex;

    mutable std::mutex mutex;
    mutable std::condition_variable logChanged;
    QByteArray modelCode = "QX4826";
    QByteArray serialNumber = "KT0012345";
    int recordCount = 3;
    int totalCount = 3;
    bool silent = false;
    int lineSpeed = 0;
    int trickleMs = 0;
    QByteArray trickleCommand; // empty: every reply trickles
    int burstBytes = 0;
    int burstGapMs = 0;
    bool garbage = false;
    QMap<QByteArray, QByteArray> overrides;
    QByteArray vanishCommand;
    int vanishBytes = -1;
    qint64 clockOffsetMs = 0;
    QList<QByteArray> log;

    bool Stopping() const
    {
        pollfd p{stopRead.Get(), POLLIN, 0};
        return ::poll(&p, 1, 0) > 0;
    }
    // Waits until the deadline; false when the simulator is stopping.
    bool WaitUntil(Clock::time_point deadline) const;
    bool WriteAll(const char *data, int size);
    void SendReply(const QByteArray &command, const QByteArray &reply);
    QByteArray Answer(const QByteArray &command);
    void Run();
    void Stop();
    void CloseLine();
    // Waits until the program has read everything sent (or the simulator stops).
    void WaitUntilTaken() const;

    QByteArray IdentificationReply() const;
    QByteArray DownloadReply() const;
    QByteArray ClockReply() const;
};

bool TesterSimulator::Private::WaitUntil(Clock::time_point deadline) const
{
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return !Stopping();
        pollfd p{stopRead.Get(), POLLIN, 0};
        const int r = ::poll(&p, 1, static_cast<int>(std::min<qint64>(left + 1, 1000)));
        if (r > 0)
            return false;
    }
}

bool TesterSimulator::Private::WriteAll(const char *data, int size)
{
    std::lock_guard<std::mutex> lock(writeMutex);
    while (size > 0) {
        if (master.Get() < 0)
            return false;
        const ssize_t n = ::write(master.Get(), data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<int>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN)
            return false;
        // The program is not reading and the line is full: wait for room, or
        // for the end.
        pollfd p[2] = {{master.Get(), POLLOUT, 0}, {stopRead.Get(), POLLIN, 0}};
        if (::poll(p, 2, -1) < 0 && errno != EINTR)
            return false;
        if (p[1].revents)
            return false;
    }
    return true;
}

void TesterSimulator::Private::SendReply(const QByteArray &command, const QByteArray &reply)
{
    int speed, trickle, burst, gapMs;
    {
        std::lock_guard<std::mutex> lock(mutex);
        speed = lineSpeed;
        trickle = trickleCommand.isEmpty() || command == trickleCommand ? trickleMs : 0;
        burst = burstBytes > 0 && burstGapMs > 0 ? burstBytes : 0;
        gapMs = burstGapMs;
    }
    const int size = int(reply.size());
    // About a hundredth of a second's worth of bytes per write when paced;
    // one byte at a time when trickling.
    const int chunk = trickle > 0 ? 1 : speed > 0 ? std::max(1, speed / 100) : size;
    auto start = Clock::now();
    int sent = 0;
    int burstLeft = burst > 0 ? burst : size;
    while (sent < size) {
        if (trickle > 0 || speed > 0) {
            const qint64 dueUs =
                trickle > 0 ? qint64(sent) * trickle * 1000 : qint64(sent) * 1000000 / speed;
            if (!WaitUntil(start + std::chrono::microseconds(dueUs)))
                return;
        }
        const int n = std::min({chunk, size - sent, burstLeft});
        if (!WriteAll(reply.constData() + sent, n))
            return;
        sent += n;
        burstLeft -= n;
        if (burstLeft == 0 && sent < size) {
            const auto gap = std::chrono::milliseconds(gapMs);
            if (!WaitUntil(Clock::now() + gap))
                return;
            start += gap;
            burstLeft = burst;
        }
    }
}

QByteArray TesterSimulator::Private::IdentificationReply() const
{
    QByteArray lastTest = "-";
    if (recordCount > 0) {
        const QDate date = RecordDate(recordCount - 1);
        lastTest = date.toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
    }
    return "#I7\n" + ProductLine(modelCode) + '\n' + serialNumber + "\nV2.13\n2011-03-15\n" +
           lastTest + '\n' + QByteArray::number(recordCount) + '\n' +
           QByteArray::number(totalCount) + '\n';
}

QByteArray TesterSimulator::Private::DownloadReply() const
{
    QByteArray reply = "#D" + QByteArray::number(recordCount) + '\n';
    for (int i = 0; i < recordCount; ++i)
        reply += RecordLine(i);
    return reply;
}

QByteArray TesterSimulator::Private::ClockReply() const
{
    const QDateTime now = QDateTime::currentDateTime().addMSecs(clockOffsetMs);
    return '#' + now.toString(QStringLiteral("yyyy-MM-dd,hh:mm.ss")).toLatin1() + '\n';
}

// Carries out one command and returns the tester's answer (empty: none).
QByteArray TesterSimulator::Private::Answer(const QByteArray &command)
{
    std::lock_guard<std::mutex> lock(mutex);
    log.append(command);
    logChanged.notify_all();

    QByteArray builtIn;
    const QByteArray ok = "#OK\n";
    if (command == "$i0000\n") {
        builtIn = IdentificationReply();
    } else if (command == "$D0000\n") {
        builtIn = DownloadReply();
    } else if (command == "$R0000\n") {
        builtIn = ClockReply();
    } else if (command.startsWith("$r")) {
        QDateTime set;
        if (ParseSetClock(command, set))
            clockOffsetMs = QDateTime::currentDateTime().msecsTo(set);
        builtIn = ClockReply();
    } else if (command == "$E001\n" || command == "$E0000\n") {
        recordCount = 0;
        builtIn = ok;
    } else if (command.size() == 8 && command.startsWith("$E0") &&
               command.mid(1, 3) == command.mid(4, 3) && command[3] >= '1' && command[3] <= '6') {
        builtIn = ok;
    } else if (command == "$C500\n") {
        recordCount = 500;
        totalCount += 500;
        builtIn = ok;
    } else if (command.startsWith("$S")) {
        serialNumber = command.mid(2).chopped(1);
        builtIn = "Serial Number : " + serialNumber + '\n';
    } else if (command.startsWith("$L000")) {
        builtIn = ok;
    }

    if (silent)
        return {};
    if (overrides.contains(command))
        return overrides.value(command);
    if (garbage)
        return GarbageReply();
    return builtIn;
}

void TesterSimulator::Private::Run()
{
    QByteArray line;
    char buffer[4096];
    for (;;) {
        pollfd p[2] = {{master.Get(), POLLIN, 0}, {stopRead.Get(), POLLIN, 0}};
        if (::poll(p, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (p[1].revents)
            return;
        const ssize_t n = ::read(master.Get(), buffer, sizeof buffer);
        if (n <= 0) {
            if (n < 0 && (errno == EINTR || errno == EAGAIN))
                continue;
            // Nobody on the line at all; should not happen while our own
            // slave descriptor is open, but never spin on it.
            if (!WaitUntil(Clock::now() + std::chrono::milliseconds(50)))
                return;
            continue;
        }
        for (ssize_t i = 0; i < n; ++i) {
            line += buffer[i];
            if (buffer[i] == '\n') {
                QByteArray reply = Answer(line);
                bool vanish = false;
                {
                    std::lock_guard<std::mutex> lock(mutex);
                    vanish = line == vanishCommand;
                    if (vanish && vanishBytes >= 0)
                        reply.truncate(vanishBytes);
                }
                if (!reply.isEmpty())
                    SendReply(line, reply);
                line.clear();
                if (vanish) {
                    WaitUntilTaken();
                    CloseLine();
                }
                if (vanish || Stopping())
                    return;
            } else if (line.size() > MaxCommandLength) {
                line.clear();
            }
        }
    }
}

void TesterSimulator::Private::Stop()
{
    std::lock_guard<std::mutex> vanishLock(vanishMutex);
    const char byte = 1;
    while (::write(stopWrite.Get(), &byte, 1) < 0 && errno == EINTR) {
    }
    // The worker may have vanished on its own already; it is joined all the same.
    if (worker.joinable())
        worker.join();
    CloseLine();
}

void TesterSimulator::Private::WaitUntilTaken() const
{
    for (int pending = 1; pending > 0;) {
        if (::ioctl(slave.Get(), FIONREAD, &pending) != 0)
            return;
        if (pending > 0 && !WaitUntil(Clock::now() + std::chrono::milliseconds(1)))
            return;
    }
}

void TesterSimulator::Private::CloseLine()
{
    std::lock_guard<std::mutex> lock(writeMutex);
    master.Reset();
    slave.Reset();
    vanished = true;
    logChanged.notify_all();
}

TesterSimulator::TesterSimulator() : d(std::make_unique<Private>())
{
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        throw std::runtime_error("TesterSimulator: no pipe");
    d->stopRead.Reset(pipeFds[0]);
    d->stopWrite.Reset(pipeFds[1]);

    d->master.Reset(::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (d->master.Get() < 0 || ::grantpt(d->master.Get()) != 0 || ::unlockpt(d->master.Get()) != 0)
        throw std::runtime_error("TesterSimulator: no pseudo-terminal");
    char name[128];
    if (::ptsname_r(d->master.Get(), name, sizeof name) != 0)
        throw std::runtime_error("TesterSimulator: no pseudo-terminal name");
    d->devicePath = QString::fromLocal8Bit(name);
    ::fcntl(d->master.Get(), F_SETFL, ::fcntl(d->master.Get(), F_GETFL) | O_NONBLOCK);

    // Raw from the start: a pseudo-terminal echoes and edits lines by default,
    // which would bounce the program's commands back at it before it gets to
    // set its own line settings.
    d->slave.Reset(::open(name, O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC));
    termios tio{};
    if (d->slave.Get() < 0 || ::tcgetattr(d->slave.Get(), &tio) != 0)
        throw std::runtime_error("TesterSimulator: cannot open the terminal side");
    ::cfmakeraw(&tio);
    ::tcsetattr(d->slave.Get(), TCSANOW, &tio);

    d->worker = std::thread([this] { d->Run(); });
}

TesterSimulator::~TesterSimulator()
{
    d->Stop();
}

QString TesterSimulator::PortName() const
{
    return d->devicePath.mid(5);
}

QString TesterSimulator::DevicePath() const
{
    return d->devicePath;
}

void TesterSimulator::SetModelCode(const QByteArray &code)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->modelCode = code;
}

void TesterSimulator::SetRecordCount(int count)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->recordCount = std::max(0, count);
    d->totalCount = std::max(d->totalCount, d->recordCount);
}

void TesterSimulator::SetSilent(bool silent)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->silent = silent;
}

void TesterSimulator::SetLineSpeed(int bytesPerSecond)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->lineSpeed = std::max(0, bytesPerSecond);
}

void TesterSimulator::SetTrickle(int msPerByte, const QByteArray &command)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->trickleMs = std::max(0, msPerByte);
    d->trickleCommand = command;
}

void TesterSimulator::SetBursts(int burstBytes, int gapMs)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->burstBytes = std::max(0, burstBytes);
    d->burstGapMs = std::max(0, gapMs);
}

void TesterSimulator::SetGarbage(bool garbage)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->garbage = garbage;
}

void TesterSimulator::SetReply(const QByteArray &command, const QByteArray &reply)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->overrides.insert(command, reply);
}

void TesterSimulator::SetClock(const QDateTime &clock)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->clockOffsetMs = QDateTime::currentDateTime().msecsTo(clock);
}

QDateTime TesterSimulator::Clock() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return QDateTime::currentDateTime().addMSecs(d->clockOffsetMs);
}

void TesterSimulator::SendUnasked(const QByteArray &bytes)
{
    if (!d->vanished)
        d->WriteAll(bytes.constData(), int(bytes.size()));
}

void TesterSimulator::Vanish()
{
    d->Stop();
}

void TesterSimulator::VanishAfter(const QByteArray &command, int bytes)
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->vanishCommand = command;
    d->vanishBytes = bytes;
}

bool TesterSimulator::Vanished() const
{
    return d->vanished;
}

QList<QByteArray> TesterSimulator::CommandLog() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->log;
}

void TesterSimulator::ClearCommandLog()
{
    std::lock_guard<std::mutex> lock(d->mutex);
    d->log.clear();
}

bool TesterSimulator::WaitForCommands(int count, int timeoutMs) const
{
    std::unique_lock<std::mutex> lock(d->mutex);
    return d->logChanged.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                  [&] { return d->log.size() >= count; });
}

QByteArray TesterSimulator::IdentificationReply() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->IdentificationReply();
}

QByteArray TesterSimulator::DownloadReply() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->DownloadReply();
}

QByteArray TesterSimulator::ClockReply() const
{
    std::lock_guard<std::mutex> lock(d->mutex);
    return d->ClockReply();
}

QByteArray TesterSimulator::RecordLine(int index)
{
    const int seconds = (index * 7919 + 30000) % 86400;
    const QByteArray time = TwoDigits(seconds / 3600) + ':' + TwoDigits(seconds / 60 % 60) + '.' +
                            TwoDigits(seconds % 60);
    char value[16];
    std::snprintf(value, sizeof value, "%5.3f ", (index * 37 % 400) / 1000.0);
    return QByteArray::number(index + 1).rightJustified(5, '0') + ',' +
           RecordDateText(RecordDate(index)) + ',' + time + ',' + value + ',' +
           QByteArray::number(index % 7) + ',' + QByteArray::number(index % 3) + ',' +
           QByteArray::number(index % 2) + '\n';
}

QByteArray TesterSimulator::GarbageReply()
{
    QByteArray bytes;
    for (int i = 0; i < 64; ++i)
        bytes += char(i % 8 == 3 ? 0 : (i * 73 + 11) & 0xff);
    return bytes;
}
