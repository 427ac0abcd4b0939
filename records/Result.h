#pragma once
// The results window: the device-information lines above the grid of test
// records, and the toolbar that reads, saves, opens, exports and prints them.

#include "kit/filedialogs.h"
#include "kit/form.h"
#include "records/data/recordfields.h"

class QLabel;
class QProgressBar;
class QPushButton;
class QToolButton;
class TStringGrid;

class TFormResult : public TForm
{
    Q_OBJECT
public:
    explicit TFormResult(QWidget *parent);

    void BitBtn1Click(); // read from the tester
    void BitBtn2Click(); // save a data file
    void BitBtn3Click(); // open a data file
    void BitBtn8Click(); // spreadsheet export
    void BitBtn5Click(); // print
    void BitBtn6Click(); // close the window
    void BitBtn7Click(); // search
    void StringGrid1MouseUp(int col, int row);

    // Records read from the tester and not saved to a data file since.
    bool UnsavedRecords() const { return FUnsaved; }
    // Asks before unsaved records are discarded; true when they may go.
    bool MayDiscardRecords();
    // The tester went away: unsaved records are written as a data file in
    // dir, named with the date and time, and a message says where.
    void KeepUnsavedRecords(const QString &dir);
    // What archiving download gave, under the device lines while the grid
    // still shows that download.
    void ShowArchiving(quint64 download, const QString &line);

signals:
    // A whole download was read and is shown: the tester's device lines and
    // its records (no heading row); download tells it from the others.
    void DownloadAccepted(quint64 download, const QStringList &deviceInfo, const GridRows &records);

public:
    QToolButton *BitBtn1, *BitBtn2, *BitBtn3, *BitBtn8, *BitBtn6, *BitBtn5, *BitBtn7;
    QLabel *Label1, *Label2, *Label3, *Label4;
    QLabel *Label5;             // what archiving the download gave
    QProgressBar *ProgressBar1; // records received of the count announced
    QPushButton *Button1;       // cancels a long download
    TStringGrid *StringGrid1;
    FileDialogRequest OpenDialog1, SaveDialog1, SaveDialog2;

protected:
    void FormShow() override;
    void FormClose() override;
    void closeEvent(QCloseEvent *event) override;

private:
    void FormCreate();
    void WritePlainHeadings();
    void ShowDeviceInfo();
    // The download exchange, its progress shown in ProgressBar1 meanwhile.
    QByteArray ReceiveDownload();

    bool FUnsaved = false;
    quint64 FDownloads = 0; // the download shown, 0 for none
    quint64 FShown = 0;
};

extern TFormResult *FormResult;
