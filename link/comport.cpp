#include "link/comport.h"

#include "link/comport_p.h"
#include "link/comthread.h"

#include <exception>

const int BaudRateTable[16] = {0,     110,   300,   600,   1200,  2400,   4800,   9600,
                               14400, 19200, 38400, 56000, 57600, 115200, 128000, 256000};

namespace {

struct ComErrorEntry
{
    ComError code;
    const char *text;
};

const ComErrorEntry errorTexts[] = {
    {ComError::OpenFailed, "Unable to open com port"},
    {ComError::WriteFailed, "WriteFile function failed"},
    {ComError::ReadFailed, "ReadFile function failed"},
    {ComError::InvalidAsync, "Invalid Async parameter"},
    {ComError::PurgeFailed, "PurgeComm function failed"},
    {ComError::AsyncStatus, "Unable to get async status"},
    {ComError::SetStateFailed, "SetCommState function failed"},
    {ComError::SetTimeoutsFailed, "SetCommTimeouts failed"},
    {ComError::SetupFailed, "SetupComm function failed"},
    {ComError::ClearErrorFailed, "ClearCommError function failed"},
    {ComError::ModemStatusFailed, "GetCommModemStatus function failed"},
    {ComError::EscapeFailed, "EscapeCommFunction function failed"},
    {ComError::TransmitCharFailed, "TransmitCommChar function failed"},
    {ComError::SetWhileOpen, "Cannot set property while connected"},
    {ComError::EnumPortsFailed, "EnumPorts function failed"},
    {ComError::StoreFailed, "Failed to store settings"},
    {ComError::LoadFailed, "Failed to load settings"},
    {ComError::LinkRegistration, "Link (un)registration failed"},
    {ComError::LedState, "Cannot change led state if ComPort is selected"},
    {ComError::EventThreadRunning, "Cannot wait for event if event thread is created"},
    {ComError::WaitForEventFailed, "WaitForEvent method failed"},
    {ComError::RxBufLinked, "A component is linked to OnRxBuf event"},
    {ComError::RegistryError, "Registry error"},
};

QString MessageOf(int code, int winCode)
{
    QString text = ComErrorText(code);
    if (winCode != -1)
        text += QStringLiteral(" (win error code: %1)").arg(winCode);
    return text;
}

// One read or write in flight: its kind and, for a write, a private copy of
// the bytes, so the caller's buffer is not needed while the device works.
struct TAsync
{
    TOperationKind Kind;
    QByteArray Data;
};

// Stores a changed value and re-applies its group on an open port.
template <typename T>
void SetAndApply(T &field, T value, TCustomComPort *port,
                 void (TCustomComPort::*apply)() = &TCustomComPort::ApplyDCB)
{
    if (field == value)
        return;
    field = value;
    (port->*apply)();
}

} // namespace

QString ComErrorText(int code)
{
    for (const ComErrorEntry &entry : errorTexts)
        if (int(entry.code) == code)
            return QString::fromLatin1(entry.text);
    return QString();
}

EComPort::EComPort(ComError code, int winCode)
    : std::runtime_error(MessageOf(int(code), winCode).toStdString()), Code(int(code)),
      WinCode(winCode)
{
}

QString EComPort::Message() const
{
    return MessageOf(Code, WinCode);
}

void TComParity::SetBits(TParityBits value)
{
    SetAndApply(FBits, value, FComPort);
}

void TComParity::SetCheck(bool value)
{
    SetAndApply(FCheck, value, FComPort);
}

void TComParity::SetReplace(bool value)
{
    SetAndApply(FReplace, value, FComPort);
}

void TComParity::SetReplaceChar(char value)
{
    SetAndApply(FReplaceChar, value, FComPort);
}

void TComFlowControl::SetOutCTSFlow(bool value)
{
    SetAndApply(FOutCTSFlow, value, FComPort);
}

void TComFlowControl::SetOutDSRFlow(bool value)
{
    SetAndApply(FOutDSRFlow, value, FComPort);
}

void TComFlowControl::SetControlDTR(TDTRFlowControl value)
{
    SetAndApply(FControlDTR, value, FComPort);
}

void TComFlowControl::SetControlRTS(TRTSFlowControl value)
{
    SetAndApply(FControlRTS, value, FComPort);
}

void TComFlowControl::SetXonXoffOut(bool value)
{
    SetAndApply(FXonXoffOut, value, FComPort);
}

void TComFlowControl::SetXonXoffIn(bool value)
{
    SetAndApply(FXonXoffIn, value, FComPort);
}

void TComFlowControl::SetDSRSensitivity(bool value)
{
    SetAndApply(FDSRSensitivity, value, FComPort);
}

void TComFlowControl::SetTxContinueOnXoff(bool value)
{
    SetAndApply(FTxContinueOnXoff, value, FComPort);
}

void TComFlowControl::SetXonChar(char value)
{
    SetAndApply(FXonChar, value, FComPort);
}

void TComFlowControl::SetXoffChar(char value)
{
    SetAndApply(FXoffChar, value, FComPort);
}

TFlowControl TComFlowControl::FlowControl() const
{
    if (FControlRTS == rtsHandshake && FOutCTSFlow && !FXonXoffIn && !FXonXoffOut)
        return fcHardware;
    if (FControlRTS == rtsDisable && !FOutCTSFlow && FXonXoffIn && FXonXoffOut)
        return fcSoftware;
    if (FControlRTS == rtsDisable && !FOutCTSFlow && !FXonXoffIn && !FXonXoffOut)
        return fcNone;
    return fcCustom;
}

void TComFlowControl::SetFlowControl(TFlowControl value)
{
    if (value != fcCustom) {
        FControlRTS = rtsDisable;
        FOutCTSFlow = false;
        FXonXoffIn = false;
        FXonXoffOut = false;
        if (value == fcHardware) {
            FControlRTS = rtsHandshake;
            FOutCTSFlow = true;
        } else if (value == fcSoftware) {
            FXonXoffIn = true;
            FXonXoffOut = true;
        }
    }
    FComPort->ApplyDCB();
}

void TComTimeouts::SetReadInterval(int value)
{
    SetAndApply(FReadInterval, value, FComPort, &TCustomComPort::ApplyTimeouts);
}

void TComTimeouts::SetReadTotalM(int value)
{
    SetAndApply(FReadTotalM, value, FComPort, &TCustomComPort::ApplyTimeouts);
}

void TComTimeouts::SetReadTotalC(int value)
{
    SetAndApply(FReadTotalC, value, FComPort, &TCustomComPort::ApplyTimeouts);
}

void TComTimeouts::SetWriteTotalM(int value)
{
    SetAndApply(FWriteTotalM, value, FComPort, &TCustomComPort::ApplyTimeouts);
}

void TComTimeouts::SetWriteTotalC(int value)
{
    SetAndApply(FWriteTotalC, value, FComPort, &TCustomComPort::ApplyTimeouts);
}

namespace {

int EvenSize(int value)
{
    return value > 0 && value % 2 != 0 ? value - 1 : value;
}

} // namespace

void TComBuffer::SetInputSize(int value)
{
    SetAndApply(FInputSize, EvenSize(value), FComPort, &TCustomComPort::ApplyBuffer);
}

void TComBuffer::SetOutputSize(int value)
{
    SetAndApply(FOutputSize, EvenSize(value), FComPort, &TCustomComPort::ApplyBuffer);
}

namespace {

ComLineSettings LineSettingsOf(TCustomComPort &port)
{
    ComLineSettings s;
    s.Speed = port.BitsPerSecond();
    s.DataBits = 5 + port.DataBits();
    s.Parity = port.Parity().Bits();
    s.StopBits = port.StopBits();
    s.ParityCheck = port.Parity().Check();
    s.ParityReplace = port.Parity().Check() && port.Parity().Replace();
    s.ReplaceChar = port.Parity().ReplaceChar();
    s.DiscardNull = port.DiscardNull();
    const TComFlowControl &flow = port.FlowControl();
    s.OutCTSFlow = flow.OutCTSFlow();
    s.OutDSRFlow = flow.OutDSRFlow();
    s.ControlDTR = flow.ControlDTR();
    s.ControlRTS = flow.ControlRTS();
    s.XonXoffOut = flow.XonXoffOut();
    s.XonXoffIn = flow.XonXoffIn();
    s.XonChar = flow.XonChar();
    s.XoffChar = flow.XoffChar();
    s.DSRSensitivity = flow.DSRSensitivity();
    s.TxContinueOnXoff = flow.TxContinueOnXoff();
    s.XonLimit = port.Buffer().InputSize() / 4;
    s.XoffLimit = port.Buffer().InputSize() / 4;
    s.EventChar = port.EventChar();
    return s;
}

ComTimeoutSettings TimeoutSettingsOf(TCustomComPort &port)
{
    TComTimeouts &t = port.Timeouts();
    return {t.ReadInterval(), t.ReadTotalMultiplier(), t.ReadTotalConstant(),
            t.WriteTotalMultiplier(), t.WriteTotalConstant()};
}

// Buffer sizes, line settings, time-outs, in this order.
void ApplyAll(ComDevice &device, TCustomComPort &port)
{
    device.SetQueueSizes(port.Buffer().InputSize(), port.Buffer().OutputSize());
    device.SetLine(LineSettingsOf(port));
    device.SetTimeouts(TimeoutSettingsOf(port));
}

int Transfer(ComDevice &device, TAsync &async, char *readBuffer, int count)
{
    if (async.Kind == okWrite)
        return device.Write(async.Data.constData(), count);
    return device.Read(readBuffer, count);
}

} // namespace

TCustomComPort::TCustomComPort(QObject *parent) : QObject(parent) {}

TCustomComPort::~TCustomComPort()
{
    try {
        Close();
    } catch (const std::exception &e) {
        qWarning("Closing the serial port failed: %s", e.what());
    }
}

void TCustomComPort::SetPort(const QString &value)
{
    if (FPort == value)
        return;
    FPort = value;
    if (FConnected) {
        Close();
        Open();
    }
}

void TCustomComPort::SetBaudRate(TBaudRate value)
{
    SetAndApply(FBaudRate, value, this);
}

void TCustomComPort::SetCustomBaudRate(int value)
{
    SetAndApply(FCustomBaudRate, value, this);
}

void TCustomComPort::SetDataBits(TDataBits value)
{
    SetAndApply(FDataBits, value, this);
}

void TCustomComPort::SetStopBits(TStopBits value)
{
    SetAndApply(FStopBits, value, this);
}

void TCustomComPort::SetEvents(TComEvents value)
{
    FEvents = value & AllComEvents;
}

void TCustomComPort::SetEventChar(char value)
{
    SetAndApply(FEventChar, value, this);
}

void TCustomComPort::SetDiscardNull(bool value)
{
    SetAndApply(FDiscardNull, value, this);
}

void TCustomComPort::SetSyncMethod(TSyncMethod value)
{
    if (FSyncMethod == value)
        return;
    if (FConnected)
        throw EComPort(ComError::SetWhileOpen);
    FSyncMethod = value;
}

void TCustomComPort::SetEventThreadPriority(TThreadPriority value)
{
    if (FEventThreadPriority == value)
        return;
    if (FConnected)
        throw EComPort(ComError::SetWhileOpen);
    FEventThreadPriority = value;
}

void TCustomComPort::Open()
{
    if (FConnected)
        return;
    if (OnBeforeOpen)
        OnBeforeOpen();
    FDevice = ComDevice::Open(FPort);
    FConnected = true;
    try {
        ApplyAll(*FDevice, *this);
        if (FEvents != 0) {
            FEventThread = std::make_unique<TComThread>(this);
            FEventThread->Start();
            FThreadCreated = true;
        }
    } catch (...) {
        FDevice.reset();
        FConnected = false;
        throw;
    }
    if (OnAfterOpen)
        OnAfterOpen();
    const ComModemLines lines = FDevice->ModemStatus();
    if (OnCTSChange)
        OnCTSChange(lines.CTS);
    if (OnDSRChange)
        OnDSRChange(lines.DSR);
    if (OnRLSDChange)
        OnRLSDChange(lines.RLSD);
}

void TCustomComPort::Close()
{
    if (!FConnected)
        return;
    // A handler on the watcher's own thread cannot wait for that thread.
    if (FEventThread && FEventThread->IsCurrentThread())
        throw EComPort(ComError::PurgeFailed, ComErrorDeadlock);
    if (OnBeforeClose)
        OnBeforeClose();
    // A device that refuses the abort (one unplugged, say) is closed all the
    // same, so that the next Open can start afresh; the failure follows.
    std::exception_ptr abortFailure;
    try {
        FDevice->AbortTransfers();
    } catch (const EComPort &) {
        abortFailure = std::current_exception();
    }
    FEventThread.reset();
    FThreadCreated = false;
    FDevice.reset();
    FConnected = false;
    if (OnAfterClose)
        OnAfterClose();
    if (abortFailure)
        std::rethrow_exception(abortFailure);
}

void TCustomComPort::BeginUpdate()
{
    ++FUpdateCount;
}

void TCustomComPort::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount == 0 && FConnected)
        ApplyAll(*FDevice, *this);
}

void TCustomComPort::ApplyBuffer()
{
    if (FConnected && !Updating())
        FDevice->SetQueueSizes(FBuffer.InputSize(), FBuffer.OutputSize());
}

void TCustomComPort::ApplyDCB()
{
    if (FConnected && !Updating())
        FDevice->SetLine(LineSettingsOf(*this));
}

void TCustomComPort::ApplyTimeouts()
{
    if (FConnected && !Updating())
        FDevice->SetTimeouts(TimeoutSettingsOf(*this));
}

int TCustomComPort::InputCount()
{
    if (!FDevice)
        throw EComPort(ComError::ClearErrorFailed, ComErrorNoDevice);
    return FDevice->InputCount();
}

int TCustomComPort::OutputCount()
{
    if (!FDevice)
        throw EComPort(ComError::ClearErrorFailed, ComErrorNoDevice);
    return FDevice->OutputCount();
}

int TCustomComPort::Read(void *buffer, int count)
{
    if (!FDevice)
        throw EComPort(ComError::ReadFailed, ComErrorNoDevice);
    if (count <= 0)
        return 0;
    TAsync async{okRead, {}};
    return Transfer(*FDevice, async, static_cast<char *>(buffer), count);
}

int TCustomComPort::ReadStr(QByteArray &str, int count)
{
    str.clear();
    if (!FDevice)
        throw EComPort(ComError::ReadFailed, ComErrorNoDevice);
    if (count <= 0)
        return 0;
    str.resize(count);
    int got = 0;
    try {
        got = Read(str.data(), count);
    } catch (...) {
        str.clear();
        throw;
    }
    str.truncate(got);
    return got;
}

int TCustomComPort::Write(const void *buffer, int count)
{
    if (!FDevice)
        throw EComPort(ComError::WriteFailed, ComErrorNoDevice);
    if (count <= 0)
        return 0;
    TAsync async{okWrite, QByteArray(static_cast<const char *>(buffer), count)};
    return Transfer(*FDevice, async, nullptr, count);
}

int TCustomComPort::WriteStr(const QByteArray &str)
{
    return Write(str.constData(), static_cast<int>(str.size()));
}

bool TCustomComPort::WaitForInput(int timeoutMs)
{
    if (!FDevice)
        throw EComPort(ComError::ReadFailed, ComErrorNoDevice);
    return FDevice->WaitForInput(timeoutMs);
}

void TCustomComPort::DispatchComEvents(TComEvents events)
{
    // A handler may close the port; the rest of the set is then dropped.
    const auto has = [&](TComEvent e) { return FConnected && (events & ComEventBit(e)) != 0; };
    if (has(evError) && OnError)
        OnError(FDevice->TakeLineErrors());
    if (has(evRxChar) && OnRxChar)
        OnRxChar(InputCount());
    if (has(evTxEmpty) && OnTxEmpty)
        OnTxEmpty();
    if (has(evBreak) && OnBreak)
        OnBreak();
    if (has(evRing) && OnRing)
        OnRing();
    if (has(evCTS) && OnCTSChange)
        OnCTSChange(FDevice->ModemStatus().CTS);
    if (has(evDSR) && OnDSRChange)
        OnDSRChange(FDevice->ModemStatus().DSR);
    if (has(evRxFlag) && OnRxFlag)
        OnRxFlag();
    if (has(evRLSD) && OnRLSDChange)
        OnRLSDChange(FDevice->ModemStatus().RLSD);
    if (has(evRx80Full) && OnRx80Full)
        OnRx80Full();
}
