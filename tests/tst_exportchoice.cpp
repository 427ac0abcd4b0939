// The excel button of both result windows: the tab-separated .xls stays the
// default, the Excel workbook (.xlsx) is the second filter, and the chosen
// name's extension decides what is written (the real dialog gives a name
// typed without one its filter's). Workbooks are read back by unzipping
// them and reading the sheet's XML (workbookreader.h).

#include "filebytes.h"
#include "guifixture.h"
#include "workbookreader.h"

#include "records/Result.h"
#include "records/Searchlist.h"
#include "records/data/recordstate.h"
#include "records/stringgrid.h"

#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>

namespace {

const GridRows Records{
    {"00003", "05 - Jan - 2010", "09:00.00", "0.120 %BAC", "PASS", "Manual"},
    {"00001", "31 - Dec - 2009", "18:20.50", "0.500 %BAC", "FAIL", "Manual"},
};
const QStringList Device{"Device Information ", "Serial Number : SN-1", "Software Version  : V2",
                         "Last Calibration : 2011"};
const QString BothFilters =
    QStringLiteral("Microsft Excel (.xls)|*.xls|Excel workbook (*.xlsx)|*.xlsx");

} // namespace

class TestExportChoice : public GuiTest
{
    Q_OBJECT

    QString Path(const QString &name) const { return fx->Dir() + QLatin1Char('/') + name; }

    // The results window's or the search result window's excel button.
    void Export(bool search, const QString &chosen = QString())
    {
        if (!chosen.isEmpty())
            fx->ChosenFiles << chosen;
        search ? SearchForm->BitBtn8Click() : FormResult->BitBtn8Click();
        fx->ChosenFiles.clear();
    }

private slots:
    void init()
    {
        FormResult->StringGrid1->Rows() = GridRows{PlainHeadings()} + Records;
        RecordCount = int(Records.size());
        DeviceInfoLines = Device;
        SearchForm->SetMatches({Records[1]});
        fx->Messages.clear();
        fx->FileRequests.clear();
        fx->Answers.clear();
        fx->AnswerFileDialogs();
        for (const QString &name : QDir(fx->Dir()).entryList({"*.xls*", "*.XLS*"}))
            QFile::remove(Path(name));
    }

    void chosenNameDecides_data()
    {
        QTest::addColumn<bool>("search");
        QTest::addColumn<QString>("chosen");
        QTest::addColumn<QString>("written");
        QTest::addColumn<bool>("workbook");
        QTest::newRow("results, .xlsx") << false << "book.xlsx"
                                        << "book.xlsx" << true;
        QTest::newRow("results, .XLSX") << false << "BOOK.XLSX"
                                        << "BOOK.XLSX" << true;
        QTest::newRow("results, .xls") << false << "book.xls"
                                       << "book.xls" << false;
        QTest::newRow("results, bare name") << false << "bare"
                                            << "bare.xls" << false;
        QTest::newRow("search, .xlsx") << true << "picked.xlsx"
                                       << "picked.xlsx" << true;
        QTest::newRow("search, .xls") << true << "picked.xls"
                                      << "picked.xls" << false;
    }
    void chosenNameDecides()
    {
        QFETCH(bool, search);
        QFETCH(QString, chosen);
        QFETCH(QString, written);
        QFETCH(bool, workbook);
        Export(search, Path(chosen));
        QVERIFY(fx->Messages.isEmpty());
        QCOMPARE(fx->FileRequests.size(), 1);
        QCOMPARE(fx->FileRequests[0].kind, FileDialogKind::Save);
        QCOMPARE(fx->FileRequests[0].defaultExt, QStringLiteral("xls"));
        QCOMPARE(fx->FileRequests[0].filter, BothFilters);
        const QByteArray bytes = ReadAll(Path(written));
        QCOMPARE(bytes.startsWith("PK\x03\x04"), workbook);
        if (!workbook) {
            QVERIFY(bytes.startsWith("Kestrune\r\nDevice Information \r\n"));
            QVERIFY(bytes.contains("\t  Reading\t"));
            return;
        }
        const ReadBack book = ReadWorkbook(Path(written));
        QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
        for (int line = 0; line < Device.size(); ++line)
            QCOMPARE(book.Shown(QStringLiteral("A%1").arg(line + 1)), "s:" + Device[line]);
        QCOMPARE(book.Shown("A6"), QStringLiteral("s:Test No"));
        // The window's rows in its order, the first of them below the headings.
        QCOMPARE(book.Shown("A7"), search ? QStringLiteral("n:1:00000") : "n:3:00000");
        QCOMPARE(book.Shown("B7"), search ? QStringLiteral("n:40178:dd-mmm-yyyy")
                                          : QStringLiteral("n:40183:dd-mmm-yyyy"));
        QCOMPARE(book.Shown("A8"), search ? QString() : QStringLiteral("n:1:00000"));
    }

    // The question before an old file goes, the failure with its reason and
    // the refusal without records, in each window's kind of box.
    void workbookAsTheXlsExportDoesIt_data()
    {
        QTest::addColumn<bool>("search");
        QTest::newRow("results window") << false;
        QTest::newRow("search result window") << true;
    }
    void workbookAsTheXlsExportDoesIt()
    {
        QFETCH(bool, search);
        const MsgOwner owner = search ? MsgOwner::None : MsgOwner::Application;
        const QString path = Path(QStringLiteral("kept.xlsx"));
        WriteAll(path, "old contents");

        fx->Answers << mrCancel;
        Export(search, path);
        QCOMPARE(ReadAll(path), QByteArray("old contents"));
        fx->Answers << mrOk;
        Export(search, path);
        QVERIFY(ReadWorkbook(path).error.isEmpty());
        const QString missing = Path(QStringLiteral("no such folder/book.xlsx"));
        Export(search, missing);
        QCOMPARE(fx->Messages.size(), 3);
        for (const ShownMessage &m : fx->Messages)
            QCOMPARE(m.owner, owner);
        for (int asked : {0, 1}) {
            QCOMPARE(fx->Messages[asked].text, QStringLiteral("File Over Saving ?"));
            QCOMPARE(fx->Messages[asked].caption, QStringLiteral("Warning"));
            QCOMPARE(fx->Messages[asked].buttons, MsgButtons::OkCancel);
        }
        QCOMPARE(fx->Messages[2].caption, QStringLiteral("Failure"));
        QVERIFY2(fx->Messages[2].text.startsWith("Cannot save " +
                                                 QDir::toNativeSeparators(missing) + ": "),
                 qPrintable(fx->Messages[2].text));
        QCOMPARE(QDir(fx->Dir()).entryList({"*.xlsx*"}), QStringList("kept.xlsx"));

        fx->Messages.clear();
        RecordCount = 0;
        SearchForm->SetMatches({});
        Export(search, path);
        QCOMPARE(fx->TakeTexts(), QStringList(search ? "Not Data !!!" : "No Data !!!"));
        QCOMPARE(fx->FileRequests.size(), 3);
    }

    // The real dialog: a name typed without extension gets the extension of
    // the filter the operator picked.
    void realDialogGivesTheFilterExtension_data()
    {
        QTest::addColumn<int>("filter");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("chosen");
        QTest::newRow("text, the default") << 0 << "chosen"
                                           << "chosen.xls";
        QTest::newRow("workbook") << 1 << "chosen"
                                  << "chosen.xlsx";
        QTest::newRow("workbook, named .xls") << 1 << "chosen.xls"
                                              << "chosen.xls";
    }
    void realDialogGivesTheFilterExtension()
    {
        QFETCH(int, filter);
        QFETCH(QString, typed);
        QFETCH(QString, chosen);
        SetFileDialogHandler({});
        bool answered = false;
        QTimer::singleShot(0, [&] {
            auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
            QVERIFY(dialog);
            auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
            QVERIFY(types && name);
            QCOMPARE(types->count(), 2);
            for (int step = 0; step < filter; ++step)
                QTest::keyClick(types, Qt::Key_Down);
            QCOMPARE(types->currentIndex(), filter);
            name->setText(typed);
            QTest::keyClick(name, Qt::Key_Return);
            answered = true;
        });
        const QString path = ExecuteFileDialog(
            {FileDialogKind::Save, QStringLiteral("xls"), BothFilters, FormResult});
        QVERIFY(answered);
        QCOMPARE(QFileInfo(path).fileName(), chosen);
    }
};

QTEST_MAIN(TestExportChoice)
#include "tst_exportchoice.moc"
