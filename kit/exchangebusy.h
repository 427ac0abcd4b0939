#pragma once
// While the program waits for the tester: what the windows still do, and the
// Cancel the operator is offered once the wait grows long.

class QAbstractButton;

// An exchange with the tester runs while one of these lives: no click, key,
// timer tick or close request is handled meanwhile. User input waits until
// the exchange is over, timers fire again afterwards and a closed window
// stays open. Once the exchanges of the operator's action have run for
// CancelOfferMs (see actionscope.h) the operator may
// cancel it: the progress box (or the window's own Cancel button) appears,
// and its Cancel or Escape cancels the exchange; other input is dropped from
// then on.
class ExchangeBusy
{
public:
    ExchangeBusy();
    ~ExchangeBusy();
    ExchangeBusy(const ExchangeBusy &) = delete;
    ExchangeBusy &operator=(const ExchangeBusy &) = delete;
};
bool ExchangeRunning();
inline constexpr int CancelOfferMs = 2000;

// While an exchange waits for the tester: the windows are painted and the
// desktop's liveness check is answered, but nothing else is handled except
// the Cancel offered after CancelOfferMs.
void KeepWindowsAlive();
// The operator has cancelled the exchange that runs.
bool ExchangeCancelled();

// The operator cancels the exchange that runs.
void CancelExchange();
// The window's own button that offers the Cancel of a long exchange instead
// of the progress box (none when null). It is shown when the Cancel is
// offered and hidden when the exchange ends.
void SetOwnCancelButton(QAbstractButton *button);
