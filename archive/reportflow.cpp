#include "archive/reportflow.h"

#include <algorithm>
#include <cmath>
#include <iterator>

using namespace ReportStyle;

namespace {

const QColor HeadingFill(0xE6, 0xEB, 0xF0);
const QColor Stripe(0xF4, 0xF6, 0xF8);

// Cell texts keep this far from the cell's edges.
constexpr double Padding = 45;

// Each font's size in tenths of a point and weight, in ReportFont's order:
// Body, Bold, Small, Table, TableBold, Heading, Title, Figure, Mono.
struct FontSpec
{
    int size;
    bool bold;
};
constexpr FontSpec FontSpecs[] = {{90, false}, {90, true},  {72, false}, {82, false}, {82, true},
                                  {120, true}, {190, true}, {150, true}, {80, false}};
static_assert(std::size(FontSpecs) == size_t(ReportFont::Mono) + 1, "a size for every font");

QFont FontOf(ReportFont font)
{
    QFont f(font == ReportFont::Mono ? QStringLiteral("DejaVu Sans Mono")
                                     : QStringLiteral("DejaVu Sans"));
    // Unhinted, the advances are the font's own on every device; unshaped,
    // no ligature ("fi") hides a word from a search in the document.
    f.setHintingPreference(QFont::PreferNoHinting);
    f.setStyleStrategy(QFont::PreferNoShaping);
    f.setPixelSize(FontSpecs[size_t(font)].size);
    f.setBold(FontSpecs[size_t(font)].bold);
    return f;
}

} // namespace

ReportFonts::ReportFonts()
{
    for (int f = 0; f <= int(ReportFont::Mono); ++f) {
        FFonts.push_back(FontOf(ReportFont(f)));
        FMetrics.emplace_back(FFonts.back());
    }
}

ReportFlow::ReportFlow(const QSizeF &paper, const ReportFonts &f)
    : left(MarginSide), right(paper.width() - MarginSide), top(MarginTop),
      bottom(paper.height() - MarginBottom), y(MarginTop), fonts(f)
{
    pages.append(ReportPageItems());
}

void ReportFlow::NewPage()
{
    pages.append(ReportPageItems());
    y = top;
}

void ReportFlow::Need(double height)
{
    if (y + height > bottom && y > top)
        NewPage();
}

void ReportFlow::Text(ReportFont font, const QRectF &rect, int flags, const QString &text,
                      const QColor &colour)
{
    Add({ReportItem::Kind::Text, rect, font, flags, colour, text});
}

void ReportFlow::Box(const QRectF &rect, const QColor &colour)
{
    Add({ReportItem::Kind::Box, rect, ReportFont::Body, 0, colour, QString()});
}

void ReportFlow::Paragraph(ReportFont font, const QString &text, const QColor &colour)
{
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    const double height =
        fonts.Metrics(font).boundingRect(QRectF(0, 0, Width(), 1e6), flags, text).height();
    Need(height);
    Text(font, QRectF(left, y, Width(), height), flags, text, colour);
    y += height;
}

void ReportFlow::Section(const QString &title, double keep)
{
    const double line = Line(ReportFont::Heading);
    if (y > top)
        y += SectionSpace;
    Need(line + 80 + keep);
    Text(ReportFont::Heading, QRectF(left, y, Width(), line), Qt::AlignLeft | Qt::AlignVCenter,
         title);
    y += line + 10;
    Box(QRectF(left, y, Width(), 6), Rule);
    y += 70;
}

void ReportFlow::Pair(const QString &name, const QString &value, ReportFont font)
{
    constexpr double nameWidth = 1400;
    const int flags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;
    const QRectF room(0, 0, Width() - nameWidth, 1e6);
    const double height = std::max(Line(ReportFont::Body),
                                   fonts.Metrics(font).boundingRect(room, flags, value).height());
    Need(height);
    Text(ReportFont::Bold, QRectF(left, y, nameWidth, height),
         Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, name, Muted);
    Text(font, QRectF(left + nameWidth, y, Width() - nameWidth, height), flags, value);
    y += height + 25;
}

void ReportFlow::FigureStrip(const QVector<std::pair<QString, QString>> &figures, double height)
{
    Need(height);
    const double gap = 80;
    const double width = (Width() - gap * double(figures.size() - 1)) / double(figures.size());
    const double label = Line(ReportFont::Small);
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    // Counts of millions side by side take a smaller figure.
    ReportFont figure = ReportFont::Figure;
    for (const auto &f : figures)
        if (fonts.Metrics(ReportFont::Figure).horizontalAdvance(f.second) > width - 110)
            figure = ReportFont::Heading;
    for (int i = 0; i < figures.size(); ++i) {
        const QRectF box(left + i * (width + gap), y, width, height);
        Box(box, Stripe);
        Box(QRectF(box.left(), box.top(), 10, box.height()), Ink);
        const QRectF inner = box.adjusted(70, 40, -40, -40);
        Text(ReportFont::Small, QRectF(inner.left(), inner.top(), inner.width(), label), flags,
             figures[i].first, Muted);
        Text(figure,
             QRectF(inner.left(), inner.top() + label, inner.width(), inner.height() - label),
             flags, figures[i].second);
    }
    y += height;
}

ReportTable::ReportTable(ReportFlow &flow, QVector<ReportColumn> columns)
    : FFlow(flow), FColumns(std::move(columns)),
      FRow(std::round(flow.Line(ReportFont::Table) * 1.4))
{
    double x = flow.left;
    for (const ReportColumn &c : FColumns) {
        FLeft.append(x);
        x += c.share * flow.Width();
    }
    FLeft.append(flow.right);
}

void ReportTable::Headings()
{
    FFlow.Need(2 * FRow);
    const QRectF row(FFlow.left, FFlow.y, FFlow.Width(), FRow);
    FFlow.Box(row, HeadingFill);
    for (int c = 0; c < FColumns.size(); ++c)
        FFlow.Text(ReportFont::TableBold, Cell(row, c).adjusted(Padding, 0, -Padding, 0),
                   FColumns[c].align | Qt::AlignVCenter | Qt::TextSingleLine, FColumns[c].heading);
    FFlow.y += FRow;
    FRows = 0;
}

QRectF ReportTable::Row(const QStringList &cells, const QVector<QColor> &colours)
{
    if (FFlow.y + FRow > FFlow.bottom) {
        FFlow.NewPage();
        Headings();
    }
    const QRectF row(FFlow.left, FFlow.y, FFlow.Width(), FRow);
    if (FRows % 2 == 1)
        FFlow.Box(row, Stripe);
    const QFontMetricsF &fm = FFlow.fonts.Metrics(ReportFont::Table);
    for (int c = 0; c < FColumns.size(); ++c) {
        const QRectF cell = Cell(row, c).adjusted(Padding, 0, -Padding, 0);
        const QString &text = cells.value(c);
        if (text.isEmpty())
            continue;
        FFlow.Text(ReportFont::Table, cell,
                   FColumns[c].align | Qt::AlignVCenter | Qt::TextSingleLine,
                   fm.horizontalAdvance(text) > cell.width()
                       ? fm.elidedText(text, Qt::ElideRight, cell.width())
                       : text,
                   colours.value(c, Ink));
    }
    FFlow.y += FRow;
    ++FRows;
    return row;
}

QRectF ReportTable::Cell(const QRectF &row, int c) const
{
    return QRectF(FLeft[c], row.top(), FLeft[c + 1] - FLeft[c], row.height());
}

void ReportTable::End()
{
    FFlow.Box(QRectF(FFlow.left, FFlow.y, FFlow.Width(), 5), Rule);
    FFlow.y += 5;
}
