#include "tester/testerlink.h"

#include "kit/exchangebusy.h"
#include "tester/mainstate.h"

#include <QComboBox>

namespace {
TesterLinkParts g_parts;
} // namespace

void SetUpTesterLink(const TesterLinkParts &parts)
{
    g_parts = parts;
}

const TesterLinkParts &TesterLink()
{
    return g_parts;
}

QByteArray LinkExchange(const QByteArray &command, QByteArray &reply, const ReplyProgress &progress)
{
    const ExchangeBusy busy;
    // Also an exchange that fails restarts the idle count.
    IdleTicks = 0;
    ExchangeContext context;
    context.quietMs = QuietTimeMs(BluetoothMode, Connected);
    if (TraceEnabled != 0)
        context.trace = g_parts.trace;
    context.wait = [&progress](const QByteArray &replySoFar) {
        if (progress)
            progress(replySoFar);
        KeepWindowsAlive();
        return ExchangeCancelled() ? WaitVerdict::Stop : WaitVerdict::GoOn;
    };
    return RS232Write(*g_parts.port, command, reply, context);
}

bool PortSelected()
{
    return g_parts.portList->currentIndex() >= 0;
}

void SelectStoredPort()
{
    QComboBox *ports = g_parts.portList;
    const int index = LinkSettings[PortIndex];
    ports->setCurrentIndex(index >= 0 && index < ports->count() ? index : -1);
}

TBaudRate SelectedSpeed()
{
    return static_cast<TBaudRate>(qMax(0, g_parts.baudList->currentIndex()));
}

void SetUpPort(TBaudRate speed)
{
    TComPort *port = g_parts.port;
    port->SetPort(g_parts.portList->currentText());
    port->Timeouts().SetReadInterval(200);
    port->Timeouts().SetReadTotalC(200);
    port->SetBaudRate(speed);
}

void PrepareLink()
{
    SelectStoredPort();
    SetUpPort(SelectedSpeed());
}

QByteArray FramedExchange(const QByteArray &command, Framing framing, const ReplyProgress &progress)
{
    const bool usb = BluetoothMode == 0;
    const bool open = usb || framing != Framing::Usb;
    const bool close = usb || framing == Framing::OpenAndClose;
    const bool closeOnError = close || framing == Framing::Probe;
    TComPort *port = g_parts.port;
    try {
        if (open)
            port->Open();
        QByteArray reply;
        LinkExchange(command, reply, progress);
        if (close)
            port->Close();
        return reply;
    } catch (const std::exception &) {
        if (closeOnError)
            port->Close();
        throw;
    }
}

QByteArray GuardedExchange(const QByteArray &command, bool repeatWhileEmpty, Framing framing,
                           bool *exchanged, const ReplyProgress &progress)
{
    QByteArray reply;
    if (exchanged)
        *exchanged = false;
    for (int attempt = 0; attempt < 10; ++attempt) {
        try {
            // The bytes of an attempt cut short by the port are dropped with it.
            reply = FramedExchange(command, framing, progress);
        } catch (const ExchangeStopped &) {
            // Cancelled by the operator: as if the tester had stopped
            // answering, and no attempt more.
            if (exchanged)
                *exchanged = true;
            return QByteArray();
        } catch (const std::exception &) {
            continue;
        }
        if (exchanged)
            *exchanged = true;
        if (!repeatWhileEmpty || !reply.isEmpty())
            break;
    }
    return reply;
}
