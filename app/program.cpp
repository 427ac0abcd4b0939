// Program start: one instance only, the application title, all windows, the
// message loop.

#include "app/Main.h"
#include "app/filesizesignal.h"
#include "app/instanceguard.h"
#include "app/windows.h"
#include "archive/store/archiveworker.h"
#include "base/processend.h"
#include "kit/messagebox.h"

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
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

// With KESTRUNE_MESSAGES=stderr the message boxes are not shown: each one is
// written to standard error as a line of caption, tab and text, and answered
// with its safe choice (Cancel where it offers one, else OK). So a test can
// run the program itself and read what it says.
void MessagesToStandardError()
{
    if (qEnvironmentVariable("KESTRUNE_MESSAGES") != QLatin1String("stderr"))
        return;
    SetMessageHandler([](const MessageRequest &request) {
        QString text = request.text;
        text.replace(QLatin1Char('\n'), QLatin1String("\\n"));
        std::fprintf(stderr, "%s\t%s\n", qUtf8Printable(request.caption), qUtf8Printable(text));
        std::fflush(stderr);
        return request.buttons == MsgButtons::OkCancel ? int(mrCancel) : int(mrOk);
    });
}
} // namespace

namespace {
int Run(int argc, char **argv)
{
    InstanceGuard guard(QString::fromLatin1(InstanceGuardName));
    if (!guard.Acquired())
        return 0;
    TApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(ApplicationTitle));
    QApplication::setQuitOnLastWindowClosed(false);
    QApplication::setDesktopFileName(QStringLiteral("org.kestrune.Kestrune"));
    MessagesToStandardError();
    CreateForms();
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/64x64/kestrune.png")));
    QObject::connect(FormMain, &TFormMain::Closed, &application, &QApplication::quit,
                     Qt::QueuedConnection);
    FormMain->show();
    const int result = application.exec();
    DestroyForms();
    // A thread still waits on a silent server: the program ends without it.
    if (ArchiveWorker::ThreadsGivenUp() > 0) {
        std::fflush(nullptr);
        std::_Exit(result);
    }
    return result;
}
} // namespace

int main(int argc, char **argv)
{
    IgnoreFileSizeSignal();
    // The windows, the archive and the instance guard are closed by now.
    return EndProcess(Run(argc, argv));
}
