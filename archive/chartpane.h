#pragma once
// The chart beside the archive window's table: the unit it is drawn in (the
// filter's, else the one the operator picked, which stays picked from one
// start to the next, else the most common of the selection), its data read
// through a loader of its own, its title naming the selection, and its
// saving and printing: a document or a printed page ends with the
// selection's fingerprint and the archive's last verify, read through the
// window's worker.

#include "archive/chartpainter.h"
#include "archive/store/archivelocation.h"
#include "archive/store/archivequery.h"
#include "kit/filedialogs.h"
#include "kit/hourglasscursor.h"

#include <QObject>
#include <QVector>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;
class ArchiveWorker;
class TChartLoader;
class TReadingChart;
struct ArchiveError;

class TChartPane : public QObject
{
    Q_OBJECT
public:
    // Makes the pane's controls on window, which lays them out: the unit
    // list and two buttons over the chart. The unit the operator picks is
    // kept in dir (chartunitfile.h), and the one kept there is read now.
    // The selection's fingerprint is read through worker, the window's.
    TChartPane(QWidget *window, const QString &dir, ArchiveWorker *worker);

    // The chart of the records (records of them) archived at where that
    // query picks, titled for tester (empty: all testers).
    void Load(const ArchiveLocation &where, const ArchiveQuery &query, qint64 records,
              const QString &tester);
    // No chart and no words in its place; a unit picked for the selection
    // shown is from now on a remembered one.
    void Clear();
    bool Loading() const;

    QLabel *Label6; // "Chart in :"
    QComboBox *ComboBox5;
    QPushButton *Button2, *Button3; // save, print
    TReadingChart *Chart1;
    FileDialogRequest SaveDialog3;

signals:
    // The chart shows what the last Load asked for, or why it cannot.
    void Shown();

private:
    struct Request
    {
        ArchiveLocation where;
        ArchiveQuery query;
        qint64 records = 0;
        ChartTitle title;
    };
    void LoadLast();
    void Loaded(const ChartData &data, const ArchiveError &error);
    void ComboBox5Change();
    void Button2Click();
    void Button3Click();
    // Reads the seal of the selection shown, then writes with its lines:
    // the failure told after it, empty when it wrote.
    void Sealed(std::function<QString(const QStringList &seal)> write);

    QWidget *const FWindow;
    const QString FDir;
    ArchiveWorker *const FWorker;
    TChartLoader *const FLoader;
    std::optional<HourglassCursor> FSealing;
    Request FLast;
    std::optional<QString> FPicked; // the unit the operator picked, now or at an earlier start
    bool FPickedHere = false;       // picked for the selection of FLast
};
