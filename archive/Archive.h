#pragma once
// The archive window: every archived tester, the records of a selection
// (a tester or all of them, filtered as the search filters) in a table fed
// page by page, a chart of their readings, the toolbar that saves, exports,
// prints, imports data files and refreshes, and what the window does for the
// whole site: the database it uses, the calibration interval every PC
// shares, the testers due, and the deletion of records kept too long. All of
// it reaches the archive through the window's worker.

#include "archive/store/archiveimport.h"
#include "archive/store/archiveplaces.h"
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
class QSplitter;
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
class TReportRun;
class TSiteBand;
class TVerifyRun;
class SiteSender;
struct ArchiveSite;
struct SiteState;

// The filter's controls (CheckBox1 to 4, Edit1 to 4, ComboBox1 to 4, Label1
// to 3) come from TSearchInputs, laid out as in the search dialog.
class TFormArchive : public TForm, public TSearchInputs
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
    // The report of the selection, saved as a PDF document or printed.
    void BitBtn7Click(bool print);
    void Button1Click();   // apply the filter
    void CheckBox2Click(); // the date switch: the selection's first and last day
    void Button4Click();   // the Database window
    void Button5Click();   // delete old records, behind the administrator password
    void Button6Click();   // set the site's calibration interval
    void Button7Click();   // verify the archive's records and chains
    void Button8Click();   // the audit trail
    void CheckBox5Click(); // only the testers due for calibration
    void ComboBox5Change();
    void StringGrid1SelectionChange();
    void StringGrid2HeadingClick(int col);

    // Reads the testers and the selection again from the archive: the
    // site's server when one is chosen, else (or while it cannot be read)
    // this PC's archive.
    void Refresh();
    // The site's records are sent through sender, which says how many wait.
    void SetSiteSender(SiteSender *sender);
    // Records came into this PC's archive: the window shows them.
    void RecordsCame();
    // It shows this PC's records because the site's server cannot be read.
    bool SiteAway() const { return FSiteAway; }
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
    QToolButton *BitBtn7;             // report: its menu saves or prints
    QLabel *Label4, *Label5, *Label6; // "Testers :", the selection's count, "Chart in :"
    QTableWidget *StringGrid1;        // testers
    QTableView *StringGrid2;          // records of the selection
    TArchiveModel *Records;
    QGroupBox *GroupBox1;
    QComboBox *ComboBox5;                     // the chart's unit
    QPushButton *Button1;                     // apply the filter
    QPushButton *Button2, *Button3;           // save and print the chart
    QLabel *Label7;                           // the database in use
    TSiteBand *Band1;                         // over it: the site's server cannot be read
    QLabel *Label8, *Label9;                  // around the calibration interval
    QCheckBox *CheckBox5;                     // only the testers due
    TCSpinEdit *CSpinEdit1;                   // calibration interval in months
    QPushButton *Button4, *Button5, *Button6; // Database..., Delete Old..., Set
    QPushButton *Button7;                     // Verify
    QPushButton *Button8;                     // Audit Trail...
    TReadingChart *Chart1;
    QSplitter *Splitter1; // between the lists and the chart
    TReportRun *Report;
    FileDialogRequest OpenDialog1, SaveDialog1, SaveDialog2;

protected:
    void FormShow() override;
    void FormClose() override;

    // The database's name elided anew to the room it has.
    void resizeEvent(QResizeEvent *event) override;

private:
    void FormCreate();
    // The window's place and size as kept in WindowPositions.
    void RestorePlace();
    void KeepPlace();
    void LayOut();
    void CreateTables();
    void CreateFilter();
    void CreateChart();
    void CreateSite();
    void CreateReport();
    void CreateVerify();
    void ShowDatabase();
    bool Located();
    void Choose();
    void ReadSite(quint64 refresh);
    void SiteChanged(const SiteState &state);
    void RefreshQuietly();
    void Fail(const QString &reason);
    void Fail(const ArchiveError &error);
    void Refreshed(const ArchiveResult<ArchiveSite> &site);
    ArchiveQuery Query() const;
    void ShowTesters();
    void ShowSelection();
    void SelectionShown(const ArchiveError &error);
    void LoadChart();
    // The selected tester's serial number; empty for all testers.
    QString SelectedSerial() const;
    QStringList SelectionDeviceInfo() const;
    QString SelectionTesterWords() const;
    bool SelectionWritable();
    void WriteSelection(const FileDialogRequest &dialog, bool exported);
    void PrintSelection();
    // The job writing or reading out the selection answered: true when what
    // it gives is to be used (the failure is shown, a Cancel says nothing).
    bool WritingAnswered(const ArchiveError &error);
    void Written(const ArchiveResult<SelectionWritten> &written);
    void Imported(const ArchiveResult<ImportSummary> &summary);
    void PickDate(QComboBox *list);

    ArchiveWorker *FWorker;
    ArchiveWorker *FLocalWorker; // imports into this PC's archive
    SiteSender *FSender = nullptr;
    TChartPane *FChart;
    TImportProgress *FImport;
    TVerifyRun *FVerify;
    TSelectionProgress *FWritingProgress;
    ArchivePlaces FPlaces;
    ArchiveLocation FLocation;       // the archive read: the site's, or this PC's
    ArchiveError FLocationError;     // the choice of the archive could not be read
    bool FSiteAway = false;          // the site's server could not be read
    ArchiveError FSiteWhy;           // why
    bool FOpen = false;              // the last refresh read the archive
    quint64 FRefreshes = 0;          // answers to an earlier refresh are dropped
    QVector<ArchiveTester> FTesters; // every archived tester
    QVector<ArchiveTester> FListed;  // those the tester list shows
    int FCalibrationMonths = DefaultCalibrationMonths;
    int FRetentionYears = 0;         // the minimum retention, as last read
    std::optional<qint64> FTesterId; // the selected tester; none = all testers
    ArchiveSort FSort{1, true};
    int FListsWidth = 0;    // what the lists take without a horizontal scroll bar
    ArchiveJob FWritingJob; // the selection written out or read for printing
    // The hourglass while the window waits on purpose.
    std::optional<HourglassCursor> FRefreshing, FSelecting, FWriting, FSetting;
};

extern TFormArchive *FormArchive;
