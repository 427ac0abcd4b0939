#include "records/data/datafile.h"

#include <QLocale>

#include <algorithm>
#include <array>

namespace {

constexpr int DeviceBlockLines = 9;
constexpr int FirstRecordLine = 11;

// A line break inside a text would split its line when the file is read
// back and shift every line after it, so line breaks are left out.
QString WithoutLineBreaks(const QString &text)
{
    if (!text.contains(u'\r') && !text.contains(u'\n'))
        return text;
    QString kept = text;
    kept.remove(u'\r');
    kept.remove(u'\n');
    return kept;
}

// Equal cells share one copy of their text: dates, readings, results and
// sampling types repeat from record to record, test numbers do not. Each
// column remembers its last few distinct texts; a text is made only when it
// is none of them.
class CellPool
{
public:
    template <class View> QString Shared(int column, View text)
    {
        if (column == 0)
            return text.toString();
        std::array<QString, Remembered> &recent = FRecent[column];
        for (const QString &known : recent)
            if (known == text)
                return known;
        QString made = text.toString();
        recent[FNext[column]++ % Remembered] = made;
        return made;
    }

private:
    static constexpr int Remembered = 16;
    std::array<std::array<QString, Remembered>, RecordColumns> FRecent;
    std::array<unsigned, RecordColumns> FNext{};
};

// line: QStringView or QLatin1StringView.
template <class View> GridRow ParseRecordLine(View line, CellPool &pool)
{
    GridRow row(RecordColumns, QString());
    int column = 0;
    qsizetype start = 0;
    while (column < RecordColumns) {
        const qsizetype comma = line.indexOf(QLatin1Char(','), start);
        if (comma < 0)
            break;
        row[column] = pool.Shared(column, line.mid(start, comma - start));
        ++column;
        start = comma + 1;
    }
    return row;
}

// forEachLine(visit) hands the lineCount lines of a file to visit, as views,
// until visit returns false.
template <class ForEachLine>
DataFileStatus ParseLines(qsizetype lineCount, ForEachLine forEachLine, DataFileContent *content)
{
    content->deviceInfo.clear();
    content->records.clear();
    if (lineCount == 0)
        return DataFileStatus::Empty;
    if (lineCount < 5)
        return DataFileStatus::Mismatch;
    bool marked = false;
    qsizetype k = 0;
    CellPool pool;
    forEachLine([&](auto line) {
        const auto kept = line.left(DataFileMaxLine);
        if (k == 0) {
            marked = line == QLatin1StringView(DataFileMarker);
            if (marked)
                content->records.reserve(std::max<qsizetype>(0, lineCount - FirstRecordLine));
        } else if (k <= 4) {
            content->deviceInfo.append(kept.toString());
        } else if (k >= FirstRecordLine) {
            content->records.append(ParseRecordLine(kept, pool));
        }
        ++k;
        return marked;
    });
    return marked ? DataFileStatus::Ok : DataFileStatus::Mismatch;
}

} // namespace

QStringList BuildRecordFileLines(const QStringList &deviceInfo, const GridRows &gridRows,
                                 QChar separator)
{
    QStringList lines;
    lines.reserve(1 + std::max(int(deviceInfo.size()), DeviceBlockLines) + int(gridRows.size()));
    lines.append(QLatin1String(DataFileMarker));
    for (const QString &line : deviceInfo)
        lines.append(WithoutLineBreaks(line));
    for (int block = int(deviceInfo.size()); block < DeviceBlockLines; ++block)
        lines.append(QString());
    for (const GridRow &row : gridRows)
        lines.append(RecordFileLine(row, separator));
    return lines;
}

QString RecordFileLine(const GridRow &row, QChar separator)
{
    QString line;
    for (int column = 0; column < RecordColumns; ++column) {
        line += WithoutLineBreaks(row.value(column));
        line += separator;
    }
    return line;
}

DataFileStatus ParseDataFileLines(const QStringList &lines, DataFileContent *content)
{
    auto forEachLine = [&lines](auto &&visit) {
        for (const QString &line : lines)
            if (!visit(QStringView(line)))
                return;
    };
    return ParseLines(lines.size(), forEachLine, content);
}

DataFileStatus LoadDataFile(const QString &path, DataFileContent *content, QString *error)
{
    content->deviceInfo.clear();
    content->records.clear();
    QByteArray bytes;
    if (!ReadFileBytes(path, DataFileMaxBytes, bytes, error))
        return DataFileStatus::Refused;
    const qsizetype lineCount = CountLines(bytes);
    if (lineCount - FirstRecordLine > DataFileMaxRecords) {
        if (error)
            *error = FileError(
                path, QStringLiteral("more than %1 records")
                          .arg(QLocale(QLocale::English).toString(qlonglong(DataFileMaxRecords))));
        return DataFileStatus::Refused;
    }
    auto forEachLine = [&bytes](auto &&visit) { ForEachLine(bytes, visit); };
    return ParseLines(lineCount, forEachLine, content);
}

std::optional<qint64> CountDataFileRecords(const QString &path)
{
    QByteArray bytes;
    if (!ReadFileBytes(path, DataFileMaxBytes, bytes, nullptr))
        return std::nullopt;
    return std::max<qint64>(0, CountLines(bytes) - FirstRecordLine);
}
