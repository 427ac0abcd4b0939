#include "records/workbook/recordworkbook.h"

#include "base/filelines.h"
#include "base/filesync.h"
#include "records/workbook/clibrary.h"
#include "records/workbook/workbookcells.h"
#include "records/workbook/workbookcheck.h"

#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QRandomGenerator>

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace {

constexpr int NarrowestColumn = 8;
constexpr int WidestColumn = 60;
// Room for the autofilter's button beside a heading.
constexpr int FilterButtonWidth = 3;

QString SystemReason(int code)
{
    return QString::fromLocal8Bit(std::strerror(code != 0 ? code : EIO));
}

// Lower-case letters picked at random.
QString RandomLetters(int count)
{
    QString letters;
    for (int i = 0; i < count; ++i)
        letters += QChar(u'a' + QRandomGenerator::global()->bounded(26));
    return letters;
}

// A new empty file beside a path, removed again unless it is released.
class FileBeside
{
public:
    FileBeside() = default;
    FileBeside(const FileBeside &) = delete;
    FileBeside &operator=(const FileBeside &) = delete;
    ~FileBeside()
    {
        if (!FPath.isEmpty())
            QFile::remove(FPath);
    }

    // Made as a new file at path would be (the user's default permissions),
    // or with the permissions of the file at path when there is one.
    bool Create(const QString &path, QString *reason)
    {
        for (int attempt = 0; attempt < 100; ++attempt) {
            const QString candidate = path + u'.' + RandomLetters(6);
            QFile file(candidate);
            if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
                FPath = candidate;
                if (QFileInfo::exists(path))
                    file.setPermissions(QFile::permissions(path));
                return true;
            }
            if (!QFileInfo::exists(candidate)) {
                *reason = file.errorString();
                return false;
            }
        }
        *reason = QStringLiteral("no free name for a temporary file");
        return false;
    }

    const QString &Path() const { return FPath; }
    // The file is no longer ours to remove (renamed into place).
    void Release() { FPath.clear(); }

private:
    QString FPath;
};

// A failed write into a stream of the C library: its reason, or nothing.
std::optional<int> StreamFailure(FILE *stream)
{
    if (!stream || !std::ferror(stream))
        return std::nullopt;
    return errno;
}

} // namespace

struct RecordWorkbook::Writer
{
    QString path;
    FileBeside temporary;
    CNumbersLocale numbers;
    lxw_workbook *book = nullptr;
    lxw_worksheet *sheet = nullptr;
    lxw_format *heading = nullptr;
    lxw_format *date = nullptr;
    lxw_format *time = nullptr;
    QHash<QString, lxw_format *> numberFormats;
    lxw_row_t headingRow = 0;
    lxw_row_t nextRow = 0;
    std::array<int, WorkbookColumns> widths{};
    qint64 records = 0;
    QString failure; // why the workbook cannot go on

    ~Writer()
    {
        if (!book)
            return;
        // Freeing the workbook leaves the rows' temporary file open.
        if (sheet && sheet->optimize_tmpfile) {
            std::fclose(sheet->optimize_tmpfile);
            if (sheet->file == sheet->optimize_tmpfile)
                sheet->file = nullptr;
            sheet->optimize_tmpfile = nullptr;
        }
        const CNumbersLocale::Scope scope(numbers);
        lxw_workbook_free(book);
    }

    bool Fail(const QString &reason)
    {
        if (failure.isEmpty())
            failure = reason;
        return false;
    }
    bool Check(lxw_error error)
    {
        return error == LXW_NO_ERROR || Fail(QString::fromLatin1(lxw_strerror(error)));
    }
    // The rows go to a temporary file of the C library, which keeps a
    // refused write (a full disk) to itself: looked at after every row.
    bool SheetWritten()
    {
        if (const std::optional<int> code = StreamFailure(sheet->optimize_tmpfile))
            return Fail(SystemReason(*code));
        return true;
    }

    lxw_format *Format(const char *numberFormat)
    {
        lxw_format *format = workbook_add_format(book);
        format_set_num_format(format, numberFormat);
        return format;
    }
    lxw_format *NumberFormatOf(const WorkbookCell &cell)
    {
        const QString text = NumberFormat(cell.decimals, cell.intDigits);
        if (text.isEmpty())
            return nullptr;
        lxw_format *&format = numberFormats[text];
        if (!format)
            format = Format(text.toLatin1().constData());
        return format;
    }

    bool WriteText(lxw_row_t row, int column, const QString &text, lxw_format *format = nullptr)
    {
        return Check(worksheet_write_string(sheet, row, lxw_col_t(column),
                                            text.toUtf8().constData(), format));
    }
    bool WriteCell(lxw_row_t row, int column, const WorkbookCell &cell)
    {
        switch (cell.kind) {
        case CellKind::Empty:
            return true;
        case CellKind::Text:
            return WriteText(row, column, cell.text);
        case CellKind::Number:
            return Check(worksheet_write_number(sheet, row, lxw_col_t(column), cell.value,
                                                NumberFormatOf(cell)));
        case CellKind::Date:
            return Check(worksheet_write_number(sheet, row, lxw_col_t(column), cell.value, date));
        case CellKind::Time:
            return Check(worksheet_write_number(sheet, row, lxw_col_t(column), cell.value, time));
        }
        return true;
    }

    bool Start(const QStringList &headerLines)
    {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        // Its own temporary files go beside the workbook too, where its
        // space is, not into a /tmp that may be small or held in memory.
        const QByteArray folder = CFileName(QFileInfo(path).absolutePath());
        const QByteArray fileName = CFileName(temporary.Path());
        if (folder.isEmpty() || fileName.isEmpty())
            return Fail(QStringLiteral("the name cannot be given to the workbook writer"));
        options.tmpdir = const_cast<char *>(folder.constData());
        book = workbook_new_opt(fileName.constData(), &options);
        if (!book)
            return Fail(SystemReason(errno));
        sheet = workbook_add_worksheet(book, "Records");
        if (!sheet)
            return Fail(SystemReason(errno));
        heading = workbook_add_format(book);
        format_set_bold(heading);
        date = Format("dd-mmm-yyyy");
        time = Format("hh:mm:ss");

        headingRow = headerLines.isEmpty() ? 0 : lxw_row_t(headerLines.size() + 1);
        if (headingRow >= WorkbookMaxRows)
            return Fail(TooManyRows());
        for (int line = 0; line < headerLines.size(); ++line) {
            if (!headerLines[line].isEmpty() && !WriteText(lxw_row_t(line), 0, headerLines[line]))
                return false;
        }
        const QStringList headings = WorkbookHeadings();
        for (int column = 0; column < WorkbookColumns; ++column) {
            widths[column] = int(headings[column].size()) + FilterButtonWidth;
            if (!WriteText(headingRow, column, headings[column], heading))
                return false;
        }
        worksheet_freeze_panes(sheet, headingRow + 1, 0);
        nextRow = headingRow + 1;
        return SheetWritten();
    }

    static QString TooManyRows()
    {
        return QStringLiteral("more records than a worksheet holds (%1 rows)")
            .arg(QLocale(QLocale::English).toString(WorkbookMaxRows));
    }

    bool Add(const GridRow &record)
    {
        if (nextRow >= WorkbookMaxRows)
            return Fail(TooManyRows());
        const WorkbookRow cells = WorkbookCells(record);
        for (int column = 0; column < WorkbookColumns; ++column) {
            if (!WriteCell(nextRow, column, cells[column]))
                return false;
            widths[column] = std::max(widths[column], cells[column].shown + 2);
        }
        ++nextRow;
        ++records;
        return SheetWritten();
    }

    // Everything libxlsxwriter writes at the end, then the file itself.
    bool Complete()
    {
        for (int column = 0; column < WorkbookColumns; ++column) {
            const int width = std::clamp(widths[column], NarrowestColumn, WidestColumn);
            if (!Check(worksheet_set_column(sheet, lxw_col_t(column), lxw_col_t(column), width,
                                            nullptr)))
                return false;
        }
        if (!Check(worksheet_autofilter(sheet, headingRow, 0, nextRow - 1, WorkbookColumns - 1)))
            return false;
        if (sheet->optimize_tmpfile && std::fflush(sheet->optimize_tmpfile) != 0)
            return Fail(SystemReason(errno));
        if (!SheetWritten())
            return false;
        errno = 0;
        const lxw_error closed = workbook_close(book);
        const int code = errno;
        book = nullptr;
        if (closed != LXW_NO_ERROR) {
            return Fail(code != 0 ? SystemReason(code) : QString::fromLatin1(lxw_strerror(closed)));
        }
        return true;
    }

    // Read back whole, through to the disk, then in place of the old file.
    bool PutInPlace()
    {
        const QString damage = WorkbookDamage(temporary.Path());
        if (!damage.isEmpty())
            return Fail(QStringLiteral("the workbook was not written whole (%1)").arg(damage));
        QFile written(temporary.Path());
        if (!written.open(QIODevice::WriteOnly | QIODevice::Append))
            return Fail(written.errorString());
        errno = 0;
        if (!SyncFileToDisk(written.handle()))
            return Fail(SystemReason(errno));
        written.close();
        QString reason;
        if (!RenameOver(temporary.Path(), path, &reason))
            return Fail(reason);
        temporary.Release();
        return true;
    }
};

RecordWorkbook::RecordWorkbook() = default;

RecordWorkbook::~RecordWorkbook() = default;

bool RecordWorkbook::Open(const QString &path, const QStringList &headerLines, QString *error)
{
    d = std::make_unique<Writer>();
    d->path = path;
    QString reason;
    if (!d->temporary.Create(path, &reason)) {
        d->Fail(reason);
    } else {
        const CNumbersLocale::Scope scope(d->numbers);
        d->Start(headerLines);
    }
    if (d->failure.isEmpty())
        return true;
    if (error)
        *error = FileError(path, d->failure);
    d.reset();
    return false;
}

bool RecordWorkbook::AddRecord(const GridRow &record)
{
    if (!d || !d->failure.isEmpty())
        return false;
    const CNumbersLocale::Scope scope(d->numbers);
    return d->Add(record);
}

bool RecordWorkbook::Finish(QString *error)
{
    if (!d) {
        if (error)
            *error = QStringLiteral("no workbook is open");
        return false;
    }
    bool done = d->failure.isEmpty();
    if (done) {
        const CNumbersLocale::Scope scope(d->numbers);
        done = d->Complete() && d->PutInPlace();
    }
    if (!done && error)
        *error = FileError(d->path, d->failure);
    d.reset();
    return done;
}

qint64 RecordWorkbook::RecordsAdded() const
{
    return d ? d->records : 0;
}

bool WriteRecordWorkbook(const QString &path, const QStringList &headerLines,
                         const GridRows &gridRows, QString *error)
{
    RecordWorkbook workbook;
    if (!workbook.Open(path, headerLines, error))
        return false;
    for (qsizetype row = 1; row < gridRows.size(); ++row) {
        if (!workbook.AddRecord(gridRows[row]))
            break;
    }
    return workbook.Finish(error);
}

bool IsWorkbookPath(const QString &path)
{
    return path.endsWith(QLatin1String(".xlsx"), Qt::CaseInsensitive);
}
