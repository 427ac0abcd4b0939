// The archive window's toolbar: the selection saved as a data file, exported,
// printed or made into a report, data files imported, the list read again.

#include "admin/Password.h"
#include "archive/Archive.h"
#include "archive/AuditTrail.h"
#include "archive/DeleteOld.h"
#include "archive/archivelayout.h"
#include "archive/archivemodel.h"
#include "archive/archivewords.h"
#include "archive/importprogress.h"
#include "archive/reportrun.h"
#include "archive/selectionwords.h"
#include "archive/sitestate.h"
#include "archive/store/sitesender.h"
#include "archive/verifyrun.h"
#include "kit/filedialogs.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "records/recordactions.h"

#include <QDateTime>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>

void TFormArchive::RecordsCame()
{
    // The site's server has them only once they are sent.
    if (!FPlaces.site || FSiteAway)
        RefreshQuietly();
}

void TFormArchive::RefreshQuietly()
{
    // Not under a question or a dialog of its own.
    if (isVisible() && !FImport->Running() && !FormDeleteOld->isVisible() &&
        !FormAuditTrail->isVisible() && !FVerify->Running() && !FSetting && !FWriting)
        Refresh();
}

void TFormArchive::CreateVerify()
{
    Button7 = new QPushButton(QStringLiteral("Verify"), BitBtn1->parentWidget());
    SetFontPixels(Button7, 13);
    Button7->setAutoDefault(false);
    FVerify = new TVerifyRun(FWorker, this, Button7);
    OnClick(Button7, [this] { Button7Click(); });
    CloseOnEscape({Button7});
}

void TFormArchive::Button7Click()
{
    // What is verified is the archive the window reads: the site's server,
    // or this PC's archive while the server cannot be read.
    qint64 records = 0;
    for (const ArchiveTester &t : std::as_const(FTesters))
        records += t.records;
    FVerify->Run(records, [this] { return Located(); });
}

void TFormArchive::CreateReport()
{
    Report = new TReportRun(this, FChart);
    auto *menu = new QMenu(BitBtn7);
    const auto item = [this, menu](const QString &text, bool print) {
        connect(menu->addAction(text), &QAction::triggered, this,
                [this, print] { RunGuarded([this, print] { BitBtn7Click(print); }); });
    };
    item(QStringLiteral("Save as PDF document…"), false);
    item(QStringLiteral("Print…"), true);
    BitBtn7->setMenu(menu);
    BitBtn7->setPopupMode(QToolButton::InstantPopup);
    CloseOnEscape({BitBtn7});
}

void TFormArchive::BitBtn1Click()
{
    WriteSelection(SaveDialog1, false);
}

void TFormArchive::BitBtn2Click()
{
    WriteSelection(SaveDialog2, true);
}

void TFormArchive::BitBtn3Click()
{
    PrintSelection();
}

void TFormArchive::BitBtn4Click()
{
    if (FImport->Running())
        return;
    const QStringList paths = ExecuteOpenFilesDialog(OpenDialog1);
    if (paths.isEmpty() || !Located())
        return;
    // Into this PC's archive first, whether a site is chosen or not.
    FLocalWorker->Open(FPlaces.local);
    FImport->Start(paths,
                   [this](const ArchiveResult<ImportSummary> &summary) { Imported(summary); });
}

void TFormArchive::Imported(const ArchiveResult<ImportSummary> &summary)
{
    FLocalWorker->Close();
    if (FSender)
        FSender->Kick();
    if (!summary) {
        Fail(summary.error);
        return;
    }
    const bool whole = summary->refused.isEmpty() && !summary->cancelled;
    ApplicationMessageBox(ImportSummaryText(*summary),
                          QString::fromLatin1(whole ? CapCompletion : CapFailure));
    if (isVisible())
        Refresh();
    else
        FormClose();
}

void TFormArchive::BitBtn5Click()
{
    // The operator asks: a sender stopped by the server's refusal tries too.
    if (FSender)
        FSender->Retry();
    Refresh();
}

void TFormArchive::BitBtn6Click()
{
    close();
}

void TFormArchive::BitBtn7Click(bool print)
{
    // The selection as the table shows it, once it has been read.
    if (!FOpen || Records->Waiting())
        return;
    const ReportSelection selection{FLocation, Records->Query(), Records->Sort(),
                                    Records->Records()};
    if (print)
        Report->Print(selection);
    else
        Report->Save(selection);
}

void TFormArchive::Button5Click()
{
    // The site's records are deleted on its server only.
    if (FSiteAway) {
        Fail(SiteNeededText(QStringLiteral("Delete Old…"), FSiteWhy) +
             QStringLiteral(" Nothing was deleted."));
        return;
    }
    if (FormDeleteOld->isVisible() ||
        !AdminPasswordGiven(Left() + ArchiveDialogLeft, Top() + ArchiveDialogTop) || !Located())
        return;
    FormDeleteOld->Prepare(FWorker, FTesters, FTesterId, FRetentionYears);
    FormDeleteOld->SetPlace(Left() + ArchiveDialogLeft, Top() + ArchiveDialogTop);
    FormDeleteOld->ShowModal();
    FRetentionYears = FormDeleteOld->RetentionYears();
    const std::optional<qint64> deleted = FormDeleteOld->Deleted();
    if (!deleted)
        return;
    ApplicationMessageBox(DeletedText(*deleted), QString::fromLatin1(CapCompletion));
    if (isVisible())
        Refresh();
}

void TFormArchive::Button8Click()
{
    if (!Located())
        return;
    FormAuditTrail->Prepare(FWorker, FTesters, FTesterId);
    FormAuditTrail->SetPlace(Left() + 40, Top() + 60);
    FormAuditTrail->ShowModal();
}
