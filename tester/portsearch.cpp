#include "tester/portsearch.h"

#include "link/commands.h"
#include "link/discovery.h"
#include "tester/mainstate.h"
#include "tester/testerlink.h"

#include <QComboBox>

namespace {
// The identification probe on the port as set up: true when a supported
// tester answers. A port that no supported tester holds is closed.
bool IdentifyPort(Framing framing)
{
    TComPort *port = TesterLink().port;
    QByteArray reply;
    try {
        reply = FramedExchange(Cmd::Identify, framing);
    } catch (const ExchangeStopped &) {
        // Cancelled: no port more is probed.
        port->Close();
        throw;
    } catch (const std::exception &) {
        // A port that fails is as silent as one without a tester.
    }
    if (reply.size() >= 20 && IsSupportedTester(reply))
        return true;
    // A port kept open for a Bluetooth link that did not come about is closed.
    port->Close();
    return false;
}
} // namespace

void BuildPortList(QStringList &list)
{
    list = PortsOfMode(ReadSerialCommTable(), BluetoothMode);
}

void RefreshPortList()
{
    QStringList found;
    BuildPortList(found);
    const QStringList ports = SortedPortList(found);
    QComboBox *box = TesterLink().portList;
    box->clear();
    box->addItems(ports);
    box->setCurrentIndex(ports.isEmpty() ? -1 : 0);
}

bool FindTester()
{
    RefreshPortList();
    QComboBox *box = TesterLink().portList;
    if (LinkSettings[AutoSearch] != 0) {
        for (int i = 0; i < box->count(); ++i) {
            box->setCurrentIndex(i);
            SetUpPort(SelectedSpeed());
            if (IdentifyPort(Framing::OpenAndClose)) {
                LinkSettings[PortIndex] = box->currentIndex();
                return true;
            }
        }
        return false;
    }
    if (box->currentIndex() < 0)
        return false;
    SelectStoredPort();
    SetUpPort(br9600);
    // A Bluetooth link keeps this port open from here on.
    if (!IdentifyPort(Framing::Probe))
        return false;
    LinkSettings[PortIndex] = box->currentIndex();
    return true;
}
