#pragma once
// A workbook (.xlsx) read back the way a spreadsheet program finds it: the
// zip file unzipped (every entry inflated and its CRC checked), every XML
// part read to its end, then the first sheet's cells and the styles' number
// formats read with QXmlStreamReader. No other program is needed, so it
// reads the same on Linux and under Wine.

#include "records/workbook/workbookcheck.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QMap>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

struct SheetCell
{
    QString type;  // the cell's t attribute: "" (a number), "inlineStr", "s", ...
    QString value; // the text of <v>, or of an inline string's <t>
    int style = 0;
};

struct ReadBack
{
    QString error; // empty when the workbook was read
    QMap<QString, QByteArray> parts;
    QHash<QString, SheetCell> cells; // by reference, "A1"
    QStringList styleFormats;        // number format code of each cell style
    QString frozenTopLeft;           // the frozen pane's top-left cell
    QString autoFilter;              // its range, "A6:G9"
    QStringList widths;              // column widths as written

    // "n:40248:dd-mmm-yyyy", "s:PASS" or "" for no cell: a number (to 12
    // digits, "?" and the text when it is none) with its format, or a text.
    QString Shown(const QString &ref) const
    {
        if (!cells.contains(ref))
            return QString();
        const SheetCell &cell = cells[ref];
        if (cell.type == QLatin1String("inlineStr") || cell.type == QLatin1String("str"))
            return QStringLiteral("s:") + cell.value;
        if (cell.type == QLatin1String("s"))
            return QStringLiteral("s:") + SharedString(cell.value.toInt());
        bool isNumber = false;
        const double number = cell.value.toDouble(&isNumber);
        return QStringLiteral("n:%1:%2").arg(isNumber ? QString::number(number, 'g', 12)
                                                      : QStringLiteral("?") + cell.value,
                                             styleFormats.value(cell.style));
    }
    QStringList sharedStrings;
    QString SharedString(int index) const { return sharedStrings.value(index); }
};

namespace workbookreader {
inline void ReadSheet(const QByteArray &xml, ReadBack &book)
{
    QXmlStreamReader reader(xml);
    QString ref;
    while (!reader.atEnd()) {
        if (reader.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = reader.attributes();
        const QStringView name = reader.name();
        if (name == QLatin1String("c")) {
            ref = a.value(QLatin1String("r")).toString();
            SheetCell &cell = book.cells[ref];
            cell.type = a.value(QLatin1String("t")).toString();
            cell.style = a.value(QLatin1String("s")).toInt();
        } else if (name == QLatin1String("v") || name == QLatin1String("t")) {
            book.cells[ref].value = reader.readElementText();
        } else if (name == QLatin1String("pane") &&
                   a.value(QLatin1String("state")) == QLatin1String("frozen")) {
            book.frozenTopLeft = a.value(QLatin1String("topLeftCell")).toString();
        } else if (name == QLatin1String("autoFilter")) {
            book.autoFilter = a.value(QLatin1String("ref")).toString();
        } else if (name == QLatin1String("col")) {
            book.widths << a.value(QLatin1String("width")).toString();
        }
    }
    if (reader.hasError())
        book.error = QStringLiteral("sheet XML: ") + reader.errorString();
}

inline void ReadStyles(const QByteArray &xml, ReadBack &book)
{
    QXmlStreamReader reader(xml);
    QHash<int, QString> formats{{0, QStringLiteral("General")}};
    bool inCellStyles = false;
    while (!reader.atEnd()) {
        const QXmlStreamReader::TokenType token = reader.readNext();
        if (token == QXmlStreamReader::EndElement && reader.name() == QLatin1String("cellXfs"))
            inCellStyles = false;
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes a = reader.attributes();
        if (reader.name() == QLatin1String("numFmt"))
            formats.insert(a.value(QLatin1String("numFmtId")).toInt(),
                           a.value(QLatin1String("formatCode")).toString());
        else if (reader.name() == QLatin1String("cellXfs"))
            inCellStyles = true;
        else if (inCellStyles && reader.name() == QLatin1String("xf"))
            book.styleFormats << formats.value(a.value(QLatin1String("numFmtId")).toInt());
    }
    if (reader.hasError())
        book.error = QStringLiteral("styles XML: ") + reader.errorString();
}

inline void ReadSharedStrings(const QByteArray &xml, ReadBack &book)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        if (reader.readNext() == QXmlStreamReader::StartElement &&
            reader.name() == QLatin1String("t"))
            book.sharedStrings << reader.readElementText();
    }
}

// Every XML part reads to its end without an error.
inline void CheckParts(ReadBack &book)
{
    for (auto part = book.parts.cbegin(); part != book.parts.cend() && book.error.isEmpty();
         ++part) {
        QXmlStreamReader reader(part.value());
        while (!reader.atEnd())
            reader.readNext();
        if (reader.hasError())
            book.error = part.key() + QStringLiteral(": ") + reader.errorString();
    }
}

} // namespace workbookreader

inline ReadBack ReadWorkbook(const QString &path)
{
    ReadBack book;
    const bool unzipped = ReadZipEntries(
        path,
        [&book](const QString &name, QByteArrayView piece) { book.parts[name].append(piece); },
        &book.error);
    if (!unzipped)
        return book;
    const QString sheet = QStringLiteral("xl/worksheets/sheet1.xml");
    const QString styles = QStringLiteral("xl/styles.xml");
    if (!book.parts.contains(sheet) || !book.parts.contains(styles)) {
        book.error = QStringLiteral("no sheet or no styles");
        return book;
    }
    workbookreader::CheckParts(book);
    workbookreader::ReadSharedStrings(book.parts.value(QStringLiteral("xl/sharedStrings.xml")),
                                      book);
    workbookreader::ReadStyles(book.parts[styles], book);
    workbookreader::ReadSheet(book.parts[sheet], book);
    return book;
}
