#pragma once
// Serial port component: one serial device of the operating system with its
// settings, Open/Close, the input count and blocking reads and writes.
// The operating-system calls live in one private backend file per platform.

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <stdexcept>

enum TBaudRate {
    brCustom,
    br110,
    br300,
    br600,
    br1200,
    br2400,
    br4800,
    br9600,
    br14400,
    br19200,
    br38400,
    br56000,
    br57600,
    br115200,
    br128000,
    br256000
};
enum TDataBits { dbFive, dbSix, dbSeven, dbEight };
enum TStopBits { sbOneStopBit, sbOne5StopBits, sbTwoStopBits };
enum TParityBits { prNone, prOdd, prEven, prMark, prSpace };
enum TDTRFlowControl { dtrDisable, dtrEnable, dtrHandshake };
enum TRTSFlowControl { rtsDisable, rtsEnable, rtsHandshake, rtsToggle };
enum TFlowControl { fcHardware, fcSoftware, fcNone, fcCustom };
enum TComEvent {
    evRxChar,
    evTxEmpty,
    evRxFlag,
    evRing,
    evBreak,
    evCTS,
    evDSR,
    evError,
    evRLSD,
    evRx80Full
};
enum TSyncMethod { smThreadSync, smWindowSync, smNone };
enum TOperationKind { okWrite, okRead };
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// A set of TComEvent, one bit each (bit n = event with ordinal n).
using TComEvents = unsigned;
inline constexpr TComEvents ComEventBit(TComEvent e)
{
    return 1u << e;
}
inline constexpr TComEvents AllComEvents = (1u << (evRx80Full + 1)) - 1;

// Bits per second for TBaudRate ordinals 1 to 15; entry 0 (brCustom) is 0.
extern const int BaudRateTable[16];

// The component's error codes, 1 to 23 (EComPort::Code).
enum class ComError {
    OpenFailed = 1,
    WriteFailed,
    ReadFailed,
    InvalidAsync,
    PurgeFailed,
    AsyncStatus,
    SetStateFailed,
    SetTimeoutsFailed,
    SetupFailed,
    ClearErrorFailed,
    ModemStatusFailed,
    EscapeFailed,
    TransmitCharFailed,
    SetWhileOpen,
    EnumPortsFailed,
    StoreFailed,
    LoadFailed,
    LinkRegistration,
    LedState,
    EventThreadRunning,
    WaitForEventFailed,
    RxBufLinked,
    RegistryError,
};

// The component's error texts, codes 1 to 23; empty for any other code.
QString ComErrorText(int code);

class EComPort : public std::runtime_error
{
public:
    // winCode is the operating system's error number, -1 when none.
    explicit EComPort(ComError code, int winCode = -1);
    int Code;
    int WinCode;
    // The text of the code, followed by " (win error code: %d)" when a system
    // error number is known.
    QString Message() const;
};

class TCustomComPort;

class TComParity
{
public:
    explicit TComParity(TCustomComPort *port) : FComPort(port) {}
    TParityBits Bits() const { return FBits; }
    void SetBits(TParityBits value);
    bool Check() const { return FCheck; }
    void SetCheck(bool value);
    bool Replace() const { return FReplace; }
    void SetReplace(bool value);
    char ReplaceChar() const { return FReplaceChar; }
    void SetReplaceChar(char value);

private:
    TCustomComPort *FComPort;
    TParityBits FBits = prNone;
    bool FCheck = false;
    bool FReplace = false;
    char FReplaceChar = 0;
};

class TComFlowControl
{
public:
    explicit TComFlowControl(TCustomComPort *port) : FComPort(port) {}
    bool OutCTSFlow() const { return FOutCTSFlow; }
    void SetOutCTSFlow(bool value);
    bool OutDSRFlow() const { return FOutDSRFlow; }
    void SetOutDSRFlow(bool value);
    TDTRFlowControl ControlDTR() const { return FControlDTR; }
    void SetControlDTR(TDTRFlowControl value);
    TRTSFlowControl ControlRTS() const { return FControlRTS; }
    void SetControlRTS(TRTSFlowControl value);
    bool XonXoffOut() const { return FXonXoffOut; }
    void SetXonXoffOut(bool value);
    bool XonXoffIn() const { return FXonXoffIn; }
    void SetXonXoffIn(bool value);
    bool DSRSensitivity() const { return FDSRSensitivity; }
    void SetDSRSensitivity(bool value);
    bool TxContinueOnXoff() const { return FTxContinueOnXoff; }
    void SetTxContinueOnXoff(bool value);
    char XonChar() const { return FXonChar; }
    void SetXonChar(char value);
    char XoffChar() const { return FXoffChar; }
    void SetXoffChar(char value);
    // Shorthand over RTS, OutCTSFlow and the two XON/XOFF flags.
    TFlowControl FlowControl() const;
    void SetFlowControl(TFlowControl value);

private:
    TCustomComPort *FComPort;
    bool FOutCTSFlow = false;
    bool FOutDSRFlow = false;
    TDTRFlowControl FControlDTR = dtrDisable;
    TRTSFlowControl FControlRTS = rtsDisable;
    bool FXonXoffOut = false;
    bool FXonXoffIn = false;
    bool FDSRSensitivity = false;
    bool FTxContinueOnXoff = false;
    char FXonChar = 17;
    char FXoffChar = 19;
};

class TComTimeouts
{
public:
    explicit TComTimeouts(TCustomComPort *port) : FComPort(port) {}
    // Milliseconds; -1 stands for the system's maximum value.
    int ReadInterval() const { return FReadInterval; }
    void SetReadInterval(int value);
    int ReadTotalMultiplier() const { return FReadTotalM; }
    void SetReadTotalM(int value);
    int ReadTotalConstant() const { return FReadTotalC; }
    void SetReadTotalC(int value);
    int WriteTotalMultiplier() const { return FWriteTotalM; }
    void SetWriteTotalM(int value);
    int WriteTotalConstant() const { return FWriteTotalC; }
    void SetWriteTotalC(int value);

private:
    TCustomComPort *FComPort;
    int FReadInterval = -1;
    int FReadTotalM = 0;
    int FReadTotalC = 0;
    int FWriteTotalM = 100;
    int FWriteTotalC = 1000;
};

class TComBuffer
{
public:
    explicit TComBuffer(TCustomComPort *port) : FComPort(port) {}
    int InputSize() const { return FInputSize; }
    void SetInputSize(int value); // an odd size is stored one less
    int OutputSize() const { return FOutputSize; }
    void SetOutputSize(int value);

private:
    TCustomComPort *FComPort;
    int FInputSize = 1024;
    int FOutputSize = 1024;
};

class TComThread;
class ComDevice; // the platform backend's open device

class TCustomComPort : public QObject
{
    Q_OBJECT
public:
    explicit TCustomComPort(QObject *parent = nullptr);
    ~TCustomComPort() override; // closes the port first

    QString Port() const { return FPort; }
    void SetPort(const QString &value); // while open: close, then open the new device
    TBaudRate BaudRate() const { return FBaudRate; }
    void SetBaudRate(TBaudRate value);
    int CustomBaudRate() const { return FCustomBaudRate; }
    void SetCustomBaudRate(int value);
    // Bits per second of the chosen BaudRate (CustomBaudRate for brCustom).
    int BitsPerSecond() const
    {
        return FBaudRate == brCustom ? FCustomBaudRate : BaudRateTable[FBaudRate];
    }
    TDataBits DataBits() const { return FDataBits; }
    void SetDataBits(TDataBits value);
    TStopBits StopBits() const { return FStopBits; }
    void SetStopBits(TStopBits value);
    TComEvents Events() const { return FEvents; }
    void SetEvents(TComEvents value);
    char EventChar() const { return FEventChar; }
    void SetEventChar(char value);
    bool DiscardNull() const { return FDiscardNull; }
    void SetDiscardNull(bool value);
    TSyncMethod SyncMethod() const { return FSyncMethod; }
    void SetSyncMethod(TSyncMethod value); // code 14 while open
    TThreadPriority EventThreadPriority() const { return FEventThreadPriority; }
    void SetEventThreadPriority(TThreadPriority value); // code 14 while open
    bool TriggersOnRxChar() const { return FTriggersOnRxChar; }

    TComParity &Parity() { return FParity; }
    TComFlowControl &FlowControl() { return FFlowControl; }
    TComTimeouts &Timeouts() { return FTimeouts; }
    TComBuffer &Buffer() { return FBuffer; }

    bool IsOpen() const { return FConnected; }
    void Open();  // does nothing when open; raises EComPort
    void Close(); // does nothing when closed

    void BeginUpdate();
    void EndUpdate(); // the last one applies buffer sizes, line settings, time-outs

    int InputCount();                         // bytes waiting in the input queue; code 10
    int OutputCount();                        // bytes waiting in the output queue; code 10
    int Read(void *buffer, int count);        // code 3
    int ReadStr(QByteArray &str, int count);  // code 3; str gets the bytes read
    int Write(const void *buffer, int count); // code 2
    int WriteStr(const QByteArray &str);      // code 2

    // Blocks until input is waiting or timeoutMs has passed, without taking
    // anything out of the input queue. Returns true when input is waiting.
    // Raises code 3 when the device has gone (hang-up or error).
    bool WaitForInput(int timeoutMs);

    // The watcher thread while the port is open with a non-empty Events set.
    TComThread *EventThread() const { return FEventThread.get(); }

    // Line-event handlers; the program installs none.
    std::function<void(int count)> OnRxChar;
    std::function<void()> OnTxEmpty;
    std::function<void()> OnRxFlag;
    std::function<void()> OnRing;
    std::function<void()> OnBreak;
    std::function<void(bool on)> OnCTSChange;
    std::function<void(bool on)> OnDSRChange;
    std::function<void(bool on)> OnRLSDChange;
    std::function<void(int errors)> OnError;
    std::function<void()> OnRx80Full;
    std::function<void()> OnBeforeOpen;
    std::function<void()> OnAfterOpen;
    std::function<void()> OnBeforeClose;
    std::function<void()> OnAfterClose;

    // Runs the handlers of one set of line events in the fixed order.
    // Called by the watcher through the chosen TSyncMethod.
    void DispatchComEvents(TComEvents events);

    // Re-apply one group of settings when the port is open and not updating.
    void ApplyBuffer();
    void ApplyDCB();
    void ApplyTimeouts();

private:
    friend class TComThread;
    bool Updating() const { return FUpdateCount > 0; }

    QString FPort = QStringLiteral("COM1");
    TBaudRate FBaudRate = br9600;
    int FCustomBaudRate = 9600;
    TDataBits FDataBits = dbEight;
    TStopBits FStopBits = sbOneStopBit;
    TComEvents FEvents = AllComEvents;
    char FEventChar = 0;
    bool FDiscardNull = false;
    TSyncMethod FSyncMethod = smThreadSync;
    TThreadPriority FEventThreadPriority = tpNormal;
    bool FTriggersOnRxChar = true;
    TComParity FParity{this};
    TComFlowControl FFlowControl{this};
    TComTimeouts FTimeouts{this};
    TComBuffer FBuffer{this};
    bool FConnected = false;
    int FUpdateCount = 0;
    std::unique_ptr<ComDevice> FDevice;
    std::unique_ptr<TComThread> FEventThread;
    bool FThreadCreated = false;
};

class TComPort : public TCustomComPort
{
    Q_OBJECT
public:
    using TCustomComPort::TCustomComPort;
};
