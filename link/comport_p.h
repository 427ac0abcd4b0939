#pragma once
// The operating-system side of the serial port: one open device and the
// waiting for its line events. One implementation per platform.

#include "link/comport.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <memory>

// Everything ApplyDCB hands to the device in one step.
struct ComLineSettings
{
    int Speed = 9600;
    int DataBits = 8;
    TParityBits Parity = prNone;
    TStopBits StopBits = sbOneStopBit;
    bool ParityCheck = false;
    bool ParityReplace = false;
    char ReplaceChar = 0;
    bool DiscardNull = false;
    bool OutCTSFlow = false;
    bool OutDSRFlow = false;
    TDTRFlowControl ControlDTR = dtrDisable;
    TRTSFlowControl ControlRTS = rtsDisable;
    bool XonXoffOut = false;
    bool XonXoffIn = false;
    char XonChar = 17;
    char XoffChar = 19;
    bool DSRSensitivity = false;
    bool TxContinueOnXoff = false;
    int XonLimit = 256;
    int XoffLimit = 256;
    char EventChar = 0;
};

// Milliseconds; -1 is the system's maximum value.
struct ComTimeoutSettings
{
    int ReadInterval = -1;
    int ReadTotalMultiplier = 0;
    int ReadTotalConstant = 0;
    int WriteTotalMultiplier = 100;
    int WriteTotalConstant = 1000;
};

struct ComModemLines
{
    bool CTS = false;
    bool DSR = false;
    bool Ring = false;
    bool RLSD = false;
};

// Line-error bits handed to OnError.
enum ComLineError {
    ceRxOver = 0x1,
    ceOverrun = 0x2,
    ceRxParity = 0x4,
    ceFrame = 0x8,
    ceBreak = 0x10,
};

// One open serial device. Every failure raises EComPort with the code of the
// operation and the system's error number.
class ComDevice
{
public:
    // Opens the device exclusively; code 1 when that fails.
    static std::unique_ptr<ComDevice> Open(const QString &port);
    ~ComDevice();
    ComDevice(const ComDevice &) = delete;
    ComDevice &operator=(const ComDevice &) = delete;

    void SetQueueSizes(int inputSize, int outputSize);    // code 9
    void SetLine(const ComLineSettings &settings);        // code 7
    void SetTimeouts(const ComTimeoutSettings &timeouts); // code 8

    int InputCount();                         // code 10
    int OutputCount();                        // code 10
    int Read(char *buffer, int count);        // code 3, ends per the time-outs
    int Write(const char *buffer, int count); // code 2, ends per the time-outs
    bool WaitForInput(int timeoutMs);         // code 3 when the device has gone
    ComModemLines ModemStatus();              // code 11
    // Aborts reads and writes still in flight, before the device is closed.
    void AbortTransfers(); // code 5

    // Line errors seen by the watcher since the last call (ComLineError bits).
    int TakeLineErrors() { return FLineErrors.exchange(0); }

private:
    friend class ComEventWaiter;
    explicit ComDevice(std::intptr_t handle);

    // A descriptor or a system handle, as the platform has it.
    std::intptr_t FHandle = -1;
    bool FExclusive = false;
    std::atomic<int> FInputSize{1024};
    ComTimeoutSettings FTimeouts;
    std::atomic<bool> FWrittenSinceTxEmpty{false};
    std::atomic<int> FLineErrors{0};
    // What only one platform needs besides.
    struct Native;
    std::unique_ptr<Native> FNative;
};

// The system's error numbers for a port used while closed, and for a close
// that would wait for the thread it runs on.
extern const int ComErrorNoDevice;
extern const int ComErrorDeadlock;

// Gives the calling thread the priority, as far as the system lets it.
void SetWatcherThreadPriority(TThreadPriority priority);

// Waits for the line events of one device on the watcher thread. Stop() may
// be called from any thread and ends the current or the next Wait().
class ComEventWaiter
{
public:
    ComEventWaiter(ComDevice &device, TComEvents events); // code 1 when it cannot wait
    ~ComEventWaiter(); // clears the mask and empties both driver queues
    ComEventWaiter(const ComEventWaiter &) = delete;
    ComEventWaiter &operator=(const ComEventWaiter &) = delete;

    // Blocks until some events happened (true) or Stop() was called or the
    // wait itself failed (false).
    bool Wait(TComEvents &events);
    void Stop();

private:
    struct Private;
    std::unique_ptr<Private> d;
};
