#pragma once
// The chart of readings: one point per test over time in one unit, PASS and
// FAIL in two colours, and the number of tests per month as bars behind
// them. Hovering a point tells its test. The chart saves itself as a PNG
// picture or a PDF document and prints itself.

#include "archive/chartscale.h"

#include <QPoint>
#include <QVector>
#include <QWidget>

#include <optional>

class QPaintDevice;
class QPrinter;

class TReadingChart : public QWidget
{
    Q_OBJECT
public:
    explicit TReadingChart(QWidget *parent = nullptr);

    // The readings to show, in unit.
    void SetPoints(QVector<PlotPoint> points, const QString &unit);
    // Shown in place of the chart (while the readings load, or why there are none).
    void SetMessage(const QString &text);
    const QVector<PlotPoint> &Points() const { return FPoints; }
    const QVector<MonthBar> &Bars() const { return FBars; }
    QString Unit() const { return FUnit; }
    QString Message() const { return FMessage; }

    // Draws the chart into area of any paint device.
    void Paint(QPainter &painter, const QRect &area) const;

    // The point drawn nearest to pos (widget coordinates), within a few pixels.
    std::optional<int> PointAt(const QPoint &pos) const;
    // "Test No : 00012", date, time and reading of point index, one a line.
    QString PointTip(int index) const;

    // Writes the chart to path: a PDF document when the name ends in ".pdf",
    // else a PNG picture. The file is replaced only by a whole new one. False
    // with the reason in *error.
    bool SaveTo(const QString &path, QString *error) const;
    // Prints the chart on one page; false when the printer cannot be used.
    bool PrintOn(QPrinter &printer) const;

protected:
    void paintEvent(QPaintEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;

private:
    // The chart scaled onto a whole page of a document or printer.
    bool PaintPage(QPaintDevice &page) const;

    QVector<PlotPoint> FPoints;
    QVector<MonthBar> FBars;
    float FHighest = 0;
    QString FUnit;
    QString FMessage;
    // Where each point was last drawn on the widget, for hovering.
    mutable QVector<QPoint> FScreen;
};
