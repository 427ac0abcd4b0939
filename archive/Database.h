#pragma once
// The archive's database: the local file or a server, tried before it is
// taken and kept in Kestrune.ARC beside the settings file. While
// KESTRUNE_ARCHIVE is set it chooses, and this window only shows it. For a
// server it says how many of this PC's records would be sent to it.

#include "kit/filedialogs.h"
#include "kit/form.h"
#include "kit/hourglasscursor.h"

#include <optional>

class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class ArchiveWorker;
struct ArchiveError;
struct ArchiveLocation;

class TFormDatabase : public TForm
{
    Q_OBJECT
public:
    explicit TFormDatabase(QWidget *parent);

    void BitBtn1Click(); // OK: try the database, then keep the choice
    void BitBtn2Click(); // Cancel
    void BitBtn3Click(); // choose the file
    void RadioButton1Click();

    // The environment chooses; the window cannot change anything.
    bool ReadOnly() const { return FReadOnly; }
    // A database is being tried.
    bool Trying() const { return FTrying.has_value(); }

    QLabel *Label1, *Label2;
    QLabel *Label3; // how many of this PC's records the server would get
    QRadioButton *RadioButton1, *RadioButton2;
    QLineEdit *Edit1, *Edit2;
    QPushButton *BitBtn1, *BitBtn2, *BitBtn3;
    FileDialogRequest SaveDialog1;

protected:
    void FormShow() override;
    void FormClose() override;

private:
    // What this PC's archive holds for a server.
    struct Held
    {
        QString keptFor; // the site its outbox is kept for
        qint64 waiting = 0;
        qint64 records = 0;
    };
    void Tried(const ArchiveLocation &where, const ArchiveError &error);
    void CountHeld();
    void ShowToSend();

    bool FReadOnly = false;
    // Tries a database through a worker of its own: a server that does not
    // answer is given up after its time-outs, and the window stays live.
    ArchiveWorker *FTrial;
    quint64 FTries = 0; // answers to an earlier try are dropped
    ArchiveWorker *FCounting;
    std::optional<Held> FHeld;
    quint64 FCounts = 0;
    std::optional<HourglassCursor> FTrying;
};

extern TFormDatabase *FormDatabase;
