#pragma once
// The chart beside the archive window's table: the unit it is drawn in, its
// readings read through a loader of its own, and its saving and printing.

#include "archive/store/archivelocation.h"
#include "archive/store/archivequery.h"
#include "kit/filedialogs.h"

#include <QObject>
#include <QVector>

#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;
class TChartLoader;
class TReadingChart;
struct ArchiveError;
struct PlotPoint;

class TChartPane : public QObject
{
    Q_OBJECT
public:
    // Makes the pane's controls on window, which lays them out: the unit
    // list and two buttons over the chart.
    explicit TChartPane(QWidget *window);

    // The readings of the records archived at where that query picks. Their
    // unit: that of the reading filter when there is one, else the
    // operator's choice, else that of firstReading.
    void Load(const ArchiveLocation &where, const ArchiveQuery &query, qint64 records,
              const std::optional<QString> &filterUnit, const QString &firstReading);
    // No chart and no words in its place.
    void Clear();
    bool Loading() const;

    QLabel *Label6; // "Chart in :"
    QComboBox *ComboBox5;
    QPushButton *Button2, *Button3; // save, print
    TReadingChart *Chart1;
    FileDialogRequest SaveDialog3;

private:
    struct Request
    {
        ArchiveLocation where;
        ArchiveQuery query;
        qint64 records = 0;
        std::optional<QString> filterUnit;
        QString firstReading;
    };
    void LoadLast();
    QString ChartUnit();
    void Loaded(const QVector<PlotPoint> &points, const QString &unit, const ArchiveError &error);
    void ComboBox5Change();
    void Button2Click();
    void Button3Click();

    QWidget *const FWindow;
    TChartLoader *const FLoader;
    Request FLast;
    bool FUnitChosen = false;
};
