#include "archive/Database.h"

#include "archive/archivewords.h"
#include "archive/sitestate.h"
#include "archive/store/archivechoice.h"
#include "archive/store/archiveoutbox.h"
#include "archive/store/archiveplaces.h"
#include "archive/store/archiveworker.h"
#include "kit/hourglasscursor.h"
#include "kit/messagebox.h"
#include "kit/texts.h"
#include "kit/widgets.h"
#include "tester/mainstate.h"

#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>

TFormDatabase *FormDatabase = nullptr;

namespace {
const char MsgCannotUse[] = "Cannot use this database !!!\n";
const char NotePasswords[] =
    "Passwords are never stored here: the server's login takes them from libpq's password file "
    "(PGPASSFILE or ~/.pgpass) or service file, ODBC from its DSN.";
const char NoteEnvironment[] =
    "KESTRUNE_ARCHIVE is set and chooses the archive: this window cannot change it.";

void Fail(const QString &reason)
{
    ApplicationMessageBox(reason, QString::fromLatin1(CapFailure));
}
} // namespace

TFormDatabase::TFormDatabase(QWidget *parent)
    : TForm(parent, QStringLiteral("Database"), 460, 246), FTrial(new ArchiveWorker(this)),
      FCounting(new ArchiveWorker(this))
{
    SetFontPixels(this, 11, QStringLiteral("MS Sans Serif"));
    Label1 = new QLabel(QStringLiteral("Where the archive keeps its records :"), this);
    Label1->setGeometry(12, 10, 436, 18);
    RadioButton1 = new QRadioButton(QStringLiteral("Local file"), this);
    RadioButton1->setGeometry(12, 36, 200, 21);
    Edit1 = new QLineEdit(this);
    Edit1->setGeometry(32, 60, 380, 22);
    BitBtn3 = new QPushButton(QStringLiteral("..."), this);
    BitBtn3->setGeometry(418, 60, 30, 22);
    RadioButton2 = new QRadioButton(QStringLiteral("Server (PostgreSQL or ODBC)"), this);
    RadioButton2->setGeometry(12, 94, 250, 21);
    Edit2 = new QLineEdit(this);
    Edit2->setGeometry(32, 118, 416, 22);
    Edit2->setPlaceholderText(QStringLiteral("postgresql://user@host:5432/kestrune"));
    Label3 = new QLabel(this);
    Label3->setGeometry(32, 144, 416, 18);
    Label2 = new QLabel(this);
    Label2->setGeometry(12, 168, 436, 30);
    Label2->setWordWrap(true);
    SetFontPixels(Label3, 12);
    for (QWidget *w : {static_cast<QWidget *>(Label1), static_cast<QWidget *>(RadioButton1),
                       static_cast<QWidget *>(RadioButton2), static_cast<QWidget *>(Edit1),
                       static_cast<QWidget *>(Edit2)})
        SetFontPixels(w, 13);

    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setGeometry(140, 210, 75, 25);
    BitBtn2 = new QPushButton(QStringLiteral("Cancel"), this);
    BitBtn2->setGeometry(245, 210, 75, 25);
    for (QPushButton *b : {BitBtn1, BitBtn2, BitBtn3})
        b->setAutoDefault(false);

    SaveDialog1 = {FileDialogKind::Save, QStringLiteral("sqlite"),
                   QStringLiteral("Kestrune archive (*.sqlite)|*.sqlite"), this};

    OnClick(BitBtn1, [this] { BitBtn1Click(); });
    OnClick(BitBtn2, [this] { BitBtn2Click(); });
    OnClick(BitBtn3, [this] { BitBtn3Click(); });
    OnClick(RadioButton1, [this] { RadioButton1Click(); });
    OnClick(RadioButton2, [this] { RadioButton1Click(); });
    connect(Edit2, &QLineEdit::textChanged, this, [this] { ShowToSend(); });
    CloseOnEscape({RadioButton1, RadioButton2, Edit1, Edit2, BitBtn1, BitBtn2, BitBtn3});
}

void TFormDatabase::FormShow()
{
    FReadOnly = qEnvironmentVariableIsSet(ArchiveEnvironment);
    ArchiveError error;
    const ArchiveLocation chosen = ChosenArchiveLocationIn(StartDirectory, &error);
    // A choice that cannot be read is shown as the default, to be chosen anew.
    const ArchiveLocation where = !error.Failed() || FReadOnly ? chosen : DefaultArchiveLocation();
    const bool local = where.driver == ArchiveLocation::Driver::Sqlite;
    RadioButton1->setChecked(local);
    RadioButton2->setChecked(!local);
    Edit1->setText(
        QDir::toNativeSeparators(local ? where.target : DefaultArchiveLocation().target));
    Edit2->setText(local ? QString() : ArchiveLocationText(where));
    if (FReadOnly && error.Failed())
        Edit2->setText(LocationInMessage(qEnvironmentVariable(ArchiveEnvironment)));
    Label2->setText(QString::fromLatin1(FReadOnly ? NoteEnvironment : NotePasswords));
    for (QWidget *w : {static_cast<QWidget *>(RadioButton1), static_cast<QWidget *>(RadioButton2),
                       static_cast<QWidget *>(BitBtn1)})
        w->setEnabled(!FReadOnly);
    RadioButton1Click();
    BitBtn2->setFocus();
    CountHeld();
}

void TFormDatabase::CountHeld()
{
    FHeld.reset();
    ShowToSend();
    const quint64 count = ++FCounts;
    ArchiveError unread;
    const std::optional<ArchiveLocation> local = LocalArchiveLocation(&unread);
    // A file not made yet holds nothing, and is not made for this.
    if (!local || !QFileInfo::exists(local->target)) {
        FHeld = Held();
        ShowToSend();
        return;
    }
    FCounting->Open(*local);
    FCounting->Run(
        this,
        [](ArchiveStore &store, const ArchiveJob &, ArchiveError *error) -> std::optional<Held> {
            const std::optional<QString> kept = ArchiveOutbox::KeptFor(store, error);
            const std::optional<OutboxState> state =
                kept ? ArchiveOutbox::State(store, error) : std::nullopt;
            const std::optional<qint64> records = state ? store.Count({}, error) : std::nullopt;
            if (!records)
                return std::nullopt;
            return Held{*kept, state->waiting, *records};
        },
        [this, count](const ArchiveResult<Held> &held) {
            if (count != FCounts)
                return;
            FHeld = held.value;
            ShowToSend();
        });
    FCounting->Close();
}

void TFormDatabase::ShowToSend()
{
    ArchiveError unread;
    const std::optional<ArchiveLocation> server =
        RadioButton2->isChecked() && FHeld
            ? DatabaseChoice(true, Edit2->text(), StartDirectory, &unread)
            : std::nullopt;
    if (!server) {
        Label3->clear();
        return;
    }
    // The outbox kept for this very server holds what it still lacks; any
    // other server gets every record.
    const bool kept = FHeld->keptFor == ArchiveLocationText(*server);
    Label3->setText(RecordsToSendText(kept ? FHeld->waiting : FHeld->records));
}

void TFormDatabase::RadioButton1Click()
{
    const bool local = RadioButton1->isChecked();
    Edit1->setReadOnly(FReadOnly);
    Edit2->setReadOnly(FReadOnly);
    Edit1->setEnabled(local);
    BitBtn3->setEnabled(local && !FReadOnly);
    Edit2->setEnabled(!local);
    ShowToSend();
}

void TFormDatabase::FormClose()
{
    // Closed while a database is tried: its answer no longer counts.
    ++FTries;
    FTrying.reset();
}

void TFormDatabase::BitBtn1Click()
{
    if (FReadOnly || Trying())
        return;
    const bool server = RadioButton2->isChecked();
    ArchiveError error;
    const std::optional<ArchiveLocation> where =
        DatabaseChoice(server, (server ? Edit2 : Edit1)->text(), StartDirectory, &error);
    if (!where) {
        Fail(QLatin1String(MsgCannotUse) + ArchiveErrorText(error));
        return;
    }
    // Opened (its tables made on an empty database) and closed again.
    FTrying.emplace(BitBtn1);
    const quint64 trial = ++FTries;
    FTrial->Open(*where);
    FTrial->Run(
        this,
        [](ArchiveStore &, const ArchiveJob &, ArchiveError *) { return std::optional(true); },
        [this, trial, where = *where](const ArchiveResult<bool> &opened) {
            if (trial == FTries)
                Tried(where, opened.error);
        });
    FTrial->Close();
}

void TFormDatabase::Tried(const ArchiveLocation &where, const ArchiveError &error)
{
    FTrying.reset();
    if (error.Failed()) {
        Fail(QLatin1String(MsgCannotUse) + ArchiveErrorText(error));
        return;
    }
    ArchiveError unsaved;
    if (!WriteArchiveChoice(StartDirectory, where, &unsaved)) {
        Fail(QStringLiteral("Cannot save ") + ArchiveErrorText(unsaved));
        return;
    }
    accept();
}

void TFormDatabase::BitBtn2Click()
{
    close();
}

void TFormDatabase::BitBtn3Click()
{
    const QString path = ExecuteFileDialog(SaveDialog1);
    if (!path.isEmpty())
        Edit1->setText(QDir::toNativeSeparators(path));
}
