#pragma once
// The chart of readings: the readings of a selection in one unit over time,
// PASS and FAIL in two colours, and the tests of each day, week or month as
// bars behind them, split into PASS and FAIL. Too many readings to tell
// apart are drawn as one summary per period. Dragging across the chart
// zooms to the stretch of time dragged over (where single readings show
// again); a double click shows everything again. Hovering a reading or a
// period tells what it holds. The chart saves what it shows as a PNG
// picture or a PDF document and prints it.

#include "archive/chartpainter.h"

#include <QFont>
#include <QPoint>
#include <QStringList>
#include <QVector>
#include <QWidget>

#include <optional>

class QPaintDevice;
class QPrinter;

// A chart as it is saved or printed: what the chart shows, and the lines
// that stand under it on a page (a picture is the chart alone).
struct ChartPrintout
{
    ChartData data;
    ChartView view;
    ChartTitle title;
    QString message; // shown in place of a chart without readings
    QFont font;      // of its texts, in pixels of a picture
    QStringList closing;
};

// Whether SaveChart writes a PDF document to path (its name ends in ".pdf");
// else it writes a PNG picture.
bool IsChartDocument(const QString &path);
// Writes chart to path as IsChartDocument says. The file is replaced only by
// a whole new one. False with the reason in *error.
bool SaveChart(const ChartPrintout &chart, const QString &path, QString *error);
// Prints chart on one page of printer; false when the printer cannot be used.
bool PrintChart(const ChartPrintout &chart, QPrinter &printer);

class TReadingChart : public QWidget
{
    Q_OBJECT
public:
    explicit TReadingChart(QWidget *parent = nullptr);

    // The readings and tests of a selection as the archive reads them;
    // everything is shown again.
    void SetInput(ChartInput input);
    // The same, made ready already (PrepareChart may run on any thread).
    void SetData(ChartData prepared);
    // Shown in place of the chart (while the readings load, or why there are none).
    void SetMessage(const QString &text);
    // The tester, the period and the filter that the title names.
    void SetTitle(const ChartTitle &title);

    const QVector<ChartReading> &Points() const { return FData.readings; }
    // The bars of the period that the view is drawn in.
    const QVector<PeriodBar> &Bars() const { return FData.Bars(Style().period); }
    const ChartData &Data() const { return FData; }
    QString Unit() const { return FData.unit; }
    QString Message() const { return FMessage; }
    const ChartTitle &Title() const { return FTitle; }

    // The stretch of time shown; all of it until zoomed.
    ChartView View() const;
    // Zooms to view (kept inside the data and no shorter than ten minutes).
    void SetView(const ChartView &view);
    void ResetView();
    bool Zoomed() const { return FView.has_value(); }
    // How the view is drawn: dots or summaries, and the period of its bars.
    ChartStyle Style() const;

    // Where the last paint on the widget put things; none before one.
    const std::optional<ChartFrame> &Frame() const { return FFrame; }

    // Draws the chart into area of any paint device.
    void Paint(QPainter &painter, const QRect &area) const;

    // The reading drawn nearest to pos (widget coordinates), within a few pixels.
    std::optional<int> PointAt(const QPoint &pos) const;
    // "Test No : 00012", date, time and reading of point index, one a line.
    QString PointTip(int index) const;
    // What the period under pos holds; empty when there is none.
    QString PeriodTip(const QPoint &pos) const;

    // The chart as it shows now, to be saved or printed (with no lines under
    // it).
    ChartPrintout Printout() const;
    // SaveChart and PrintChart of the Printout.
    bool SaveTo(const QString &path, QString *error) const;
    bool PrintOn(QPrinter &printer) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;

private:
    ChartData FData;
    ChartTitle FTitle;
    QString FMessage;
    std::optional<ChartView> FView;
    // Where the last paint on the widget put things, for the mouse.
    mutable std::optional<ChartFrame> FFrame;
    // A drag across the plot: where it started and where the mouse is.
    std::optional<int> FDragFrom;
    int FDragTo = 0;
};
