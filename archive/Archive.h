#pragma once
// The archive window: every archived tester, the records of a selection
// (a tester or all of them, filtered as the search filters) in a table fed
// page by page, a chart of their readings, the toolbar that saves, exports,
// prints, imports data files and refreshes, and what the window does for the
// whole site: the database it uses, the calibration interval every PC
// shares, the testers due, and the deletion of records kept too long. All of
// it reaches the archive through the window's worker.

#include "archive/store/archiveimport.h"
#include "archive/store/archiveworker.h"
#include "archive/store/calibration.h"
#include "kit/filedialogs.h"
#include "kit/form.h"
#include "kit/hourglasscursor.h"
#include "records/searchinputs.h"

#include <optional>

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QTableView;
class QTableWidget;
class QToolButton;
class TArchiveModel;
class TCSpinEdit;
class TChartPane;
class TImportProgress;
class TSelectionProgress;
struct SelectionWritten;
class TReadingChart;
class TRetention;

// The filter's controls (CheckBox1 to 4, Edit1 to 4, ComboBox1 to 4, Label1
// to 3) come from TSearchInputs, laid out as in the search dialog.
class TFormArchive : public TForm, public TSearchInputs
{
    Q_OBJECT
public:
    explicit TFormArchive(QWidget *parent);
    ~TFormArchive() override;

    void BitBtn1Click();   // save the selection as a data file
    void BitBtn2Click();   // spreadsheet export of the selection
    void BitBtn3Click();   // print the selection
    void BitBtn4Click();   // import data files
    void BitBtn5Click();   // refresh
    void BitBtn6Click();   // close the window
    void Button1Click();   // apply the filter
    void CheckBox2Click(); // the date switch: the selection's first and last day
    void Button4Click();   // the Database window
    void Button5Click();   // delete old records, behind the administrator password
    void Button6Click();   // set the site's calibration interval
    void CheckBox5Click(); // only the testers due for calibration
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
    // The window waits for the archive: the testers, the selection, a page.
    bool Reading() const;
    // It reads, loads its chart or imports.
    bool Busy() const;

    QToolButton *BitBtn1, *BitBtn2, *BitBtn3, *BitBtn4, *BitBtn5, *BitBtn6;
    QLabel *Label4, *Label5, *Label6; // "Testers :", the selection's count, "Chart in :"
    QTableWidget *StringGrid1;        // testers
    QTableView *StringGrid2;          // records of the selection
    TArchiveModel *Records;
    QGroupBox *GroupBox1;
    QComboBox *ComboBox5;                     // the chart's unit
    QPushButton *Button1;                     // apply the filter
    QPushButton *Button2, *Button3;           // save and print the chart
    QLabel *Label7;                           // the database in use
    QLabel *Label8, *Label9;                  // around the calibration interval
    QCheckBox *CheckBox5;                     // only the testers due
    TCSpinEdit *CSpinEdit1;                   // calibration interval in months
    QPushButton *Button4, *Button5, *Button6; // Database..., Delete Old..., Set
    TReadingChart *Chart1;
    FileDialogRequest OpenDialog1, SaveDialog1, SaveDialog2;

protected:
    void FormShow() override;
    void FormClose() override;

private:
    // What a refresh reads: the site's calibration interval and its testers.
    struct Site;

    void FormCreate();
    void CreateTables();
    void CreateFilter();
    void CreateChart();
    void CreateSite();
    void ShowDatabase();
    bool Located();
    void Fail(const QString &reason);
    void Fail(const ArchiveError &error);
    void Refreshed(const ArchiveResult<Site> &site);
    ArchiveQuery Query() const;
    void ShowTesters();
    void ShowSelection();
    void SelectionShown(const ArchiveError &error);
    void LoadChart();
    QStringList SelectionDeviceInfo() const;
    QString SelectionTesterWords() const;
    bool SelectionWritable();
    void WriteSelection(const FileDialogRequest &dialog, bool exported);
    // The job writing or reading out the selection answered: true when what
    // it gives is to be used (the failure is shown, a Cancel says nothing).
    bool WritingAnswered(const ArchiveError &error);
    void Written(const ArchiveResult<SelectionWritten> &written);
    void Imported(const ArchiveResult<ImportSummary> &summary);
    void PickDate(QComboBox *list);

    ArchiveWorker *FWorker;
    TChartPane *FChart;
    TImportProgress *FImport;
    TRetention *FRetention;
    TSelectionProgress *FWritingProgress;
    ArchiveLocation FLocation;
    ArchiveError FLocationError;     // the choice of the archive could not be read
    bool FOpen = false;              // the last refresh read the archive
    quint64 FRefreshes = 0;          // answers to an earlier refresh are dropped
    QVector<ArchiveTester> FTesters; // every archived tester
    QVector<ArchiveTester> FListed;  // those the tester list shows
    int FCalibrationMonths = DefaultCalibrationMonths;
    std::optional<qint64> FTesterId; // the selected tester; none = all testers
    ArchiveSort FSort{1, true};
    ArchiveJob FWritingJob; // the selection written out or read for printing
    // The hourglass while the window waits on purpose.
    std::optional<HourglassCursor> FRefreshing, FSelecting, FWriting, FSetting;
};

extern TFormArchive *FormArchive;
