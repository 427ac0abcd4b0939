#include "kit/exchangebusy.h"

#include "kit/actionscope.h"
#include "kit/messagebox.h"
#include "kit/texts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

namespace {

int g_exchanges = 0;

// The exchange that runs: since when, whether the operator was offered the
// Cancel and took it, and what shows the Cancel.
struct RunningExchange
{
    QElapsedTimer since;
    bool offered = false;
    bool cancelled = false;
    QPointer<QAbstractButton> ownCancel;
    QPointer<QWidget> box;
};
RunningExchange g_exchange;

bool IsUserInput(QEvent::Type type)
{
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::NonClientAreaMouseButtonPress:
    case QEvent::NonClientAreaMouseButtonRelease:
    case QEvent::NonClientAreaMouseButtonDblClick:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
    case QEvent::ContextMenu:
    case QEvent::InputMethod:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
    case QEvent::TouchEnd:
    case QEvent::TouchCancel:
    case QEvent::TabletPress:
    case QEvent::TabletMove:
    case QEvent::TabletRelease:
        return true;
    default:
        return false;
    }
}

bool IsEscape(const QEvent *event, QEvent::Type type)
{
    return event->type() == type && static_cast<const QKeyEvent *>(event)->key() == Qt::Key_Escape;
}

// The control that cancels the running exchange, or one inside the box.
bool IsCancelControl(QObject *watched)
{
    auto *widget = qobject_cast<QWidget *>(watched);
    if (!widget)
        return false;
    if (widget == g_exchange.ownCancel)
        return true;
    return g_exchange.box && (widget == g_exchange.box || g_exchange.box->isAncestorOf(widget));
}

// After Escape has cancelled an exchange, its key release (which mostly comes
// when the exchange is over) closes no window.
class EscapeReleaseEater : public QObject
{
public:
    using QObject::QObject;
    bool eventFilter(QObject *, QEvent *event) override
    {
        const bool release = IsEscape(event, QEvent::KeyRelease);
        if (release || IsEscape(event, QEvent::KeyPress)) {
            QCoreApplication::instance()->removeEventFilter(this);
            deleteLater();
        }
        return release;
    }
};

// Holds back what must not happen in the middle of an exchange. A timer whose
// tick is held back fires again at its next interval; the windows' own update
// timers pass, they paint. Once the Cancel is offered, user input is let
// through to the Cancel only (a window passes its input on to the control
// under the mouse or with the focus, which is judged then), and Escape
// anywhere cancels.
class HoldBack : public QObject
{
public:
    explicit HoldBack(bool cancellable) : FCancellable(cancellable) {}

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::Timer:
            return !watched->isWindowType();
        case QEvent::Close:
            event->ignore();
            return true;
        default:
            break;
        }
        if (!FCancellable || !IsUserInput(event->type()))
            return false;
        if (IsEscape(event, QEvent::KeyPress)) {
            CancelExchange();
            QCoreApplication *application = QCoreApplication::instance();
            application->installEventFilter(new EscapeReleaseEater(application));
            return true;
        }
        return !watched->isWindowType() && !IsCancelControl(watched);
    }

private:
    bool FCancellable;
};

// The small box that offers the Cancel of a long exchange.
class ProgressBox : public QWidget
{
public:
    explicit ProgressBox(QWidget *over)
        : QWidget(over, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    {
        setObjectName(QStringLiteral("ExchangeProgressBox"));
        setWindowTitle(QString::fromLatin1(ApplicationTitle));
        setFixedSize(260, 100);
        auto *label = new QLabel(QString::fromLatin1(MsgWaitingForTester), this);
        label->setGeometry(12, 10, 236, 18);
        auto *bar = new QProgressBar(this);
        bar->setGeometry(12, 34, 236, 18);
        bar->setRange(0, 0);
        bar->setTextVisible(false);
        auto *cancel = new QPushButton(QString::fromLatin1(CapCancel), this);
        cancel->setGeometry(92, 62, 76, 28);
        QObject::connect(cancel, &QPushButton::clicked, cancel, &CancelExchange);
        const QRect area =
            over ? over->frameGeometry() : QGuiApplication::primaryScreen()->availableGeometry();
        move(area.center() - rect().center());
    }
};

void OfferCancel()
{
    g_exchange.offered = true;
    if (g_exchange.ownCancel) {
        g_exchange.ownCancel->show();
        return;
    }
    // Over the modal dialog that runs, if any: a box outside it would be
    // blocked by it.
    QWidget *over = QApplication::activeModalWidget();
    g_exchange.box = new ProgressBox(over ? over : QApplication::activeWindow());
    g_exchange.box->show();
}

} // namespace

ExchangeBusy::ExchangeBusy()
{
    if (g_exchanges++ > 0)
        return;
    g_exchange.since = ExchangeClock();
    g_exchange.offered = false;
    g_exchange.cancelled = false;
}

ExchangeBusy::~ExchangeBusy()
{
    if (--g_exchanges > 0)
        return;
    if (g_exchange.ownCancel)
        g_exchange.ownCancel->hide();
    delete g_exchange.box;
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
    if (ExchangeRunning() && !g_exchange.offered && g_exchange.since.elapsed() >= CancelOfferMs)
        OfferCancel();
    HoldBack holdBack(g_exchange.offered);
    application->installEventFilter(&holdBack);
    QCoreApplication::processEvents(g_exchange.offered ? QEventLoop::AllEvents
                                                       : QEventLoop::ExcludeUserInputEvents);
}

bool ExchangeCancelled()
{
    return ExchangeRunning() && g_exchange.cancelled;
}

void CancelExchange()
{
    g_exchange.cancelled = true;
}

void SetOwnCancelButton(QAbstractButton *button)
{
    g_exchange.ownCancel = button;
}
