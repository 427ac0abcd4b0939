#pragma once
// What every window of the program has in common: a fixed client area, a
// caption, a place set by its opener, a show and a close handler, and
// Escape closing it only from the controls that say so.

#include <QDialog>
#include <functional>
#include <initializer_list>

class QAbstractButton;
class QTimer;

class TForm : public QDialog
{
    Q_OBJECT
public:
    enum class Border { Dialog, DialogWithHelp, Sizeable, None };
    TForm(QWidget *parent, const QString &caption, int clientWidth, int clientHeight,
          Border border = Border::Dialog);

    int Left() const { return pos().x(); }
    int Top() const { return pos().y(); }
    void SetPlace(int left, int top) { move(left, top); }
    int ShowModal();

protected:
    virtual void FormShow() {}
    virtual void FormClose() {}

    // Escape released on one of these controls closes the window.
    void CloseOnEscape(std::initializer_list<QWidget *> controls);

    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
};

// Connects a button's click to handler; exceptions reach the standard display.
// Neither a click nor a timer tick is handled while an exchange runs.
void OnClick(QAbstractButton *button, std::function<void()> handler);
void OnTimer(QTimer *timer, std::function<void()> handler);

// An exchange with the tester runs while one of these lives: no click, key,
// timer tick or close request is handled meanwhile. User input waits until
// the exchange is over, timers fire again afterwards and a closed window
// stays open. Once the exchange has run for CancelOfferMs the operator may
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
// Counted from the first exchange of the action that runs (see ActionScope).
inline constexpr int CancelOfferMs = 2000;

// One action of the operator's (a click, a timer tick, a window shown) runs
// while one of these lives. Its exchanges share one clock for the Cancel
// offer, so a search of many ports, each just under CancelOfferMs, still
// offers it; a question put to the operator (a message box or a modal
// window) starts the clock again at the next exchange.
class ActionScope
{
public:
    ActionScope();
    ~ActionScope();
    ActionScope(const ActionScope &) = delete;
    ActionScope &operator=(const ActionScope &) = delete;
};
void OperatorAsked();

// While one of these lives, a long exchange offers button (hidden until then,
// beside the window's own progress display) instead of the progress box.
class OwnCancelButton
{
public:
    explicit OwnCancelButton(QAbstractButton *button);
    ~OwnCancelButton();
    OwnCancelButton(const OwnCancelButton &) = delete;
    OwnCancelButton &operator=(const OwnCancelButton &) = delete;

private:
    QMetaObject::Connection FClick;
};

// While an exchange waits for the tester: the windows are painted and the
// desktop's liveness check is answered, but nothing else is handled except
// the Cancel offered after CancelOfferMs.
void KeepWindowsAlive();
// The operator has cancelled the exchange that runs.
bool ExchangeCancelled();

// The hourglass over a control while an operation runs.
class HourglassCursor
{
public:
    explicit HourglassCursor(QWidget *control);
    ~HourglassCursor();
    HourglassCursor(const HourglassCursor &) = delete;
    HourglassCursor &operator=(const HourglassCursor &) = delete;

private:
    QWidget *FControl;
};

// What f gives, with the hourglass over control while it runs.
template <class F> auto WithHourglass(QWidget *control, F &&f)
{
    const HourglassCursor hourglass(control);
    return f();
}
