#include "kit/filedialogs.h"

#include "kit/actionscope.h"

#include <QFileDialog>
#include <QFileInfo>

namespace {
FileDialogHandler g_handler;

// The extension of a Qt name filter's first pattern: "xlsx" of
// "Excel workbook (*.xlsx) (*.xlsx *.XLSX)"; empty when it has none.
QString FilterSuffix(const QString &nameFilter)
{
    const qsizetype open = nameFilter.lastIndexOf(u'(');
    const qsizetype close = nameFilter.lastIndexOf(u')');
    if (open < 0 || close < open)
        return QString();
    const QString first =
        nameFilter.mid(open + 1, close - open - 1).split(u' ', Qt::SkipEmptyParts).value(0);
    const QString suffix = first.startsWith(QLatin1String("*.")) ? first.mid(2) : QString();
    return suffix.contains(u'*') || suffix.contains(u'?') ? QString() : suffix;
}

QStringList RealDialog(const FileDialogRequest &request)
{
    QFileDialog dialog(request.owner);
    dialog.setNameFilter(QtNameFilter(request.filter));
    dialog.setDefaultSuffix(request.defaultExt);
    const bool saving = request.kind == FileDialogKind::Save;
    if (saving) {
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The windows ask their own overwrite question.
        dialog.setOption(QFileDialog::DontConfirmOverwrite);
        // A name without extension gets the chosen filter's, so that the
        // name tells which of several formats was chosen.
        QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
                         [&dialog](const QString &filter) {
                             const QString suffix = FilterSuffix(filter);
                             if (!suffix.isEmpty())
                                 dialog.setDefaultSuffix(suffix);
                         });
    } else {
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(request.kind == FileDialogKind::OpenMany ? QFileDialog::ExistingFiles
                                                                    : QFileDialog::ExistingFile);
    }
    const int answer = dialog.exec();
    OperatorAsked();
    if (answer != QDialog::Accepted)
        return {};
    QStringList chosen = dialog.selectedFiles();
    // A system's own dialog may leave the extension to the program.
    const QString suffix = FilterSuffix(dialog.selectedNameFilter());
    if (saving && !chosen.isEmpty() && QFileInfo(chosen[0]).suffix().isEmpty() && !suffix.isEmpty())
        chosen[0] += u'.' + suffix;
    return chosen;
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
