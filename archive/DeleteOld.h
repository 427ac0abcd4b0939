#pragma once
// "Delete Old…": one dialog that shows what it would delete before it
// deletes. The tester whose records go (or all testers, only when the
// operator chooses that here), the day before which they go (typed or
// picked), how many that is (counted on the archive's worker as the choice
// changes) and the minimum retention, which no cut-off may reach into. Delete
// asks the last question, naming all of it; Cancel and Escape delete
// nothing.

#include "archive/store/archivejob.h"
#include "archive/store/archiveresult.h"
#include "archive/store/archivestore.h"
#include "kit/form.h"
#include "kit/hourglasscursor.h"

#include <QDate>
#include <QVector>

#include <optional>

class ArchiveWorker;
class TCSpinEdit;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

class TFormDeleteOld : public TForm
{
    Q_OBJECT
public:
    explicit TFormDeleteOld(QWidget *parent);

    // What the next showing offers: the testers of the archive that worker
    // holds open, selected (none: the operator chooses, all testers among
    // the choices) and the minimum retention in years.
    void Prepare(ArchiveWorker *worker, const QVector<ArchiveTester> &testers,
                 std::optional<qint64> selected, int retentionYears);

    void BitBtn1Click(); // Delete
    void BitBtn2Click(); // Cancel
    void Button1Click(); // pick the cut-off with the date picker
    void Button2Click(); // set the minimum retention to the years in CSpinEdit1
    // The scope or the cut-off changed: counted anew.
    void Recount();

    // How many records the last deletion took; none when nothing was deleted.
    std::optional<qint64> Deleted() const { return FDeleted; }
    // A count or the deletion is under way on the worker.
    bool Busy() const { return FCountJob.has_value() || FDeleting.has_value(); }
    // The records the scope and the cut-off would delete, once counted.
    std::optional<qint64> Counted() const { return FCount; }
    // The minimum retention in years, as last read or set here.
    int RetentionYears() const { return FRetentionYears; }

    QLabel *Label1, *Label2;        // "Delete the records of :", "dated before :"
    QLabel *Label3;                 // the minimum retention
    QLabel *Label4;                 // the count, or why nothing can be deleted
    QComboBox *ComboBox1;           // the scope: each tester, then all testers
    QLineEdit *Edit1;               // the cut-off
    QPushButton *Button1;           // "…": the date picker
    TCSpinEdit *CSpinEdit1;         // a new minimum retention in years
    QPushButton *Button2;           // "Set" it
    QPushButton *BitBtn1, *BitBtn2; // Delete, Cancel

protected:
    void FormShow() override;
    void FormClose() override;
    void closeEvent(QCloseEvent *event) override;

private:
    // The scope chosen: a tester, or all (testerId none); nothing when the
    // operator has not chosen yet.
    struct Scope
    {
        std::optional<qint64> testerId;
        QString serial; // empty for all testers
    };
    std::optional<Scope> ChosenScope() const;
    void Say(const QString &text, bool refusal);
    void Counted(quint64 count, const ArchiveResult<qint64> &counted);
    void Gone(const ArchiveResult<qint64> &gone);

    ArchiveWorker *FWorker = nullptr;
    QVector<ArchiveTester> FTesters;
    std::optional<qint64> FSelected;
    int FRetentionYears = 0;
    QDate FToday;
    std::optional<QDate> FCutOff; // valid and outside the retention
    std::optional<qint64> FCount;
    std::optional<qint64> FDeleted;
    quint64 FCounts = 0; // answers to an earlier count are dropped
    std::optional<ArchiveJob> FCountJob;
    std::optional<HourglassCursor> FDeleting;
    std::optional<HourglassCursor> FSetting;
};

extern TFormDeleteOld *FormDeleteOld;
