// Program start: one instance only, the application title, all windows, the
// message loop.

#include "app/Main.h"
#include "app/instanceguard.h"
#include "app/windows.h"
#include "kit/messagebox.h"

#include <QApplication>
#include <QIcon>
#include <exception>

namespace {
// Anything that escapes an event handler is shown by the standard display.
class TApplication : public QApplication
{
public:
    using QApplication::QApplication;
    bool notify(QObject *receiver, QEvent *event) override
    {
        bool handled = false;
        RunGuarded([&] { handled = QApplication::notify(receiver, event); });
        return handled;
    }
};
} // namespace

int main(int argc, char **argv)
{
    InstanceGuard guard(QString::fromLatin1(InstanceGuardName));
    if (!guard.Acquired())
        return 0;
    TApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setDesktopFileName(QStringLiteral("org.kestrune.Kestrune"));
    CreateForms();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/64x64/kestrune.png")));
    QObject::connect(FormMain, &TFormMain::Closed, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    FormMain->show();
    const int result = application.exec();
    DestroyForms();
    return result;
}
