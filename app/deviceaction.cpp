#include "app/deviceaction.h"

#include "app/Main.h"
#include "app/mainstate.h"
#include "device/Setup.h"
#include "kit/form.h"
#include "kit/messagebox.h"
#include "kit/texts.h"

#include <QComboBox>
#include <optional>

bool TesterLinked(PortRefusal refusal)
{
    if (FormSetup->ComboBox1->currentIndex() >= 0 && Connected == 1)
        return true;
    if (refusal == PortRefusal::Application)
        ApplicationMessageBox(QString::fromLatin1(MsgFailToOpenPort),
                              QString::fromLatin1(CapFailure));
    else
        SystemMessageBox(QString::fromLatin1(MsgFailedToOpenPort), QString::fromLatin1(CapFailure));
    return false;
}

namespace {
// What comes before every exchange: the hourglass and the progress display,
// both held until the exchange ends, and the link preparation.
class ExchangeSetup
{
public:
    explicit ExchangeSetup(const ExchangeOptions &options) : FProgress(options.progress)
    {
        if (options.busyControl)
            FHourglass.emplace(options.busyControl);
        if (options.prepareLink)
            FormMain->PrepareLink();
    }

private:
    std::optional<HourglassCursor> FHourglass;
    ExchangeProgress FProgress;
};
} // namespace

QByteArray ExchangeWithTester(const QByteArray &command, const ExchangeOptions &options)
{
    const ExchangeSetup setup(options);
    return FormMain->GuardedExchange(command, options.repeatWhileEmpty);
}

QByteArray ExchangeOnce(const QByteArray &command, const ExchangeOptions &options)
{
    const ExchangeSetup setup(options);
    TComPort *port = FormMain->ComPort1;
    const bool usb = BluetoothMode == 0;
    QByteArray reply;
    try {
        if (usb)
            port->Open();
        FormMain->RS232Write(command, reply);
        if (usb)
            port->Close();
    } catch (...) {
        if (usb)
            port->Close();
        throw;
    }
    return reply;
}

bool AskTester(PortRefusal refusal, const QByteArray &command, QByteArray &reply,
               const ExchangeOptions &options)
{
    if (!TesterLinked(refusal))
        return false;
    reply = ExchangeWithTester(command, options);
    return true;
}
