#include "records/workbook/workbookcells.h"

#include "records/data/recordvalues.h"

#include <QDate>

#include <algorithm>

namespace {

constexpr int SecondsADay = 24 * 60 * 60;
// Doubles hold every whole number of up to 15 digits exactly.
constexpr int MaxWholeDigits = 15;

bool AsciiDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

WorkbookCell TextCell(const QString &text)
{
    WorkbookCell cell;
    if (!text.isEmpty()) {
        cell.kind = CellKind::Text;
        cell.text = text;
        cell.shown = int(text.size());
    }
    return cell;
}

WorkbookCell NumberCell(double value, QStringView shownText)
{
    WorkbookCell cell;
    cell.kind = CellKind::Number;
    cell.value = value;
    cell.shown = int(shownText.size());
    return cell;
}

// Leading zeros of a whole number are kept by its format ("00042").
int LeadingZeroDigits(QStringView digits)
{
    return digits.size() > 1 && digits.front() == u'0' ? int(digits.size()) : 1;
}

WorkbookCell TestNumberCell(const QString &text)
{
    const QStringView digits = QStringView(text).trimmed();
    if (digits.isEmpty() || digits.size() > MaxWholeDigits ||
        !std::all_of(digits.begin(), digits.end(), AsciiDigit))
        return TextCell(text);
    WorkbookCell cell = NumberCell(digits.toDouble(), digits);
    cell.intDigits = LeadingZeroDigits(digits);
    cell.decimals = cell.intDigits > 1 ? 0 : -1;
    return cell;
}

// The digits of a plain decimal number ("-0.045", "120", "05.0") as its
// format shows them; anything else (an exponent, no digit before the point)
// as General.
void TakeShape(QStringView number, WorkbookCell &cell)
{
    if (number.startsWith(u'-') || number.startsWith(u'+'))
        number = number.mid(1);
    const qsizetype point = number.indexOf(u'.');
    const QStringView whole = point < 0 ? number : number.left(point);
    const QStringView decimals = point < 0 ? QStringView() : number.mid(point + 1);
    if (whole.isEmpty() || !std::all_of(whole.begin(), whole.end(), AsciiDigit) ||
        !std::all_of(decimals.begin(), decimals.end(), AsciiDigit))
        return;
    cell.intDigits = LeadingZeroDigits(whole);
    cell.decimals = int(decimals.size());
}

void PutReading(const QString &reading, WorkbookCell &value, WorkbookCell &unit)
{
    const ReadingParts parts = SplitReading(reading);
    const std::optional<double> number = ReadingNumber(parts.value);
    if (!number) {
        value = TextCell(reading);
        return;
    }
    const QStringView shown = parts.value.trimmed();
    value = NumberCell(*number, shown);
    TakeShape(shown, value);
    unit = TextCell(parts.unit.trimmed().toString());
}

} // namespace

QStringList WorkbookHeadings()
{
    QStringList headings;
    for (const QString &heading : PlainHeadings())
        headings << heading.trimmed();
    headings.insert(4, QStringLiteral("Unit"));
    return headings;
}

int SerialDay(const QDate &day)
{
    // Day 1 is 1 January 1900, and the spreadsheet counts a 29 February 1900
    // that never was: from 1 March 1900 on, days count from 30 December 1899.
    static const qint64 dayZero = QDate(1899, 12, 30).toJulianDay();
    const qint64 serial = day.toJulianDay() - dayZero;
    return day.isValid() && day >= QDate(1900, 3, 1) ? int(serial) : 0;
}

QString NumberFormat(int decimals, int intDigits)
{
    if (decimals < 0)
        return QString();
    QString format(qMax(intDigits, 1), u'0');
    if (decimals > 0)
        format += u'.' + QString(decimals, u'0');
    return format == QLatin1String("0") ? QString() : format;
}

WorkbookRow WorkbookCells(const GridRow &record)
{
    WorkbookRow row;
    row[0] = TestNumberCell(record.value(0));

    const QString date = record.value(1);
    const int serial = SerialDay(DateOfRecord(date).value_or(QDate()));
    if (serial > 0) {
        row[1].kind = CellKind::Date;
        row[1].value = serial;
        row[1].shown = 11;
    } else {
        row[1] = TextCell(date);
    }

    const QString time = record.value(2);
    if (const std::optional<int> seconds = TimeOfDaySeconds(time)) {
        row[2].kind = CellKind::Time;
        row[2].value = double(*seconds) / SecondsADay;
        row[2].shown = 8;
    } else {
        row[2] = TextCell(time);
    }

    PutReading(record.value(3), row[3], row[4]);
    row[5] = TextCell(record.value(4));
    row[6] = TextCell(record.value(5));
    return row;
}
