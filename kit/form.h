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
    // The window is placed where it was last time: each showing moves it
    // fully onto the screen it is on (see kit/screenplace.h).
    void KeepOnScreen() { FKeepOnScreen = true; }

    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    bool FKeepOnScreen = false;
};

// Connects a button's click to handler; exceptions reach the standard display.
// Neither a click nor a timer tick is handled while an exchange runs.
void OnClick(QAbstractButton *button, std::function<void()> handler);
void OnTimer(QTimer *timer, std::function<void()> handler);
