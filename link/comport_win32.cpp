// The serial port on Windows: the communications functions of the kernel,
// with overlapped reads, writes and line-event waits.

#include "link/comport_p.h"

#include <windows.h>

#include <utility>

namespace {

// A kernel handle closed with its owner.
class UniqueHandle
{
public:
    explicit UniqueHandle(HANDLE handle = nullptr) : FHandle(handle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(const UniqueHandle &) = delete;
    UniqueHandle &operator=(const UniqueHandle &) = delete;
    HANDLE Get() const { return FHandle; }
    bool Valid() const { return FHandle != nullptr && FHandle != INVALID_HANDLE_VALUE; }
    HANDLE Release() { return std::exchange(FHandle, nullptr); }
    void Reset(HANDLE handle = nullptr)
    {
        if (Valid())
            ::CloseHandle(FHandle);
        FHandle = handle;
    }

private:
    HANDLE FHandle;
};

int LastError()
{
    return static_cast<int>(::GetLastError());
}

// A manual-reset event; code 1 when the system has none to give.
HANDLE NewEvent(bool signalled)
{
    HANDLE event = ::CreateEventA(nullptr, TRUE, signalled ? TRUE : FALSE, nullptr);
    if (!event)
        throw EComPort(ComError::OpenFailed, LastError());
    return event;
}

// One read or write in flight: a zeroed overlapped block whose completion
// event is manual-reset and starts signalled, so that a transfer never
// started finds it ready at once.
struct AsyncBlock
{
    AsyncBlock(ComError failureCode) : Event(::CreateEventA(nullptr, TRUE, TRUE, nullptr))
    {
        if (!Event.Valid())
            throw EComPort(failureCode, LastError());
        Overlapped.hEvent = Event.Get();
    }
    UniqueHandle Event;
    OVERLAPPED Overlapped{};
};

// Starts a transfer and waits for its end; the driver's time-outs end it.
template <typename Start> int Transfer(HANDLE device, ComError failureCode, Start start)
{
    AsyncBlock async(failureCode);
    DWORD done = 0;
    if (!start(&async.Overlapped) && ::GetLastError() != ERROR_IO_PENDING)
        throw EComPort(failureCode, LastError());
    if (::WaitForSingleObject(async.Event.Get(), INFINITE) != WAIT_OBJECT_0) {
        const int error = LastError();
        // The block must outlive the transfer.
        ::CancelIoEx(device, &async.Overlapped);
        ::GetOverlappedResult(device, &async.Overlapped, &done, TRUE);
        throw EComPort(failureCode, error);
    }
    if (!::GetOverlappedResult(device, &async.Overlapped, &done, FALSE))
        throw EComPort(failureCode, LastError());
    return static_cast<int>(done);
}

DWORD AsTimeout(int value)
{
    return static_cast<DWORD>(value); // -1 is MAXDWORD
}

constexpr DWORD CommEventMask[] = {EV_RXCHAR, EV_TXEMPTY, EV_RXFLAG, EV_RING, EV_BREAK,
                                   EV_CTS,    EV_DSR,     EV_ERR,    EV_RLSD, EV_RX80FULL};

DWORD MaskOf(TComEvents events)
{
    DWORD mask = 0;
    for (int e = evRxChar; e <= evRx80Full; ++e) {
        if ((events & ComEventBit(TComEvent(e))) != 0)
            mask |= CommEventMask[e];
    }
    return mask;
}

TComEvents EventsOf(DWORD mask)
{
    TComEvents events = 0;
    for (int e = evRxChar; e <= evRx80Full; ++e) {
        if ((mask & CommEventMask[e]) != 0)
            events |= ComEventBit(TComEvent(e));
    }
    return events;
}

// Events about the data alone, which every port can report.
constexpr DWORD DataEvents = EV_RXCHAR | EV_RXFLAG | EV_TXEMPTY | EV_RX80FULL;

// The driver's error word carries the same bits as ComLineError.
constexpr DWORD LineErrorBits = CE_RXOVER | CE_OVERRUN | CE_RXPARITY | CE_FRAME | CE_BREAK;

} // namespace

const int ComErrorNoDevice = ERROR_INVALID_HANDLE;
const int ComErrorDeadlock = ERROR_POSSIBLE_DEADLOCK;

// Signalled by the watcher whenever a character arrives, so that waiting for
// input needs no line-event wait of its own while the watcher has one.
struct ComDevice::Native
{
    UniqueHandle Received{NewEvent(false)};
    std::atomic<bool> Watched{false};
};

namespace {

HANDLE Handle(std::intptr_t handle)
{
    return reinterpret_cast<HANDLE>(handle);
}

} // namespace

ComDevice::ComDevice(std::intptr_t handle) : FHandle(handle), FNative(new Native) {}

std::unique_ptr<ComDevice> ComDevice::Open(const QString &port)
{
    // "\\.\COM12" also reaches ports numbered above 9.
    const QByteArray path = "\\\\.\\" + port.toLocal8Bit();
    UniqueHandle handle(::CreateFileA(path.constData(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                                      OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr));
    if (!handle.Valid())
        throw EComPort(ComError::OpenFailed, LastError());
    std::unique_ptr<ComDevice> device(new ComDevice(reinterpret_cast<std::intptr_t>(handle.Get())));
    handle.Release();
    return device;
}

ComDevice::~ComDevice()
{
    ::CloseHandle(Handle(FHandle));
}

void ComDevice::SetQueueSizes(int inputSize, int outputSize)
{
    if (inputSize < 0 || outputSize < 0 ||
        !::SetupComm(Handle(FHandle), DWORD(inputSize), DWORD(outputSize)))
        throw EComPort(ComError::SetupFailed,
                       inputSize < 0 || outputSize < 0 ? ERROR_INVALID_PARAMETER : LastError());
    FInputSize = inputSize;
}

void ComDevice::SetLine(const ComLineSettings &s)
{
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    dcb.BaudRate = DWORD(s.Speed);
    dcb.ByteSize = BYTE(s.DataBits);
    dcb.Parity = BYTE(s.Parity);
    dcb.StopBits = BYTE(s.StopBits);
    dcb.fBinary = TRUE;
    dcb.fParity = s.ParityCheck;
    dcb.fErrorChar = s.ParityReplace;
    dcb.ErrorChar = s.ReplaceChar;
    dcb.fNull = s.DiscardNull;
    dcb.fOutxCtsFlow = s.OutCTSFlow;
    dcb.fOutxDsrFlow = s.OutDSRFlow;
    static const DWORD dtr[] = {DTR_CONTROL_DISABLE, DTR_CONTROL_ENABLE, DTR_CONTROL_HANDSHAKE};
    static const DWORD rts[] = {RTS_CONTROL_DISABLE, RTS_CONTROL_ENABLE, RTS_CONTROL_HANDSHAKE,
                                RTS_CONTROL_TOGGLE};
    dcb.fDtrControl = dtr[s.ControlDTR];
    dcb.fRtsControl = rts[s.ControlRTS];
    dcb.fOutX = s.XonXoffOut;
    dcb.fInX = s.XonXoffIn;
    dcb.XonChar = s.XonChar;
    dcb.XoffChar = s.XoffChar;
    dcb.fDsrSensitivity = s.DSRSensitivity;
    dcb.fTXContinueOnXoff = s.TxContinueOnXoff;
    dcb.XonLim = WORD(s.XonLimit);
    dcb.XoffLim = WORD(s.XoffLimit);
    dcb.EvtChar = s.EventChar;
    dcb.fAbortOnError = FALSE;
    if (!::SetCommState(Handle(FHandle), &dcb))
        throw EComPort(ComError::SetStateFailed, LastError());
}

void ComDevice::SetTimeouts(const ComTimeoutSettings &t)
{
    COMMTIMEOUTS timeouts{AsTimeout(t.ReadInterval), AsTimeout(t.ReadTotalMultiplier),
                          AsTimeout(t.ReadTotalConstant), AsTimeout(t.WriteTotalMultiplier),
                          AsTimeout(t.WriteTotalConstant)};
    if (!::SetCommTimeouts(Handle(FHandle), &timeouts))
        throw EComPort(ComError::SetTimeoutsFailed, LastError());
    FTimeouts = t;
}

namespace {

// Queue counts; clears the line-error state, whose bits are kept for the
// error handler.
COMSTAT Status(HANDLE device, std::atomic<int> &lineErrors, ComError failureCode)
{
    DWORD errors = 0;
    COMSTAT status{};
    if (!::ClearCommError(device, &errors, &status))
        throw EComPort(failureCode, LastError());
    lineErrors |= int(errors & LineErrorBits);
    return status;
}

} // namespace

int ComDevice::InputCount()
{
    return int(Status(Handle(FHandle), FLineErrors, ComError::ClearErrorFailed).cbInQue);
}

int ComDevice::OutputCount()
{
    return int(Status(Handle(FHandle), FLineErrors, ComError::ClearErrorFailed).cbOutQue);
}

int ComDevice::Read(char *buffer, int count)
{
    return Transfer(Handle(FHandle), ComError::ReadFailed, [&](OVERLAPPED *overlapped) {
        return ::ReadFile(Handle(FHandle), buffer, DWORD(count), nullptr, overlapped);
    });
}

int ComDevice::Write(const char *buffer, int count)
{
    const int sent = Transfer(Handle(FHandle), ComError::WriteFailed, [&](OVERLAPPED *overlapped) {
        return ::WriteFile(Handle(FHandle), buffer, DWORD(count), nullptr, overlapped);
    });
    FWrittenSinceTxEmpty = true;
    return sent;
}

bool ComDevice::WaitForInput(int timeoutMs)
{
    const HANDLE device = Handle(FHandle);
    const ULONGLONG start = ::GetTickCount64();
    const auto left = [&]() -> DWORD {
        if (timeoutMs < 0)
            return INFINITE;
        const ULONGLONG spent = ::GetTickCount64() - start;
        return spent >= ULONGLONG(timeoutMs) ? 0 : DWORD(timeoutMs - spent);
    };
    if (FNative->Watched) {
        // The watcher reports every arrival; the count is read after the
        // report is reset, so an arrival in between is not missed.
        for (;;) {
            ::ResetEvent(FNative->Received.Get());
            if (Status(device, FLineErrors, ComError::ReadFailed).cbInQue > 0)
                return true;
            const DWORD wait = left();
            if (wait == 0)
                return false;
            if (::WaitForSingleObject(FNative->Received.Get(), wait) == WAIT_TIMEOUT)
                return Status(device, FLineErrors, ComError::ReadFailed).cbInQue > 0;
        }
    }
    // No watcher: a line-event wait of its own, for received characters only.
    if (Status(device, FLineErrors, ComError::ReadFailed).cbInQue > 0)
        return true;
    if (!::SetCommMask(device, EV_RXCHAR))
        throw EComPort(ComError::ReadFailed, LastError());
    AsyncBlock async(ComError::ReadFailed);
    DWORD mask = 0;
    if (!::WaitCommEvent(device, &mask, &async.Overlapped)) {
        if (::GetLastError() != ERROR_IO_PENDING)
            throw EComPort(ComError::ReadFailed, LastError());
        if (::WaitForSingleObject(async.Event.Get(), left()) != WAIT_OBJECT_0) {
            // Clearing the mask ends the pending wait; it must end before its
            // block goes.
            ::SetCommMask(device, 0);
            DWORD done = 0;
            ::GetOverlappedResult(device, &async.Overlapped, &done, TRUE);
        }
    }
    ::SetCommMask(device, 0);
    return Status(device, FLineErrors, ComError::ReadFailed).cbInQue > 0;
}

ComModemLines ComDevice::ModemStatus()
{
    DWORD bits = 0;
    if (!::GetCommModemStatus(Handle(FHandle), &bits)) {
        // A port without modem lines (a virtual one) has them all off.
        if (::GetLastError() == ERROR_NOT_SUPPORTED)
            return {};
        throw EComPort(ComError::ModemStatusFailed, LastError());
    }
    return {(bits & MS_CTS_ON) != 0, (bits & MS_DSR_ON) != 0, (bits & MS_RING_ON) != 0,
            (bits & MS_RLSD_ON) != 0};
}

void ComDevice::AbortTransfers()
{
    if (!::PurgeComm(Handle(FHandle), PURGE_TXABORT | PURGE_RXABORT))
        throw EComPort(ComError::PurgeFailed, LastError());
}

void SetWatcherThreadPriority(TThreadPriority priority)
{
    static const int levels[] = {THREAD_PRIORITY_IDLE,         THREAD_PRIORITY_LOWEST,
                                 THREAD_PRIORITY_BELOW_NORMAL, THREAD_PRIORITY_NORMAL,
                                 THREAD_PRIORITY_ABOVE_NORMAL, THREAD_PRIORITY_HIGHEST,
                                 THREAD_PRIORITY_TIME_CRITICAL};
    ::SetThreadPriority(::GetCurrentThread(), levels[priority]);
}

struct ComEventWaiter::Private
{
    Private(ComDevice &device, TComEvents events) : Device(device), Events(events) {}

    HANDLE DeviceHandle() const { return Handle(Device.FHandle); }
    // Ends a line-event wait still in flight; its block must outlive it.
    void EndPendingWait()
    {
        if (!Pending)
            return;
        ::CancelIoEx(DeviceHandle(), &Overlapped);
        DWORD done = 0;
        ::GetOverlappedResult(DeviceHandle(), &Overlapped, &done, TRUE);
        Pending = false;
    }

    ComDevice &Device;
    TComEvents Events;
    UniqueHandle StopEvent;
    UniqueHandle WaitEvent;
    OVERLAPPED Overlapped{};
    DWORD Mask = 0;
    bool Pending = false;
    // A device that cannot report line states (a virtual port without modem
    // lines or error counters) refuses the wait at once: it is then watched
    // for its data events only. One that refuses even these (one unplugged)
    // is reported once and then left alone until the stop.
    bool DataOnly = false;
    bool Broken = false;
};

ComEventWaiter::ComEventWaiter(ComDevice &device, TComEvents events)
    : d(new Private(device, events))
{
    d->StopEvent.Reset(NewEvent(false));
    d->WaitEvent.Reset(NewEvent(true));
    d->Overlapped.hEvent = d->WaitEvent.Get();
    // Arrivals are always watched: waiting for input relies on them.
    if (!::SetCommMask(d->DeviceHandle(), MaskOf(events) | EV_RXCHAR))
        throw EComPort(ComError::OpenFailed, LastError());
    device.FNative->Watched = true;
}

ComEventWaiter::~ComEventWaiter()
{
    d->Device.FNative->Watched = false;
    ::SetCommMask(d->DeviceHandle(), 0);
    d->EndPendingWait();
    ::PurgeComm(d->DeviceHandle(), PURGE_TXABORT | PURGE_RXABORT | PURGE_TXCLEAR | PURGE_RXCLEAR);
}

void ComEventWaiter::Stop()
{
    ::SetEvent(d->StopEvent.Get());
}

bool ComEventWaiter::Wait(TComEvents &events)
{
    events = 0;
    const HANDLE device = d->DeviceHandle();
    for (;;) {
        if (d->Broken) {
            ::WaitForSingleObject(d->StopEvent.Get(), INFINITE);
            return false;
        }
        d->Mask = 0;
        bool completed = ::WaitCommEvent(device, &d->Mask, &d->Overlapped) != FALSE;
        if (!completed && ::GetLastError() != ERROR_IO_PENDING) {
            if (!d->DataOnly) {
                d->DataOnly = true;
                if (::SetCommMask(device, (MaskOf(d->Events) | EV_RXCHAR) & DataEvents))
                    continue;
            }
            d->Broken = true;
            if ((d->Events & ComEventBit(evError)) == 0)
                continue;
            events = ComEventBit(evError);
            return true;
        }
        if (!completed) {
            d->Pending = true;
            const HANDLE waits[2] = {d->StopEvent.Get(), d->WaitEvent.Get()};
            const DWORD which = ::WaitForMultipleObjects(2, waits, FALSE, INFINITE);
            if (which != WAIT_OBJECT_0 + 1)
                return false; // stopped, or the wait itself failed
            DWORD done = 0;
            d->Pending = false;
            completed = ::GetOverlappedResult(device, &d->Overlapped, &done, FALSE) != FALSE;
        }
        if (!completed)
            continue;
        if ((d->Mask & EV_RXCHAR) != 0)
            ::SetEvent(d->Device.FNative->Received.Get());
        DWORD errors = 0;
        if ((d->Mask & EV_ERR) != 0 && ::ClearCommError(device, &errors, nullptr))
            d->Device.FLineErrors |= int(errors & LineErrorBits);
        events = EventsOf(d->Mask) & d->Events;
        if (events != 0)
            return true;
    }
}
