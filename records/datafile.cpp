#include "records/datafile.h"

#include <algorithm>

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

GridRow ParseRecordLine(const QString &line)
{
    GridRow row(RecordColumns, QString());
    int column = 0;
    int start = 0;
    while (column < RecordColumns) {
        const int comma = line.indexOf(u',', start);
        if (comma < 0)
            break;
        row[column++] = line.mid(start, comma - start);
        start = comma + 1;
    }
    return row;
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
    for (const GridRow &row : gridRows) {
        QString line;
        for (int column = 0; column < RecordColumns; ++column) {
            line += WithoutLineBreaks(row.value(column));
            line += separator;
        }
        lines.append(line);
    }
    return lines;
}

DataFileStatus ParseDataFileLines(const QStringList &lines, DataFileContent *content)
{
    content->deviceInfo.clear();
    content->records.clear();
    if (lines.isEmpty())
        return DataFileStatus::Empty;
    if (lines.size() < 5 || lines[0] != QLatin1String(DataFileMarker))
        return DataFileStatus::Mismatch;
    for (int k = 1; k <= 4; ++k)
        content->deviceInfo.append(lines[k].left(DataFileMaxLine));
    content->records.reserve(std::max(0, int(lines.size()) - FirstRecordLine));
    for (int k = FirstRecordLine; k < lines.size(); ++k)
        content->records.append(ParseRecordLine(lines[k].left(DataFileMaxLine)));
    return DataFileStatus::Ok;
}
