#pragma once
// The archive window: every archived tester, the records of a selection
// (a tester or all of them, filtered as the search filters) in a table fed
// page by page, a chart of their readings, and the toolbar that saves,
// exports, prints, imports data files and refreshes.

#include "app/filedialogs.h"
#include "app/form.h"
#include "archive/archivestore.h"
#include "archive/calibration.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class QTableWidget;
class QToolButton;
class TArchiveModel;
class TCSpinEdit;
class TChartLoader;
class TReadingChart;
struct PlotPoint;

class TFormArchive : public TForm
{
    Q_OBJECT
public:
    explicit TFormArchive(QWidget *parent);
    ~TFormArchive() override;

    void BitBtn1Click(); // save the selection as a data file
    void BitBtn2Click(); // spreadsheet export of the selection
    void BitBtn3Click(); // print the selection
    void BitBtn4Click(); // import data files
    void BitBtn5Click(); // refresh
    void BitBtn6Click(); // close the window
    void Button1Click(); // apply the filter
    void Button2Click(); // save the chart
    void Button3Click(); // print the chart
    void Button4Click(); // the Database window
    void Button5Click(); // delete old records, behind the administrator password
    void Button6Click(); // set the site's calibration interval
    void CheckBox1Click();
    void CheckBox2Click();
    void CheckBox3Click();
    void CheckBox4Click();
    void CheckBox5Click(); // only the testers due for calibration
    void ComboBox3Change();
    void ComboBox5Change();
    void StringGrid1SelectionChange();
    void StringGrid2HeadingClick(int col);

    // Reads the testers and the selection again from the archive.
    void Refresh();
    // The testers listed; row r + 1 of StringGrid1 is tester r.
    const QVector<ArchiveTester> &Testers() const { return FListed; }
    // Selects row of the tester list (0 = all testers).
    void SelectTester(int row);
    bool ChartLoading() const;

    QToolButton *BitBtn1, *BitBtn2, *BitBtn3, *BitBtn4, *BitBtn5, *BitBtn6;
    QLabel *Label1, *Label2, *Label3;
    QLabel *Label4;            // the database in use
    QLabel *Label5, *Label6;   // around the calibration interval
    QTableWidget *StringGrid1; // testers
    QTableView *StringGrid2;   // records of the selection
    TArchiveModel *Records;
    QGroupBox *GroupBox1;
    QCheckBox *CheckBox1, *CheckBox2, *CheckBox3, *CheckBox4, *CheckBox5;
    QLineEdit *Edit1, *Edit2, *Edit3, *Edit4;
    QComboBox *ComboBox1, *ComboBox2, *ComboBox3, *ComboBox4, *ComboBox5;
    QPushButton *Button1, *Button2, *Button3, *Button4, *Button5, *Button6;
    TCSpinEdit *CSpinEdit1; // calibration interval in months
    TReadingChart *Chart1;
    FileDialogRequest OpenDialog1, SaveDialog1, SaveDialog2, SaveDialog3;

protected:
    void FormShow() override;
    void FormClose() override;

private:
    void FormCreate();
    void CreateFilter();
    void CreateChart();
    void CreateSite();
    void ShowDatabase();
    bool OpenStore();
    void Fail(const QString &reason);
    ArchiveQuery Query() const;
    void ShowTesters();
    void ShowSelection();
    void LoadChart();
    QString ChartUnit();
    void ChartLoaded(const QVector<PlotPoint> &points, const QString &unit, const QString &error);
    QStringList SelectionDeviceInfo() const;
    std::optional<GridRows> SelectionRows();
    void PickDate(QComboBox *list);

    std::unique_ptr<ArchiveStore> FStore;
    ArchiveLocation FLocation;
    QVector<ArchiveTester> FTesters; // every archived tester
    QVector<ArchiveTester> FListed;  // those the tester list shows
    int FCalibrationMonths = DefaultCalibrationMonths;
    std::optional<qint64> FTesterId; // the selected tester; none = all testers
    ArchiveSort FSort{1, true};
    TChartLoader *FChartLoader;
    bool FUnitChosen = false;
    bool FImporting = false;
};

extern TFormArchive *FormArchive;
