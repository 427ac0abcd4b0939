#pragma once
// How the report's pages fill: text, paragraphs and tables flow down a page
// and on to the next one, tables repeating their headings. Measures are in
// tenths of a point; only the report's pages use this.

#include "archive/reportpainter.h"

#include <QFont>
#include <QFontMetricsF>

#include <vector>

namespace ReportStyle {
inline const QColor Ink(0x24, 0x31, 0x40);
inline const QColor Muted(0x5A, 0x6B, 0x7D);
inline const QColor Rule(0xB8, 0xC2, 0xCC);

inline constexpr double MarginSide = 510;   // 18 mm
inline constexpr double MarginTop = 560;    // the running header stands in it
inline constexpr double MarginBottom = 650; // and the footer in this
inline constexpr double Gap = 60;
inline constexpr double SectionSpace = 220; // above a section's heading
} // namespace ReportStyle

// The report's fonts, DejaVu Sans in sizes set in tenths of a point, so
// that they measure the same on every paper and printer.
class ReportFonts
{
public:
    ReportFonts();
    const QFont &Font(ReportFont font) const { return FFonts[size_t(font)]; }
    const QFontMetricsF &Metrics(ReportFont font) const { return FMetrics[size_t(font)]; }

private:
    std::vector<QFont> FFonts;
    std::vector<QFontMetricsF> FMetrics;
};

class ReportFlow
{
public:
    ReportFlow(const QSizeF &paper, const ReportFonts &fonts);

    QVector<ReportPageItems> pages;
    double left, right, top, bottom;
    double y; // where the next thing goes

    const ReportFonts &fonts;
    double Width() const { return right - left; }
    double Line(ReportFont font) const { return fonts.Metrics(font).height(); }

    void NewPage();
    // Room for height below y: on a new page when this one has too little
    // (a page that holds nothing yet takes anything).
    void Need(double height);

    void Add(const ReportItem &item) { pages.last().append(item); }
    void Text(ReportFont font, const QRectF &rect, int flags, const QString &text,
              const QColor &colour = ReportStyle::Ink);
    void Box(const QRectF &rect, const QColor &colour);
    // Text across the width from y, wrapped at blanks; y moves below it.
    void Paragraph(ReportFont font, const QString &text, const QColor &colour = ReportStyle::Ink);
    // A section's heading with a rule under it, kept on one page with the
    // first keep of what follows.
    void Section(const QString &title, double keep);
    // What a section's heading takes at the most.
    double SectionHeight() const
    {
        return ReportStyle::SectionSpace + Line(ReportFont::Heading) + 80;
    }
    // A name and its value, wrapped beside it.
    void Pair(const QString &name, const QString &value, ReportFont font = ReportFont::Body);
    // Figures side by side in boxes, each its name over its value.
    void FigureStrip(const QVector<std::pair<QString, QString>> &figures, double height);
};

struct ReportColumn
{
    QString heading;
    double share; // of the width
    Qt::Alignment align;
};

// A table across the flow's width; a row that does not fit goes on the
// next page under the headings again.
class ReportTable
{
public:
    ReportTable(ReportFlow &flow, QVector<ReportColumn> columns);

    double RowHeight() const { return FRow; }
    void Headings();
    // A row of cells (too long ones cut short with "..."); returns where it
    // stands.
    QRectF Row(const QStringList &cells, const QVector<QColor> &colours = {});
    // The cell of column c in row.
    QRectF Cell(const QRectF &row, int c) const;
    // The rule under the last row.
    void End();

private:
    ReportFlow &FFlow;
    QVector<ReportColumn> FColumns;
    QVector<double> FLeft; // of each column, and the right edge
    double FRow;
    int FRows = 0;
};
