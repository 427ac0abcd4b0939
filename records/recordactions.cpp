#include "records/recordactions.h"

#include "app/filelines.h"
#include "app/mainstate.h"
#include "app/messagebox.h"
#include "app/printdialog.h"
#include "app/texts.h"
#include "records/datafile.h"
#include "records/printlayout.h"
#include "records/recordstate.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>

bool WriteRecordFile(QWidget *owner, const FileDialogRequest &dialog, const GridRows &gridRows,
                     QChar separator)
{
    FileDialogRequest request = dialog;
    request.owner = owner;
    const QString path = ExecuteFileDialog(request);
    if (path.isEmpty())
        return false;
    if (QFileInfo::exists(path) &&
        ApplicationMessageBox(QString::fromLatin1(MsgOverSaving), QString::fromLatin1(CapWarning),
                              MsgButtons::OkCancel) != mrOk)
        return false;
    FileLines = BuildRecordFileLines(DeviceInfoLines, gridRows, separator);
    QString error;
    if (SaveLinesAtomically(path, FileLines, &error))
        return true;
    ApplicationMessageBox(QStringLiteral("Cannot save ") + error, QString::fromLatin1(CapFailure));
    return false;
}

QString RecoveryFilePath(const QString &dir, const QDateTime &when)
{
    return QDir(dir).filePath(when.toString(QStringLiteral("'Kestrune-'yyyyMMdd-hhmmss'.DAT'")));
}

QString SaveRecoveryFile(const QString &dir, const QDateTime &when, const GridRows &gridRows,
                         QString *error)
{
    const QString path = RecoveryFilePath(dir, when);
    FileLines = BuildRecordFileLines(DeviceInfoLines, gridRows, QLatin1Char(','));
    return SaveLinesAtomically(path, FileLines, error) ? path : QString();
}

void PrintResultRecords(QWidget *owner, const GridRows &gridRows)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!ExecutePrintDialog(printer, owner))
        return;
    const PrintJob job =
        ResultsPrintLayout(printer.width(), printer.height(), DeviceInfoLines, gridRows);
    QPainter painter;
    if (!painter.begin(&printer)) {
        ApplicationMessageBox(QStringLiteral("The printer cannot be used."),
                              QString::fromLatin1(CapFailure));
        return;
    }
    // The layout puts a text's top-left corner at its point.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSize(8);
    painter.setFont(QFont(font, &printer));
    const int ascent = painter.fontMetrics().ascent();
    for (int page = 0; page < job.size(); ++page) {
        if (page > 0)
            printer.newPage();
        for (const PrintItem &item : job[page])
            painter.drawText(item.x, item.y + ascent, item.text);
    }
    painter.end();
}
