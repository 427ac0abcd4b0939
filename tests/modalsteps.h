#pragma once
// Acts on modal windows as they come up, in order: each step waits until its
// window is the active modal window, then runs inside that window's loop. A
// window no step expects is closed after two seconds, so a test never hangs.

#include <QApplication>
#include <QTimer>
#include <functional>

class ModalSteps
{
public:
    ModalSteps()
    {
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
        FTimer.start(5);
    }
    void On(QWidget *window, std::function<void()> action) { FSteps.append({window, action}); }
    bool Done() const { return FSteps.isEmpty() && Unexpected == 0; }
    int Unexpected = 0;

private:
    void Poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (FPending || !modal)
            return;
        if (FSteps.isEmpty() || modal != FSteps.first().first) {
            if (++FStray % 400 == 0) {
                ++Unexpected;
                modal->close();
            }
            return;
        }
        // Outside this slot, so that a window the action opens is answered too.
        FPending = true;
        QTimer::singleShot(0, modal, [this, action = FSteps.takeFirst().second] {
            FPending = false;
            action();
        });
    }
    QTimer FTimer;
    QList<std::pair<QWidget *, std::function<void()>>> FSteps;
    int FStray = 0;
    bool FPending = false;
};
