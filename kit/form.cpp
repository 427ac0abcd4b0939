#include "kit/form.h"

#include "kit/actionscope.h"
#include "kit/exchangebusy.h"
#include "kit/messagebox.h"
#include "kit/screenplace.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QTimer>

#include <utility>

TForm::TForm(QWidget *parent, const QString &caption, int clientWidth, int clientHeight,
             Border border)
    : QDialog(parent)
{
    Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                            Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
    switch (border) {
    case Border::Dialog:
        break;
    case Border::DialogWithHelp:
        flags |= Qt::WindowContextHelpButtonHint;
        break;
    case Border::Sizeable:
        flags = Qt::Window;
        break;
    case Border::None:
        flags = Qt::Dialog | Qt::FramelessWindowHint;
        break;
    }
    setWindowFlags(flags);
    setWindowTitle(caption);
    if (border == Border::Sizeable)
        resize(clientWidth, clientHeight);
    else
        setFixedSize(clientWidth, clientHeight);
}

void TForm::CloseOnEscape(std::initializer_list<QWidget *> controls)
{
    for (QWidget *w : controls)
        w->installEventFilter(this);
}

void TForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous()) {
        // Still before the window system shows it: it comes up in its place.
        if (FKeepOnScreen)
            MoveOntoScreen(this);
        const ActionScope action;
        RunGuarded([this] { FormShow(); });
    }
}

int TForm::ShowModal()
{
    const int result = exec();
    OperatorAsked();
    return result;
}

void TForm::hideEvent(QHideEvent *event)
{
    QDialog::hideEvent(event);
    if (!event->spontaneous())
        RunGuarded([this] { FormClose(); });
}

void TForm::keyPressEvent(QKeyEvent *event)
{
    // Escape closes a window only through the controls that ask for it.
    if (event->key() == Qt::Key_Escape) {
        event->ignore();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool TForm::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyRelease &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        close();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void OnClick(QAbstractButton *button, std::function<void()> handler)
{
    QObject::connect(button, &QAbstractButton::clicked, button, [handler = std::move(handler)] {
        if (ExchangeRunning())
            return;
        const ActionScope action;
        RunGuarded(handler);
    });
}

void OnTimer(QTimer *timer, std::function<void()> handler)
{
    QObject::connect(timer, &QTimer::timeout, timer, [handler = std::move(handler)] {
        if (ExchangeRunning())
            return;
        const ActionScope action;
        RunGuarded(handler);
    });
}
