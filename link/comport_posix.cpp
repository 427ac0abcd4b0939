// The serial port on a POSIX system with termios (Linux): device names are
// taken relative to /dev, all waiting is done with poll and epoll.

#include "link/comport_p.h"
#include "link/uniquefd.h"

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace {

using Clock = std::chrono::steady_clock;

std::int64_t MsSince(Clock::time_point start)
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Time-outs are unsigned 32-bit values, as on a Windows COM port; -1, the
// largest, has its own meaning in the read rules below.
constexpr std::uint32_t MaxTimeout = 0xFFFFFFFFu;

std::uint32_t AsTimeout(int value)
{
    return static_cast<std::uint32_t>(value);
}

// poll() on one descriptor, resumed after signals until timeoutMs (-1: no
// limit) has passed. Returns the reported events, 0 on time-out.
short PollFor(int fd, short wanted, std::int64_t timeoutMs)
{
    const Clock::time_point start = Clock::now();
    for (;;) {
        int wait = -1;
        if (timeoutMs >= 0)
            wait =
                static_cast<int>(std::clamp<std::int64_t>(timeoutMs - MsSince(start), 0, INT_MAX));
        pollfd p{fd, wanted, 0};
        const int n = ::poll(&p, 1, wait);
        if (n > 0)
            return p.revents;
        if (n == 0)
            return 0;
        if (errno != EINTR)
            return POLLERR;
    }
}

constexpr short GoneEvents = POLLHUP | POLLERR | POLLNVAL;

speed_t StandardSpeed(int speed)
{
    static const struct
    {
        int Speed;
        speed_t Code;
    } table[] = {
        {50, B50},           {75, B75},           {110, B110},         {134, B134},
        {150, B150},         {200, B200},         {300, B300},         {600, B600},
        {1200, B1200},       {1800, B1800},       {2400, B2400},       {4800, B4800},
        {9600, B9600},       {19200, B19200},     {38400, B38400},     {57600, B57600},
        {115200, B115200},   {230400, B230400},   {460800, B460800},   {500000, B500000},
        {576000, B576000},   {921600, B921600},   {1000000, B1000000}, {1152000, B1152000},
        {1500000, B1500000}, {2000000, B2000000}, {2500000, B2500000}, {3000000, B3000000},
        {3500000, B3500000}, {4000000, B4000000},
    };
    for (const auto &entry : table) {
        if (entry.Speed == speed)
            return entry.Code;
    }
    return B0;
}

// The kernel's own termios record with free input and output speeds. Its
// header cannot be included beside <termios.h>, so the record and the one
// flag are spelt out here; TCGETS2/TCSETS2 come with <sys/ioctl.h>.
struct termios2
{
    tcflag_t c_iflag;
    tcflag_t c_oflag;
    tcflag_t c_cflag;
    tcflag_t c_lflag;
    cc_t c_line;
    cc_t c_cc[19];
    speed_t c_ispeed;
    speed_t c_ospeed;
};
constexpr tcflag_t KernelBOTHER = 0010000;
constexpr tcflag_t KernelCIBAUD = 002003600000;

// Applies tio with an arbitrary speed in one call; false with errno set when
// the device refuses.
bool SetWithArbitrarySpeed(int fd, const termios &tio, int speed)
{
    termios2 t2{};
    if (::ioctl(fd, TCGETS2, &t2) != 0)
        return false;
    t2.c_iflag = tio.c_iflag;
    t2.c_oflag = tio.c_oflag;
    t2.c_lflag = tio.c_lflag;
    t2.c_cflag = (tio.c_cflag & ~(CBAUD | KernelCIBAUD)) | KernelBOTHER;
    std::memcpy(t2.c_cc, tio.c_cc, sizeof t2.c_cc);
    t2.c_ispeed = static_cast<speed_t>(speed);
    t2.c_ospeed = static_cast<speed_t>(speed);
    return ::ioctl(fd, TCSETS2, &t2) == 0;
}

// A device without modem lines (a pseudo-terminal) answers these.
bool NoModemLines(int error)
{
    return error == ENOTTY || error == EINVAL;
}

void SetModemLine(int fd, int line, bool on)
{
    if (::ioctl(fd, on ? TIOCMBIS : TIOCMBIC, &line) != 0 && !NoModemLines(errno))
        throw EComPort(ComError::SetStateFailed, errno);
}

} // namespace

const int ComErrorNoDevice = EBADF;
const int ComErrorDeadlock = EDEADLK;

struct ComDevice::Native
{
};

ComDevice::ComDevice(std::intptr_t handle) : FHandle(handle) {}

std::unique_ptr<ComDevice> ComDevice::Open(const QString &port)
{
    const QByteArray path =
        port.startsWith(QLatin1Char('/')) ? port.toLocal8Bit() : "/dev/" + port.toLocal8Bit();
    UniqueFd fd(::open(path.constData(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK));
    if (fd.Get() < 0)
        throw EComPort(ComError::OpenFailed, errno);
    // TIOCEXCL keeps other users out but not root; the lock holds for all,
    // this process included.
    if (::flock(fd.Get(), LOCK_EX | LOCK_NB) != 0)
        throw EComPort(ComError::OpenFailed, errno);
    std::unique_ptr<ComDevice> device(new ComDevice(fd.Get()));
    fd.Release();
    device->FExclusive = ::ioctl(device->FHandle, TIOCEXCL) == 0;
    return device;
}

ComDevice::~ComDevice()
{
    // The exclusive flag outlives this descriptor when someone else still
    // has the terminal open, and would then shut out the next Open.
    if (FExclusive)
        ::ioctl(FHandle, TIOCNXCL);
    ::close(FHandle);
}

void ComDevice::SetQueueSizes(int inputSize, int outputSize)
{
    // The driver's queues have fixed sizes here; only the input size is kept,
    // for the 80 % full event.
    if (inputSize < 0 || outputSize < 0)
        throw EComPort(ComError::SetupFailed, EINVAL);
    FInputSize = inputSize;
}

void ComDevice::SetLine(const ComLineSettings &s)
{
    termios tio{};
    if (::tcgetattr(FHandle, &tio) != 0)
        throw EComPort(ComError::SetStateFailed, errno);
    // Termios has nothing for DSR flow and sensitivity, continuing after
    // XOFF, the XON/XOFF limits, the event character, dropping zero bytes or
    // a parity replacement other than zero; those fields stay unused here.
    ::cfmakeraw(&tio);
    tio.c_iflag &= ~(IXON | IXOFF | IXANY | INPCK | IGNPAR | PARMRK);
    tio.c_cflag &= ~(CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS);
    tio.c_cflag |= CLOCAL | CREAD;
    static const tcflag_t sizes[4] = {CS5, CS6, CS7, CS8};
    tio.c_cflag |= sizes[std::clamp(s.DataBits, 5, 8) - 5];
    switch (s.Parity) {
    case prNone:
        break;
    case prOdd:
        tio.c_cflag |= PARENB | PARODD;
        break;
    case prEven:
        tio.c_cflag |= PARENB;
        break;
    case prMark:
        tio.c_cflag |= PARENB | CMSPAR | PARODD;
        break;
    case prSpace:
        tio.c_cflag |= PARENB | CMSPAR;
        break;
    }
    // Bytes with parity errors arrive as zero bytes, the one replacement
    // character termios offers.
    if (s.ParityCheck)
        tio.c_iflag |= INPCK;
    if (s.StopBits != sbOneStopBit)
        tio.c_cflag |= CSTOPB;
    if (s.OutCTSFlow || s.ControlRTS == rtsHandshake)
        tio.c_cflag |= CRTSCTS;
    if (s.XonXoffOut)
        tio.c_iflag |= IXON;
    if (s.XonXoffIn)
        tio.c_iflag |= IXOFF;
    tio.c_cc[VSTART] = static_cast<cc_t>(s.XonChar);
    tio.c_cc[VSTOP] = static_cast<cc_t>(s.XoffChar);
    tio.c_cc[VMIN] = 1;
    tio.c_cc[VTIME] = 0;

    if (s.Speed <= 0)
        throw EComPort(ComError::SetStateFailed, EINVAL);
    const speed_t code = StandardSpeed(s.Speed);
    if (code != B0) {
        ::cfsetispeed(&tio, code);
        ::cfsetospeed(&tio, code);
        if (::tcsetattr(FHandle, TCSANOW, &tio) != 0)
            throw EComPort(ComError::SetStateFailed, errno);
    } else if (!SetWithArbitrarySpeed(FHandle, tio, s.Speed)) {
        throw EComPort(ComError::SetStateFailed, errno);
    }

    SetModemLine(FHandle, TIOCM_DTR, s.ControlDTR != dtrDisable);
    SetModemLine(FHandle, TIOCM_RTS, s.ControlRTS == rtsEnable || s.ControlRTS == rtsHandshake);
}

void ComDevice::SetTimeouts(const ComTimeoutSettings &timeouts)
{
    FTimeouts = timeouts;
}

int ComDevice::InputCount()
{
    int count = 0;
    if (::ioctl(FHandle, FIONREAD, &count) != 0)
        throw EComPort(ComError::ClearErrorFailed, errno);
    return count;
}

int ComDevice::OutputCount()
{
    int count = 0;
    if (::ioctl(FHandle, TIOCOUTQ, &count) != 0)
        throw EComPort(ComError::ClearErrorFailed, errno);
    return count;
}

int ComDevice::Read(char *buffer, int count)
{
    const std::uint32_t interval = AsTimeout(FTimeouts.ReadInterval);
    const std::uint32_t multiplier = AsTimeout(FTimeouts.ReadTotalMultiplier);
    const std::uint32_t constant = AsTimeout(FTimeouts.ReadTotalConstant);
    const bool atOnce = interval == MaxTimeout && multiplier == 0 && constant == 0;
    // Both maxima with a constant: return as soon as anything is there.
    const bool firstBytes = interval == MaxTimeout && multiplier == MaxTimeout && constant != 0 &&
                            constant != MaxTimeout;
    const std::int64_t total =
        firstBytes ? constant : static_cast<std::int64_t>(multiplier) * count + constant;
    const bool intervalUsed = interval != 0 && interval != MaxTimeout;

    const Clock::time_point start = Clock::now();
    Clock::time_point lastByte = start;
    int got = 0;
    while (got < count) {
        const ssize_t n = ::read(FHandle, buffer + got, static_cast<size_t>(count - got));
        if (n > 0) {
            got += static_cast<int>(n);
            lastByte = Clock::now();
            if (firstBytes)
                break;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN) {
            // What has arrived is handed over; the error comes with the next read.
            if (got > 0)
                break;
            throw EComPort(ComError::ReadFailed, n == 0 ? EIO : errno);
        }
        if (atOnce)
            break;
        bool limited = false;
        std::int64_t wait = 0;
        if (total != 0) {
            limited = true;
            wait = total - MsSince(start);
        }
        if (intervalUsed && got > 0) {
            const std::int64_t gap = static_cast<std::int64_t>(interval) - MsSince(lastByte);
            wait = limited ? std::min(wait, gap) : gap;
            limited = true;
        }
        if (limited && wait <= 0)
            break;
        const short revents = PollFor(FHandle, POLLIN, limited ? wait : -1);
        if ((revents & GoneEvents) != 0 && (revents & POLLIN) == 0) {
            if (got > 0)
                break;
            throw EComPort(ComError::ReadFailed, EIO);
        }
    }
    return got;
}

int ComDevice::Write(const char *buffer, int count)
{
    const std::int64_t total =
        static_cast<std::int64_t>(AsTimeout(FTimeouts.WriteTotalMultiplier)) * count +
        AsTimeout(FTimeouts.WriteTotalConstant);
    const Clock::time_point start = Clock::now();
    int sent = 0;
    while (sent < count) {
        const ssize_t n = ::write(FHandle, buffer + sent, static_cast<size_t>(count - sent));
        if (n > 0) {
            sent += static_cast<int>(n);
            FWrittenSinceTxEmpty = true;
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || errno != EAGAIN)
            throw EComPort(ComError::WriteFailed, n == 0 ? EIO : errno);
        std::int64_t wait = -1;
        if (total != 0) {
            wait = total - MsSince(start);
            if (wait <= 0)
                break;
        }
        const short revents = PollFor(FHandle, POLLOUT, wait);
        if ((revents & GoneEvents) != 0 && (revents & POLLOUT) == 0)
            throw EComPort(ComError::WriteFailed, EIO);
    }
    return sent;
}

bool ComDevice::WaitForInput(int timeoutMs)
{
    const short revents = PollFor(FHandle, POLLIN, timeoutMs < 0 ? -1 : timeoutMs);
    if ((revents & GoneEvents) == 0)
        return (revents & POLLIN) != 0;
    // A terminal whose other end has gone reports input for ever; only what
    // is really queued counts.
    int queued = 0;
    if (::ioctl(FHandle, FIONREAD, &queued) == 0 && queued > 0)
        return true;
    throw EComPort(ComError::ReadFailed, EIO);
}

void ComDevice::AbortTransfers()
{
    // Reads and writes block the calling thread until they end, so nothing
    // is in flight when the port is closed.
}

ComModemLines ComDevice::ModemStatus()
{
    int bits = 0;
    if (::ioctl(FHandle, TIOCMGET, &bits) != 0) {
        if (NoModemLines(errno))
            return {};
        throw EComPort(ComError::ModemStatusFailed, errno);
    }
    return {(bits & TIOCM_CTS) != 0, (bits & TIOCM_DSR) != 0, (bits & TIOCM_RI) != 0,
            (bits & TIOCM_CD) != 0};
}

void SetWatcherThreadPriority(TThreadPriority priority)
{
    static const int niceness[] = {19, 10, 5, 0, -5, -10, -20};
    if (priority == tpNormal)
        return;
    // Raising it needs privileges; without them the thread stays as it is.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(::gettid()), niceness[priority]);
}

struct ComEventWaiter::Private
{
    Private(ComDevice &device, TComEvents events) : Device(device), Events(events) {}
    ~Private()
    {
        // Leaving the watch empties both driver queues.
        if (Started)
            ::tcflush(Device.FHandle, TCIOFLUSH);
    }

    bool Wants(TComEvent e) const { return (Events & ComEventBit(e)) != 0; }
    void CheckCounters(TComEvents &events);
    void CheckTxEmpty(TComEvents &events);

    ComDevice &Device;
    TComEvents Events;
    UniqueFd Epoll;
    UniqueFd StopEvent;
    bool Started = false;
    bool DeviceWatched = false;
    // Serial drivers count modem-line changes, breaks and line errors; a
    // pseudo-terminal does not, and then none of these events is seen.
    bool Counters = false;
    serial_icounter_struct Last{};
};

namespace {

constexpr TComEvents CounterEvents = ComEventBit(evCTS) | ComEventBit(evDSR) | ComEventBit(evRing) |
                                     ComEventBit(evRLSD) | ComEventBit(evBreak) |
                                     ComEventBit(evError);
constexpr int CounterPeriodMs = 100;

} // namespace

ComEventWaiter::ComEventWaiter(ComDevice &device, TComEvents events)
    : d(new Private(device, events))
{
    d->Epoll.Reset(::epoll_create1(EPOLL_CLOEXEC));
    if (d->Epoll.Get() < 0)
        throw EComPort(ComError::OpenFailed, errno);
    d->StopEvent.Reset(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK));
    if (d->StopEvent.Get() < 0)
        throw EComPort(ComError::OpenFailed, errno);
    epoll_event stop{};
    stop.events = EPOLLIN;
    stop.data.fd = d->StopEvent.Get();
    if (::epoll_ctl(d->Epoll.Get(), EPOLL_CTL_ADD, d->StopEvent.Get(), &stop) != 0)
        throw EComPort(ComError::OpenFailed, errno);

    // Edge-triggered: one report per arrival, however long old input waits
    // unread in the queue.
    epoll_event watch{};
    watch.events = EPOLLET | EPOLLERR | EPOLLHUP;
    if (d->Wants(evRxChar) || d->Wants(evRx80Full))
        watch.events |= EPOLLIN;
    if (d->Wants(evTxEmpty))
        watch.events |= EPOLLOUT;
    watch.data.fd = device.FHandle;
    if (::epoll_ctl(d->Epoll.Get(), EPOLL_CTL_ADD, device.FHandle, &watch) != 0)
        throw EComPort(ComError::OpenFailed, errno);
    d->DeviceWatched = true;

    if ((events & CounterEvents) != 0)
        d->Counters = ::ioctl(device.FHandle, TIOCGICOUNT, &d->Last) == 0;
    d->Started = true;
}

ComEventWaiter::~ComEventWaiter() = default;

void ComEventWaiter::Stop()
{
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t n = ::write(d->StopEvent.Get(), &one, sizeof one);
}

bool ComEventWaiter::Wait(TComEvents &events)
{
    events = 0;
    for (;;) {
        // Without counters or unsent bytes nothing needs a look now and then.
        const bool pendingTx = d->Wants(evTxEmpty) && d->Device.FWrittenSinceTxEmpty.load();
        const int timeout = d->Counters || pendingTx ? CounterPeriodMs : -1;
        epoll_event ready[2];
        const int n = ::epoll_wait(d->Epoll.Get(), ready, 2, timeout);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        for (int i = 0; i < n; ++i) {
            if (ready[i].data.fd == d->StopEvent.Get())
                return false;
            const std::uint32_t what = ready[i].events;
            if ((what & (EPOLLERR | EPOLLHUP)) != 0) {
                if (d->Wants(evError))
                    events |= ComEventBit(evError);
                // A device that has hung up stays hung up: watching it any
                // longer would only report the same thing without end.
                ::epoll_ctl(d->Epoll.Get(), EPOLL_CTL_DEL, d->Device.FHandle, nullptr);
                d->DeviceWatched = false;
            }
            if ((what & EPOLLIN) != 0) {
                if (d->Wants(evRxChar))
                    events |= ComEventBit(evRxChar);
                int queued = 0;
                if (d->Wants(evRx80Full) && ::ioctl(d->Device.FHandle, FIONREAD, &queued) == 0 &&
                    queued * 10 >= d->Device.FInputSize * 8)
                    events |= ComEventBit(evRx80Full);
            }
        }
        if (d->DeviceWatched) {
            d->CheckTxEmpty(events);
            if (d->Counters)
                d->CheckCounters(events);
        }
        if (events != 0)
            return true;
    }
}

void ComEventWaiter::Private::CheckTxEmpty(TComEvents &events)
{
    int unsent = 0;
    if (!Wants(evTxEmpty) || !Device.FWrittenSinceTxEmpty.load() ||
        ::ioctl(Device.FHandle, TIOCOUTQ, &unsent) != 0 || unsent != 0)
        return;
    if (Device.FWrittenSinceTxEmpty.exchange(false))
        events |= ComEventBit(evTxEmpty);
}

void ComEventWaiter::Private::CheckCounters(TComEvents &events)
{
    serial_icounter_struct now{};
    if (::ioctl(Device.FHandle, TIOCGICOUNT, &now) != 0)
        return;
    const auto changed = [&](TComEvent e, int before, int after) {
        if (Wants(e) && before != after)
            events |= ComEventBit(e);
    };
    changed(evCTS, Last.cts, now.cts);
    changed(evDSR, Last.dsr, now.dsr);
    changed(evRing, Last.rng, now.rng);
    changed(evRLSD, Last.dcd, now.dcd);
    changed(evBreak, Last.brk, now.brk);
    int errors = 0;
    if (now.buf_overrun != Last.buf_overrun)
        errors |= ceRxOver;
    if (now.overrun != Last.overrun)
        errors |= ceOverrun;
    if (now.parity != Last.parity)
        errors |= ceRxParity;
    if (now.frame != Last.frame)
        errors |= ceFrame;
    if (now.brk != Last.brk)
        errors |= ceBreak;
    if (errors != 0 && Wants(evError)) {
        Device.FLineErrors |= errors;
        events |= ComEventBit(evError);
    }
    Last = now;
}
