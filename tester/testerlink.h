#pragma once
// The link to the tester that every device action shares: the main window's
// port, the connection settings' port list and baud list and the service
// window's trace, handed over once at start; the exchange on that port, the
// link preparation, and the framing and retries around each exchange.

#include "link/comport.h"
#include "link/exchange.h"

#include <QByteArray>
#include <QString>
#include <functional>

class QComboBox;

// What the main window hands over at start.
struct TesterLinkParts
{
    TComPort *port = nullptr;      // ComPort1
    QComboBox *portList = nullptr; // the port list of the connection settings
    QComboBox *baudList = nullptr; // the baud list; its index is a TBaudRate ordinal
    // Told each line of the exchange trace while TraceEnabled is on.
    std::function<void(const QString &line)> trace;
};

// The parts from here on; empty parts when the windows go.
void SetUpTesterLink(const TesterLinkParts &parts);
const TesterLinkParts &TesterLink();

// The exchange on the link's port: command out, the collected reply back. It
// restarts the idle count, waits the quiet time of the link and traces while
// the trace is on; progress, when given, is told of the reply collected so
// far. Windows are painted meanwhile and a long exchange may be cancelled
// (ExchangeStopped).
QByteArray LinkExchange(const QByteArray &command, QByteArray &reply,
                        const ReplyProgress &progress = {});

// An entry of the port list is selected.
bool PortSelected();
// Selects entry PortIndex of the port list; none when there is no such entry.
void SelectStoredPort();
// The speed chosen in the baud list.
TBaudRate SelectedSpeed();
// Names the port of the port list's selected entry and sets the read
// time-outs and the speed.
void SetUpPort(TBaudRate speed);
// The link preparation: select entry PortIndex of the port list and set port
// name, read time-outs and speed from the connection settings.
void PrepareLink();

// How an exchange opens and closes the port. In USB mode the port is opened
// before and closed after it, and a port error closes it. In Bluetooth mode
// the link holds the port open: Usb leaves the port as it is, Open opens it
// (no effect when open), OpenAndClose opens and closes it, and Probe opens it
// and closes it only on a port error.
enum class Framing { Usb, Open, OpenAndClose, Probe };

// One exchange in its frame. A port error, and ExchangeStopped when the
// operator cancels, closes the port where the framing says and is passed on.
QByteArray FramedExchange(const QByteArray &command, Framing framing,
                          const ReplyProgress &progress = {});

// Up to ten attempts of one framed exchange; an attempt that raises counts as
// failed and adds nothing to the reply. With repeatWhileEmpty the attempts
// also go on while the reply is empty. An attempt the operator cancels ends
// them all with an empty reply, as a silent tester's. *exchanged, when given,
// tells whether any attempt ran without raising.
QByteArray GuardedExchange(const QByteArray &command, bool repeatWhileEmpty,
                           Framing framing = Framing::Usb, bool *exchanged = nullptr,
                           const ReplyProgress &progress = {});
