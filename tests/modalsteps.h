#pragma once
// Acts on modal windows as they come up, in order: each step waits until its
// window is the active modal window and then runs its action inside that
// window's event loop. A window that no step expects is closed after a while,
// so that a test fails instead of hanging.

#include <QApplication>
#include <QList>
#include <QTimer>
#include <functional>

class ModalSteps
{
public:
    ModalSteps()
    {
        FTimer.setInterval(5);
        QObject::connect(&FTimer, &QTimer::timeout, [this] { Poll(); });
        FTimer.start();
    }

    ModalSteps &On(QWidget *window, std::function<void()> action)
    {
        FSteps.append({window, std::move(action)});
        return *this;
    }
    bool Done() const { return FSteps.isEmpty(); }

    // The windows that came up although no step expected them.
    QList<QWidget *> Unexpected;

private:
    struct Step
    {
        QWidget *window;
        std::function<void()> action;
    };

    void Poll()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (FPending)
            return;
        if (!modal) {
            FStrayPolls = 0;
            return;
        }
        if (FSteps.isEmpty() || modal != FSteps.first().window) {
            if (++FStrayPolls > 400) {
                FStrayPolls = 0;
                Unexpected.append(modal);
                modal->close();
            }
            return;
        }
        FStrayPolls = 0;
        // Run outside this timer's slot, so that a modal window the action
        // opens can be answered by this timer too.
        FPending = true;
        QTimer::singleShot(0, modal, [this, action = FSteps.takeFirst().action] {
            FPending = false;
            action();
        });
    }

    QTimer FTimer;
    QList<Step> FSteps;
    int FStrayPolls = 0;
    bool FPending = false;
};
