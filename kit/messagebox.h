#pragma once
// Every message box of the program goes through here, so that a test can see
// each text, caption and owner kind and answer it.

#include <QString>
#include <functional>

class QWidget;

enum class MsgOwner {
    Application, // the application's message box, owned by the main window
    None         // the plain system message box, owned by no window
};
enum class MsgButtons { Ok, OkCancel };
enum class MsgIcon { None, Stop };
enum MsgResult { mrOk = 1, mrCancel = 2 };

struct MessageRequest
{
    MsgOwner owner = MsgOwner::Application;
    QString text;
    QString caption;
    MsgButtons buttons = MsgButtons::Ok;
    MsgIcon icon = MsgIcon::None;
};

using MessageHandler = std::function<int(const MessageRequest &)>;
// Replaces the real boxes; an empty handler brings them back.
void SetMessageHandler(MessageHandler handler);
// The window that owns the application's message boxes (the main window).
void SetMessageOwner(QWidget *owner);

int ApplicationMessageBox(const QString &text, const QString &caption,
                          MsgButtons buttons = MsgButtons::Ok);
int SystemMessageBox(const QString &text, const QString &caption,
                     MsgButtons buttons = MsgButtons::Ok);

inline const char ApplicationTitle[] = "Dunmaris";
// The application's standard exception display: stop icon, OK, the
// application title as caption, a full stop appended when the last
// character sorts after ".".
void ShowException(const QString &message);

// Runs handler; an exception that escapes it is shown by ShowException.
void RunGuarded(const std::function<void()> &handler);
