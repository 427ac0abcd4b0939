#include "tester/deviceaction.h"

#include "kit/hourglasscursor.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "tester/mainstate.h"
#include "tester/testerlink.h"

#include <utility>

ExchangeOptions ExchangeOptions::WithoutLinkPreparation() const
{
    ExchangeOptions options = *this;
    options.prepareLink = false;
    return options;
}

ExchangeOptions ExchangeOptions::RepeatingWhileEmpty() const
{
    ExchangeOptions options = *this;
    options.repeatWhileEmpty = true;
    return options;
}

ExchangeOptions ExchangeOptions::WithHourglassOn(QWidget *control) const
{
    ExchangeOptions options = *this;
    options.busyControl = control;
    return options;
}

ExchangeOptions ExchangeOptions::WithProgress(ReplyProgress show) const
{
    ExchangeOptions options = *this;
    options.progress = std::move(show);
    return options;
}

bool TesterLinked(PortRefusal refusal)
{
    if (PortSelected() && Connected == 1)
        return true;
    if (refusal == PortRefusal::Application)
        ApplicationMessageBox(QString::fromLatin1(MsgFailToOpenPort),
                              QString::fromLatin1(CapFailure));
    else
        SystemMessageBox(QString::fromLatin1(MsgFailedToOpenPort), QString::fromLatin1(CapFailure));
    return false;
}

namespace {
// What comes before every exchange: the hourglass, held until the exchange
// ends, and the link preparation.
class ExchangeSetup
{
public:
    explicit ExchangeSetup(const ExchangeOptions &options)
    {
        if (options.busyControl)
            FHourglass.emplace(options.busyControl);
        if (options.prepareLink)
            PrepareLink();
    }

private:
    std::optional<HourglassCursor> FHourglass;
};
} // namespace

QByteArray ExchangeWithTester(const QByteArray &command, const ExchangeOptions &options)
{
    const ExchangeSetup setup(options);
    return GuardedExchange(command, options.repeatWhileEmpty, Framing::Usb, nullptr,
                           options.progress);
}

QByteArray ExchangeOnce(const QByteArray &command, const ExchangeOptions &options)
{
    const ExchangeSetup setup(options);
    try {
        return FramedExchange(command, Framing::Usb, options.progress);
    } catch (const ExchangeStopped &) {
        // Cancelled by the operator: as if the tester had stopped answering.
        return QByteArray();
    }
}

std::optional<QByteArray> AskTester(PortRefusal refusal, const QByteArray &command,
                                    const ExchangeOptions &options)
{
    if (!TesterLinked(refusal))
        return std::nullopt;
    return ExchangeWithTester(command, options);
}
