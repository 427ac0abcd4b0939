#pragma once
// The audit trail window, opened from the archive window: every batch of
// records that came into the archive and every deletion, setting change and
// verify, with its time, PC and user, filtered by tester and date; saved as
// a tab-separated file or printed. Read on the archive's worker.

#include "archive/store/archiveresult.h"
#include "archive/store/archivetrailread.h"
#include "kit/filedialogs.h"
#include "kit/form.h"
#include "kit/hourglasscursor.h"

#include <optional>

class ArchiveWorker;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

class TFormAuditTrail : public TForm
{
    Q_OBJECT
public:
    explicit TFormAuditTrail(QWidget *parent);

    // What the next showing reads: the archive that worker holds open, with
    // its testers, selected first in the tester filter (none: all testers).
    void Prepare(ArchiveWorker *worker, const QVector<ArchiveTester> &testers,
                 std::optional<qint64> selected);

    void Button1Click();   // apply the filter: read again
    void CheckBox1Click(); // the date switch
    void BitBtn1Click();   // save as a tab-separated file
    void BitBtn2Click();   // print
    void BitBtn3Click();   // close

    // The entries listed, oldest first.
    const QVector<TrailEntry> &Entries() const { return FEntries; }
    bool Reading() const { return FReading.has_value(); }

    QLabel *Label1, *Label2, *Label3; // "Tester :", "to", the count
    QComboBox *ComboBox1;             // all testers, then each tester
    QCheckBox *CheckBox1;             // "Dates"
    QComboBox *ComboBox2, *ComboBox3; // from, to: the date picker opens
    QPushButton *Button1;             // "Apply"
    QTableWidget *StringGrid1;
    QPushButton *BitBtn1, *BitBtn2, *BitBtn3; // Save..., Print..., Close
    FileDialogRequest SaveDialog1;

protected:
    void FormShow() override;
    void FormClose() override;

private:
    void LayOut();
    void PickDate(QComboBox *list);
    // The tester and the days the filter holds (0 when open).
    std::optional<qint64> FilterTester() const;
    QString FilterSerial() const;
    long FromKey() const;
    long ToKey() const;
    void Read();
    void Show(const ArchiveResult<QVector<TrailEntry>> &entries);

    ArchiveWorker *FWorker = nullptr;
    QVector<ArchiveTester> FTesters;
    std::optional<qint64> FSelected;
    QVector<TrailEntry> FEntries;
    // The filter the entries were read with, for the printed pages.
    QString FReadSerial;
    long FReadFrom = 0, FReadTo = 0;
    quint64 FReads = 0; // answers to an earlier read are dropped
    std::optional<HourglassCursor> FReading;
};

extern TFormAuditTrail *FormAuditTrail;
