#include "kit/actionscope.h"

namespace {
struct RunningAction
{
    int depth = 0;
    bool exchanged = false;
    QElapsedTimer since;
};
RunningAction g_action;
} // namespace

ActionScope::ActionScope()
{
    if (g_action.depth++ == 0)
        g_action.exchanged = false;
}

ActionScope::~ActionScope()
{
    --g_action.depth;
}

void OperatorAsked()
{
    g_action.exchanged = false;
}

QElapsedTimer ExchangeClock()
{
    if (g_action.depth == 0) {
        QElapsedTimer own;
        own.start();
        return own;
    }
    if (!g_action.exchanged)
        g_action.since.start();
    g_action.exchanged = true;
    return g_action.since;
}
