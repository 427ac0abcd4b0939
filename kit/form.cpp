#include "kit/form.h"

#include "kit/messagebox.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QTimer>

#include <utility>

namespace {

int g_exchanges = 0;

// Holds back what must not happen in the middle of an exchange. A timer whose
// tick is held back fires again at its next interval; the windows' own update
// timers pass, they paint.
class HoldBack : public QObject
{
public:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Timer:
            return !watched->isWindowType();
        case QEvent::Close:
            event->ignore();
            return true;
        default:
            return false;
        }
    }
};

} // namespace

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
    if (!event->spontaneous())
        RunGuarded([this] { FormShow(); });
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
        if (!ExchangeRunning())
            RunGuarded(handler);
    });
}

void OnTimer(QTimer *timer, std::function<void()> handler)
{
    QObject::connect(timer, &QTimer::timeout, timer, [handler = std::move(handler)] {
        if (!ExchangeRunning())
            RunGuarded(handler);
    });
}

ExchangeBusy::ExchangeBusy()
{
    ++g_exchanges;
}

ExchangeBusy::~ExchangeBusy()
{
    --g_exchanges;
}

bool ExchangeRunning()
{
    return g_exchanges > 0;
}

void KeepWindowsAlive()
{
    QCoreApplication *application = QCoreApplication::instance();
    if (!application)
        return;
    HoldBack holdBack;
    application->installEventFilter(&holdBack);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

HourglassCursor::HourglassCursor(QWidget *control) : FControl(control)
{
    FControl->setCursor(Qt::WaitCursor);
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

HourglassCursor::~HourglassCursor()
{
    QApplication::restoreOverrideCursor();
    FControl->unsetCursor();
}
