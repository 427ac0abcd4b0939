#pragma once
// How a window talks to the tester. Every device action runs the same steps:
// a guard, the link preparation, the guarded exchange, and then the window's
// own reading of the reply and its message. The first three live here.

#include "link/exchange.h"

#include <QByteArray>
#include <optional>

class QWidget;

// Which box refuses an action when no tester is linked: the application's
// box with "Fail to open port (USB)!!!", or the plain system box with
// "Failed to open port (USB)!!!".
enum class PortRefusal { Application, System };

// Built by name: ExchangeOptions().WithHourglassOn(BitBtn1).RepeatingWhileEmpty().
struct ExchangeOptions
{
    // Select the stored port and set its time-outs and speed first.
    bool prepareLink = true;
    // Go on with the ten attempts while the reply is empty.
    bool repeatWhileEmpty = false;
    // The control that shows the hourglass while the exchange runs.
    QWidget *busyControl = nullptr;
    // Told of the reply collected so far while the exchange runs.
    ReplyProgress progress = nullptr;

    ExchangeOptions WithoutLinkPreparation() const;
    ExchangeOptions RepeatingWhileEmpty() const;
    ExchangeOptions WithHourglassOn(QWidget *control) const;
    ExchangeOptions WithProgress(ReplyProgress show) const;
};

// A port is selected in the port list and a tester is linked. Otherwise the
// refusal is shown and false returned.
bool TesterLinked(PortRefusal refusal);

// The link preparation (unless switched off) and the guarded exchange of
// command; the reply is empty when all ten attempts failed.
QByteArray ExchangeWithTester(const QByteArray &command, const ExchangeOptions &options = {});

// The link preparation (unless switched off) and one single exchange, for an
// action whose port errors go on to the error box: a port error closes the
// port in USB mode and is passed on. A cancelled exchange gives an empty reply.
QByteArray ExchangeOnce(const QByteArray &command, const ExchangeOptions &options = {});

// The guard, then the exchange: the reply, or none when the guard refused
// (nothing was sent then).
std::optional<QByteArray> AskTester(PortRefusal refusal, const QByteArray &command,
                                    const ExchangeOptions &options = {});
