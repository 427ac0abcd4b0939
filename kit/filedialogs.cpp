#include "kit/filedialogs.h"

#include "kit/actionscope.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {
FileDialogHandler g_handler;

QStringList RealDialog(const FileDialogRequest &request)
{
    QFileDialog dialog(request.owner);
    dialog.setNameFilter(QtNameFilter(request.filter));
    dialog.setDefaultSuffix(request.defaultExt);
    if (request.kind == FileDialogKind::Save) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The windows ask their own overwrite question.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.kind == FileDialogKind::OpenMany ? QFileDialog::ExistingFiles
                                                                    : QFileDialog::ExistingFile);
    }
    const int chosen = dialog.exec();
    OperatorAsked();
    if (chosen != QDialog::Accepted)
        return {};
    return dialog.selectedFiles();
}
} // namespace

void SetFileDialogHandler(FileDialogHandler handler)
{
    g_handler = std::move(handler);
}

QString QtNameFilter(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        // Patterns match regardless of case, as on the system the files come from.
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (const QString &p : QStringList(patterns)) {
            for (const QString &variant : {p.toLower(), p.toUpper()})
                if (!patterns.contains(variant))
                    patterns << variant;
        }
        filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) +
                       QLatin1Char(')');
    }
    return filters.join(QStringLiteral(";;"));
}

QString ExecuteFileDialog(const FileDialogRequest &request)
{
    QString path = g_handler ? g_handler(request) : RealDialog(request).value(0);
    if (path.isEmpty())
        return path;
    if (!request.defaultExt.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QLatin1Char('.') + request.defaultExt;
    return path;
}

QStringList ExecuteOpenFilesDialog(const FileDialogRequest &request)
{
    if (!g_handler)
        return RealDialog(request);
    return g_handler(request).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}
