#pragma once
// The open and save dialogs of the program go through here, so that a test
// can see each request and answer it.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// OpenMany: several existing files at once.
enum class FileDialogKind { Open, Save, OpenMany };

struct FileDialogRequest
{
    FileDialogKind kind = FileDialogKind::Open;
    QString defaultExt; // appended when the chosen name has no extension
    QString filter;     // "description|pattern", as the windows give it
    QWidget *owner = nullptr;
};

// Returns the chosen path, or an empty text when cancelled; for OpenMany the
// chosen paths one a line.
using FileDialogHandler = std::function<QString(const FileDialogRequest &)>;
void SetFileDialogHandler(FileDialogHandler handler);

// Shows the dialog (or asks the handler) and gives the chosen path with the
// default extension added where the name has none; empty when cancelled. A
// save dialog of several filters gives such a name the extension of the
// filter chosen instead, so the extension tells which one it was.
QString ExecuteFileDialog(const FileDialogRequest &request);

// Shows an OpenMany dialog (or asks the handler): the chosen paths, none
// when cancelled.
QStringList ExecuteOpenFilesDialog(const FileDialogRequest &request);

// "a|*.x|b|*.y" as a Qt name filter list.
QString QtNameFilter(const QString &filter);
