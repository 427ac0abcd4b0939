#include "app/windows.h"

#include "admin/Administer.h"
#include "admin/Massge1.h"
#include "admin/Password.h"
#include "app/Main.h"
#include "archive/Archive.h"
#include "archive/AuditTrail.h"
#include "archive/Database.h"
#include "archive/DeleteOld.h"
#include "archive/downloadarchiver.h"
#include "archive/sitestate.h"
#include "archive/store/archivedriver.h"
#include "archive/store/archiveplaces.h"
#include "archive/store/sitesender.h"
#include "device/Datetime.h"
#include "device/Information.h"
#include "device/Rstest.h"
#include "device/Setup.h"
#include "device/Tdate.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "records/Result.h"
#include "records/Searchlist.h"
#include "records/Serch1.h"
#include "tester/mainstate.h"

namespace {

SiteSender *Sender = nullptr;

// This PC's records go to the site's server when one is chosen; the main
// window shows how far that is, and the server's refusal is said once.
void SendToSite()
{
    Sender = new SiteSender(FormMain);
    QObject::connect(Sender, &SiteSender::StateChanged, FormMain->SiteState1,
                     &TSiteStateLabel::Show);
    QObject::connect(Sender, &SiteSender::Refused, FormMain, [](const ArchiveError &why) {
        ApplicationMessageBox(SiteRefusedText(why), QString::fromLatin1(CapFailure));
    });
    FormArchive->SetSiteSender(Sender);
    ArchiveError unchosen;
    const ArchivePlaces places = ChosenArchivePlacesIn(StartDirectory, &unchosen);
    if (!unchosen.Failed())
        Sender->Start(places);
}

// Every download the results window takes goes into the archive as well;
// the results window shows how that went when it is done.
void ArchiveDownloads()
{
    auto *archiver = new TDownloadArchiver(Sender, FormMain);
    QObject::connect(archiver, &TDownloadArchiver::Archived, FormArchive,
                     &TFormArchive::RecordsCame);
    QObject::connect(
        FormResult, &TFormResult::DownloadAccepted, archiver,
        [archiver](quint64 download, const QStringList &deviceInfo, const GridRows &records) {
            archiver->Archive(StartDirectory, deviceInfo, records, FormResult,
                              [download](const DownloadArchivingText &said) {
                                  FormResult->ShowArchiving(download, said.line);
                                  if (!said.failure.isEmpty())
                                      ApplicationMessageBox(said.failure,
                                                            QString::fromLatin1(CapFailure));
                              });
        });
}

} // namespace

void CreateForms()
{
    // The pictures live in this static library; register them explicitly.
    Q_INIT_RESOURCE(kestrune);
    LoadArchiveDriver();
    FormMain = new TFormMain;
    SetMessageOwner(FormMain);
    FormResult = new TFormResult(FormMain);
    FormSetup = new TFormSetup(FormMain);
    FormInfor = new TFormInfor(FormMain);
    FormTime = new TFormTime(FormMain);
    FormSerch1 = new TFormSerch1(FormMain);
    FormTest = new TFormTest(FormMain);
    FormAdmin = new TFormAdmin(FormMain);
    FormYesNo = new TFormYesNo(FormMain);
    DateForm = new TDateForm(FormMain);
    FormPassWord = new TFormPassWord(FormMain);
    SearchForm = new TSearchForm(FormMain);
    FormArchive = new TFormArchive(FormMain);
    FormDatabase = new TFormDatabase(FormMain);
    FormDeleteOld = new TFormDeleteOld(FormMain);
    FormAuditTrail = new TFormAuditTrail(FormMain);
    FormMain->SetUpTester();
    SendToSite();
    ArchiveDownloads();
}

SiteSender *ProgramSiteSender()
{
    return Sender;
}

void DestroyForms()
{
    // The main window owns the others.
    delete FormMain;
    FormMain = nullptr;
    FormResult = nullptr;
    FormSetup = nullptr;
    FormInfor = nullptr;
    FormTime = nullptr;
    FormSerch1 = nullptr;
    FormTest = nullptr;
    FormAdmin = nullptr;
    FormYesNo = nullptr;
    DateForm = nullptr;
    FormPassWord = nullptr;
    SearchForm = nullptr;
    FormArchive = nullptr;
    Sender = nullptr;
    FormDatabase = nullptr;
    FormDeleteOld = nullptr;
    FormAuditTrail = nullptr;
}
