#pragma once
// One action of the operator's: a click, a timer tick, a window being shown.
// The exchanges it runs share one clock for the Cancel offer (see
// exchangebusy.h), so a search of many ports, each just under
// CancelOfferMs, still offers it; a question put to the operator in between
// (a message box, a modal window, a file or print dialog) starts the clock
// again at the next exchange.

#include <QElapsedTimer>

class ActionScope
{
public:
    ActionScope();
    ~ActionScope();
    ActionScope(const ActionScope &) = delete;
    ActionScope &operator=(const ActionScope &) = delete;
};

// The operator has just answered a question.
void OperatorAsked();

// The clock a new exchange counts its Cancel offer on: its action's, started
// at the action's first exchange, or a clock of its own outside an action.
QElapsedTimer ExchangeClock();
