#include "records/recordactions.h"

#include "base/filelines.h"
#include "kit/form.h"
#include "kit/hourglasscursor.h"
#include "kit/messagebox.h"
#include "kit/printdialog.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "records/data/datafile.h"
#include "records/data/printlayout.h"
#include "records/data/recordstate.h"
#include "records/stringgrid.h"
#include "records/workbook/recordworkbook.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPrinter>
#include <QToolButton>

QToolButton *RecordToolButton(QWidget *bar, int left, int top, int width, const char *glyph,
                              const char *word)
{
    return PictureButton(bar, {left, top, width, 66}, {97, 62}, glyph, word);
}

TStringGrid *RecordGrid(QWidget *parent, const QRect &place, int rows,
                        std::function<void(int col, int row)> mouseUp)
{
    auto *grid = new TStringGrid(parent);
    grid->setGeometry(place);
    QFont gridFont(QStringLiteral("Tahoma"));
    gridFont.setPixelSize(11);
    grid->setFont(gridFont);
    grid->SetRowCount(rows);
    grid->OnMouseUp = [mouseUp = std::move(mouseUp)](int col, int row) {
        RunGuarded([&] { mouseUp(col, row); });
    };
    return grid;
}

FileDialogRequest DataFileSaveDialog(QWidget *owner)
{
    return {FileDialogKind::Save, QStringLiteral("DAT"),
            QStringLiteral("Kestrune data File (*.dat)|*.dat"), owner};
}

FileDialogRequest ExportDialog(QWidget *owner)
{
    return {FileDialogKind::Save, QStringLiteral("xls"),
            QStringLiteral("Microsft Excel (.xls)|*.xls"), owner};
}

namespace {
const char WorkbookFilter[] = "Excel workbook (*.xlsx)|*.xlsx";
} // namespace

FileDialogRequest SpreadsheetExportDialog(QWidget *owner)
{
    FileDialogRequest request = ExportDialog(owner);
    request.filter += QLatin1Char('|') + QLatin1String(WorkbookFilter);
    return request;
}

FileDialogRequest WorkbookExportDialog(QWidget *owner)
{
    FileDialogRequest request = ExportDialog(owner);
    request.defaultExt = QStringLiteral("xlsx");
    request.filter = QLatin1String(WorkbookFilter) + QLatin1Char('|') + request.filter;
    return request;
}

namespace {
int Box(MsgOwner boxes, const QString &text, const char *caption, MsgButtons buttons)
{
    const QString title = QString::fromLatin1(caption);
    return boxes == MsgOwner::None ? SystemMessageBox(text, title, buttons)
                                   : ApplicationMessageBox(text, title, buttons);
}

bool SaveRecordLines(const QString &path, const QStringList &lines, MsgOwner boxes)
{
    QString error;
    return SaveLinesAtomically(path, lines, &error) || RecordFileNotSaved(boxes, error);
}
} // namespace

bool RecordFileNotSaved(MsgOwner boxes, const QString &error)
{
    Box(boxes, QStringLiteral("Cannot save ") + error, CapFailure, MsgButtons::Ok);
    return false;
}

QString AskSavePath(QWidget *owner, const FileDialogRequest &dialog, MsgOwner boxes)
{
    FileDialogRequest request = dialog;
    request.owner = owner;
    const QString path = ExecuteFileDialog(request);
    if (path.isEmpty())
        return path;
    if (QFileInfo::exists(path) &&
        Box(boxes, QString::fromLatin1(MsgOverSaving), CapWarning, MsgButtons::OkCancel) != mrOk)
        return QString();
    return path;
}

bool WriteRecordFile(QWidget *owner, const FileDialogRequest &dialog, const GridRows &gridRows,
                     QChar separator, MsgOwner boxes, const QStringList &deviceInfo)
{
    const QString path = AskSavePath(owner, dialog, boxes);
    if (path.isEmpty())
        return false;
    // Built for this file only: the lines are not kept once it is written.
    return SaveRecordLines(path, BuildRecordFileLines(deviceInfo, gridRows, separator), boxes);
}

bool ExportRecordFile(QWidget *owner, const FileDialogRequest &dialog, const GridRows &gridRows,
                      MsgOwner boxes, const QStringList &deviceInfo)
{
    const QString path = AskSavePath(owner, dialog, boxes);
    if (path.isEmpty())
        return false;
    if (!IsWorkbookPath(path))
        return SaveRecordLines(path, BuildRecordFileLines(deviceInfo, gridRows, u'\t'), boxes);
    // A million records take seconds.
    const HourglassCursor hourglass(owner);
    QString error;
    return WriteRecordWorkbook(path, deviceInfo, gridRows, &error) ||
           RecordFileNotSaved(boxes, error);
}

QString RecoveryFilePath(const QString &dir, const QDateTime &when)
{
    return QDir(dir).filePath(when.toString(QStringLiteral("'Kestrune-'yyyyMMdd-hhmmss'.DAT'")));
}

QString SaveRecoveryFile(const QString &dir, const QDateTime &when, const GridRows &gridRows,
                         QString *error)
{
    const QString path = RecoveryFilePath(dir, when);
    const QStringList lines = BuildRecordFileLines(DeviceInfoLines, gridRows, QLatin1Char(','));
    return SaveLinesAtomically(path, lines, error) ? path : QString();
}

namespace {
bool BeginPrinting(QPainter &painter, QPrinter &printer)
{
    if (painter.begin(&printer)) {
        // The layouts put a text's top-left corner at its point.
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(8);
        painter.setFont(QFont(font, &printer));
        return true;
    }
    ApplicationMessageBox(QString::fromLatin1(MsgPrinterUnusable), QString::fromLatin1(CapFailure));
    return false;
}

void PrintPages(QPainter &painter, QPrinter &printer, const PrintJob &job)
{
    const int ascent = painter.fontMetrics().ascent();
    for (int page = 0; page < job.size(); ++page) {
        if (page > 0)
            printer.newPage();
        for (const PrintItem &item : job[page])
            painter.drawText(item.x, item.y + ascent, item.text);
    }
}
} // namespace

void PrintResultRecords(QWidget *owner, const GridRows &gridRows, const QStringList &deviceInfo)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!ExecutePrintDialog(printer, owner))
        return;
    const PrintJob job =
        ResultsPrintLayout(printer.width(), printer.height(), deviceInfo, gridRows);
    QPainter painter;
    if (!BeginPrinting(painter, printer))
        return;
    PrintPages(painter, printer, job);
    painter.end();
}

void PrintSearchRecords(QWidget *owner, const GridRows &gridRows)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!ExecutePrintDialog(printer, owner))
        return;
    // Lines are 7.5 font heights apart. The height is that of the 8-point
    // font as the tester's printouts have always measured it, 11 pixels at
    // 600 dpi, scaled to this printer: 80 lines to an A4 page.
    const int fontHeight = -qRound(11.0 * printer.resolution() / 600);
    QVector<PrintJob> jobs =
        SearchPrintLayout(printer.width(), printer.height(), fontHeight, DeviceInfoLines, gridRows);
    DropEmptyLastJob(jobs);
    for (const PrintJob &job : jobs) {
        QPainter painter;
        if (!BeginPrinting(painter, printer))
            return;
        PrintPages(painter, printer, job);
        painter.end();
    }
}

void PrintArchiveRecords(QWidget *owner, const QStringList &header, const GridRows &gridRows,
                         const QVector<int> &columns)
{
    QPrinter printer(QPrinter::HighResolution);
    if (!ExecutePrintDialog(printer, owner))
        return;
    const PrintJob job =
        ArchivePrintLayout(printer.width(), printer.height(), header, gridRows, columns);
    QPainter painter;
    if (!BeginPrinting(painter, printer))
        return;
    PrintPages(painter, printer, job);
    painter.end();
}
