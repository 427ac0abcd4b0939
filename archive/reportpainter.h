#pragma once
// The pages of a report: laid out once for a paper size, then drawn page by
// page onto a PDF document or a printer. Every page carries "page N of M",
// the day the report was made and the program's version; the record list
// repeats its headings on every page it runs over.

#include "archive/report.h"

#include <QColor>
#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QVector>

#include <functional>

class QPainter;
class QPrinter;

// "Kestrune 1.0".
QString ProgramWords();

// Page measures are in tenths of a point (720 to the inch).
inline constexpr double ReportUnitsPerInch = 720;

enum class ReportFont { Body, Bold, Small, Table, TableBold, Heading, Title, Figure, Mono };

// One thing drawn on a page.
struct ReportItem
{
    enum class Kind { Text, Box, Chart };
    Kind kind = Kind::Text;
    QRectF rect;
    ReportFont font = ReportFont::Body;
    int flags = 0; // Qt::AlignmentFlag and Qt::TextFlag of a text
    QColor colour; // of a text, or the fill of a box
    QString text;
};
using ReportPageItems = QVector<ReportItem>;

// The report laid out on pages of one size.
class ReportLayout
{
public:
    // paper: the page's size in tenths of a point. Paper narrower than A4
    // gets the pages of A4's width made smaller, so that no table is cut.
    ReportLayout(ReportInput input, const QSizeF &paper);

    int PageCount() const { return int(FPages.size()); }
    // The items of page index, in the units of Paper().
    const ReportPageItems &Page(int index) const { return FPages.at(index); }
    // The paper laid out on: the paper itself, or as large as A4's width
    // makes it.
    const QSizeF &Paper() const { return FPaper; }
    // How much smaller the pages are drawn: 1 on A4 and wider paper.
    double Scale() const { return FScale; }
    const ReportInput &Input() const { return FInput; }

    // Draws page index; the painter's units are tenths of a point from the
    // paper's top left corner.
    void Paint(QPainter &painter, int index) const;

private:
    ReportInput FInput;
    double FScale;
    QSizeF FPaper;
    QVector<ReportPageItems> FPages;
};

// The paper of a page size in tenths of a point.
QSizeF PaperOf(const QPageSize &size, QPageLayout::Orientation orientation);

// Hears how many pages are drawn of how many, before the first and after
// each; answering false stops the report.
using ReportProgress = std::function<bool(int done, int pages)>;

enum class ReportOutcome { Done, Cancelled, Failed };

struct ReportPaper
{
    QPageSize size = QPageSize(QPageSize::A4);
    QPageLayout::Orientation orientation = QPageLayout::Portrait;
};

// Writes the report as a PDF document to path. The file is replaced only by
// a whole new one: a stopped or failed report leaves what was there. Failed
// with the reason in *error.
ReportOutcome SaveReport(const ReportInput &input, const QString &path,
                         const ReportProgress &progress, QString *error,
                         const ReportPaper &paper = {});

// Prints the report on the printer's paper (as the print dialog chose it);
// a stopped report is aborted. Failed with the reason in *error.
ReportOutcome PrintReport(const ReportInput &input, QPrinter &printer,
                          const ReportProgress &progress, QString *error);
