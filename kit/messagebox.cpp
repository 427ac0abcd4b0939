#include "kit/messagebox.h"

#include "kit/actionscope.h"
#include "kit/screenplace.h"

#include <QApplication>
#include <QCursor>
#include <QList>
#include <QMessageBox>
#include <QPointer>
#include <QScopeGuard>
#include <QShowEvent>
#include <exception>

namespace {
MessageHandler g_handler;
QPointer<QWidget> g_owner;

// A box comes up centred over the window that raised it (the modal window
// in front, else the active one), whichever window owns it, and on that
// window's screen.
class TPlacedMessageBox : public QMessageBox
{
public:
    using QMessageBox::QMessageBox;
    QPointer<QWidget> Over;

protected:
    void showEvent(QShowEvent *event) override
    {
        // Sized by now, and not yet shown by the window system.
        QMessageBox::showEvent(event);
        if (event->spontaneous() || !Over || !Over->isVisible())
            return;
        QRect frame(QPoint(), size().grownBy(FrameMargins(this)));
        frame.moveCenter(Over->frameGeometry().center());
        move(PlaceInside(frame, WorkAreaOf(Over)));
    }
};

QWidget *RaisingWindow()
{
    if (QWidget *modal = QApplication::activeModalWidget())
        return modal;
    return QApplication::activeWindow();
}

int Show(const MessageRequest &request)
{
    // A box is answered with the normal cursor, also when it comes up in the
    // middle of an operation that shows the hourglass; the hourglass comes
    // back after it.
    QList<QCursor> held;
    while (const QCursor *cursor = QGuiApplication::overrideCursor()) {
        held.prepend(*cursor);
        QGuiApplication::restoreOverrideCursor();
    }
    const auto restore = qScopeGuard([&held] {
        for (const QCursor &cursor : held)
            QGuiApplication::setOverrideCursor(cursor);
        OperatorAsked();
    });
    if (g_handler)
        return g_handler(request);
    QWidget *parent = request.owner == MsgOwner::Application ? g_owner.data() : nullptr;
    TPlacedMessageBox box(request.icon == MsgIcon::Stop ? QMessageBox::Critical
                                                        : QMessageBox::NoIcon,
                          request.caption, request.text, QMessageBox::NoButton, parent);
    box.Over = RaisingWindow();
    // Texts from a tester, a file or the system are shown as they are, never
    // taken for markup.
    box.setTextFormat(Qt::PlainText);
    box.addButton(QMessageBox::Ok);
    if (request.buttons == MsgButtons::OkCancel)
        box.addButton(QMessageBox::Cancel);
    return box.exec() == QMessageBox::Ok ? mrOk : mrCancel;
}
} // namespace

void SetMessageHandler(MessageHandler handler)
{
    g_handler = std::move(handler);
}

void SetMessageOwner(QWidget *owner)
{
    g_owner = owner;
}

int ApplicationMessageBox(const QString &text, const QString &caption, MsgButtons buttons)
{
    return Show({MsgOwner::Application, text, caption, buttons, MsgIcon::None});
}

int SystemMessageBox(const QString &text, const QString &caption, MsgButtons buttons)
{
    return Show({MsgOwner::None, text, caption, buttons, MsgIcon::None});
}

void ShowException(const QString &message)
{
    QString text = message;
    if (!text.isEmpty() && text.back() > QLatin1Char('.'))
        text += QLatin1Char('.');
    Show({MsgOwner::Application, text, QString::fromLatin1(ApplicationTitle), MsgButtons::Ok,
          MsgIcon::Stop});
}

void RunGuarded(const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const std::exception &e) {
        // Also the serial port's errors: their what() is the text of their
        // Message(), all ASCII, so it reads the same in any code page.
        ShowException(QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowException(QString());
    }
}
