// The results window against a simulated tester: download, sorting by a
// heading click, data files and the spreadsheet export.

#include "childprocess.h"
#include "filebytes.h"
#include "guifixture.h"
#include "simulatorrows.h"

#include "app/settingsfile.h"

#include "link/commands.h"
#include "records/Result.h"
#include "records/Serch1.h"
#include "records/data/download.h"
#include "records/data/recordstate.h"
#include "records/stringgrid.h"
#include "tools/simulator.h"

#include <QFile>
#include <QLabel>
#include <QRegularExpression>
#include <QToolButton>
#include <functional>
#include <memory>

namespace {
QStringList Labels()
{
    return {FormResult->Label1->text(), FormResult->Label2->text(), FormResult->Label3->text(),
            FormResult->Label4->text()};
}
} // namespace

class TestResultWindow : public GuiTest
{
    Q_OBJECT

    std::unique_ptr<TesterSimulator> tester;
    TStringGrid *grid = nullptr;

    void Link()
    {
        tester = std::make_unique<TesterSimulator>();
        fx->SetTable({GuiFixture::Usb(0, tester->PortName())});
        FormMain->BitBtn1Click();
        QCOMPARE(Connected, 1);
        tester->ClearCommandLog();
    }

    void Download(int records)
    {
        tester->SetRecordCount(records);
        FormResult->BitBtn1Click();
    }

    QString Path(const char *name) const { return fx->Dir() + QLatin1Char('/') + name; }

    void Save(const QString &path)
    {
        fx->ChosenFiles << path;
        FormResult->BitBtn2Click();
    }
    void Open(const QString &path)
    {
        fx->ChosenFiles << path;
        FormResult->BitBtn3Click();
    }
    void Click(int col) { FormResult->StringGrid1MouseUp(col, 0); }

    QStringList Column(int col)
    {
        QStringList cells;
        for (int row = 1; row <= RecordCount; ++row)
            cells << grid->Cell(col, row);
        return cells;
    }

private slots:
    void initTestCase()
    {
        GuiTest::initTestCase();
        grid = FormResult->StringGrid1;
    }
    void cleanupTestCase()
    {
        tester.reset();
        GuiTest::cleanupTestCase();
    }

    void init()
    {
        FormResult->close();
        FormResult->show();
        fx->Messages.clear();
        fx->FileRequests.clear();
        fx->Answers.clear();
    }
    void cleanup()
    {
        if (Connected)
            FormMain->BitBtn6Click();
        tester.reset();
    }

    void showingStartsEmpty()
    {
        QCOMPARE(FormResult->windowTitle(), QStringLiteral("Result"));
        QCOMPARE(FormResult->size(), QSize(762, 642));
        QCOMPARE(grid->columnWidth(0), 100);
        for (int col = 1; col < 6; ++col)
            QCOMPARE(grid->columnWidth(col), 120);
        QCOMPARE(grid->rowHeight(1), 24);
        QCOMPARE(grid->RowCount(), 17);
        QCOMPARE(RecordCount, 0);
        QCOMPARE(grid->Rows()[0], PlainHeadings());
        for (int row = 1; row < 17; ++row)
            QCOMPARE(grid->Rows()[row], GridRow(6));
        QCOMPARE(Labels(), QStringList({"Device Information ", "Serial Number        : ",
                                        "Software Version  : ", "Last Calibration     : "}));
    }

    void readNeedsALinkedTester()
    {
        FormResult->BitBtn1Click();
        QCOMPARE(fx->TakeTexts(), QStringList({"Fail to open port (USB)!!!"}));
    }

    void downloadFillsTheGrid_data()
    {
        QTest::addColumn<int>("records");
        QTest::newRow("one") << 1;
        QTest::newRow("three") << 3;
        QTest::newRow("five hundred") << 500;
    }
    void downloadFillsTheGrid()
    {
        QFETCH(int, records);
        Link();
        Download(records);
        QVERIFY(fx->Messages.isEmpty());
        QCOMPARE(tester->CommandLog(), QList<QByteArray>({Cmd::Identify, Cmd::Download}));
        QCOMPARE(RecordCount, records);
        QCOMPARE(grid->RowCount(), records + 1);
        QCOMPARE(grid->Rows()[0], PlainHeadings());
        for (int i : {0, records / 2, records - 1})
            QCOMPARE(grid->Rows()[i + 1], RowOf(i));
        QCOMPARE(Labels(),
                 QStringList({"Device Information ", "Serial Number         : KT0012345",
                              "Software Version  : V2.13", "Last Calibration      : 2011-03-15"}));
        QCOMPARE(DeviceInfoLines, Labels());
    }

    void failedReadsChangeNothing_data()
    {
        QTest::addColumn<QByteArray>("identification");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("vanishAt");
        QTest::addColumn<QString>("message");
        const QByteArray other = "#I7\nQX4826\nSN-2\nV9\n2020-01-01\n-\n0\n0\n";
        QTest::newRow("none stored") << other << 0 << -1 << "No Data !!!";
        QTest::newRow("more than 500") << other << 501 << -1 << "Data Reading Error !!!";
        QTest::newRow("identification of six lines")
            << QByteArray("#I6\nQX4826\nSN\nV1\n2011-01-01\n-\n0\n") << 3 << -1
            << "Information Rx Error !!!";
        QTest::newRow("tester gone after 5000 bytes of 500 records")
            << other << 500 << 5000 << "Data Reading Error !!!";
    }
    void failedReadsChangeNothing()
    {
        QFETCH(QByteArray, identification);
        QFETCH(int, records);
        QFETCH(int, vanishAt);
        QFETCH(QString, message);
        Link();
        Download(2);
        const GridRows before = grid->Rows();
        const QStringList labels = Labels();
        tester->SetReply(Cmd::Identify, identification);
        if (vanishAt >= 0)
            tester->VanishAfter(Cmd::Download, vanishAt);
        tester->ClearCommandLog();
        fx->Answers << mrOk; // the two records are not saved
        Download(records);
        QCOMPARE(fx->TakeTexts().mid(1), QStringList({message}));
        QCOMPARE(grid->Rows(), before);
        QCOMPARE(RecordCount, 2);
        QCOMPARE(Labels(), labels);
        QCOMPARE(DeviceInfoLines, labels);
        if (message == QLatin1String("Information Rx Error !!!"))
            QCOMPARE(tester->CommandLog(), QList<QByteArray>({Cmd::Identify}));
    }

    void silentTesterIsAskedTenTimes()
    {
        Link();
        tester->SetSilent(true);
        Download(3);
        QCOMPARE(fx->TakeTexts(), QStringList({"Information Rx Error !!!"}));
        QCOMPARE(tester->CommandLog(), QList<QByteArray>(10, Cmd::Identify));
    }

    void zeroByteEndsTheReply()
    {
        Link();
        tester->SetReply(Cmd::Download, QByteArray("#D3\n") + TesterSimulator::RecordLine(0) +
                                            QByteArray("00002,01 - Jan", 14) + '\0' +
                                            TesterSimulator::RecordLine(2));
        Download(3);
        // The zero byte leaves fewer lines than announced: nothing is padded.
        QCOMPARE(fx->TakeTexts(), QStringList({"Data Reading Error !!!"}));
        QCOMPARE(RecordCount, 0);
        QCOMPARE(grid->Rows()[1], GridRow(6));
    }

    void overlongLinesAreCut()
    {
        Link();
        const QByteArray longLine =
            "00001,01 - Jan - 2009,08:00.00,0.045 ,1,0,1," + QByteArray(200, 'x') + '\n';
        tester->SetReply(Cmd::Download, "#D2\n" + longLine + TesterSimulator::RecordLine(1));
        Download(2);
        QVERIFY(fx->Messages.isEmpty());
        QCOMPARE(RecordCount, 2);
        QCOMPARE(grid->Cell(3, 1), QStringLiteral("0.045 %BAC"));
        QCOMPARE(grid->Cell(5, 1), QStringLiteral("Manual"));
    }

    void headingClicksSort()
    {
        Link();
        Download(3);
        // Times of the three records fall in another order than their numbers.
        Click(0);
        QCOMPARE(grid->Cell(0, 0), QStringLiteral("v   Test No"));
        QCOMPARE(Column(0), QStringList({"00001", "00002", "00003"}));
        Click(0);
        QCOMPARE(grid->Cell(0, 0), QStringLiteral("^   Test No"));
        QCOMPARE(Column(0), QStringList({"00003", "00002", "00001"}));
        Click(0);
        QCOMPARE(grid->Cell(0, 0), QStringLiteral("v   Test No"));

        const QStringList times = Column(2);
        QStringList sorted = times;
        std::sort(sorted.begin(), sorted.end());
        Click(2);
        QCOMPARE(grid->Cell(0, 0), QStringLiteral("  Test No"));
        QCOMPARE(grid->Cell(2, 0), QStringLiteral("v   Time"));
        QCOMPARE(Column(2), sorted);
        // Whole rows move.
        for (int row = 1; row <= 3; ++row)
            QCOMPARE(grid->Rows()[row], RowOf(grid->Cell(0, row).toInt() - 1));

        // Clicks on other rows do nothing.
        const GridRows before = grid->Rows();
        FormResult->StringGrid1MouseUp(0, 1);
        QCOMPARE(grid->Rows(), before);
    }

    void oneRecordIsNotSorted()
    {
        Link();
        Download(1);
        Click(0);
        QCOMPARE(grid->Cell(0, 0), QStringLiteral("  Test No"));
    }

    void dataFileRoundTrip()
    {
        Link();
        Download(5);
        Save(Path("first.DAT"));
        QCOMPARE(fx->FileRequests.size(), 1);
        QCOMPARE(fx->FileRequests[0].kind, FileDialogKind::Save);
        QCOMPARE(fx->FileRequests[0].defaultExt, QStringLiteral("DAT"));
        QCOMPARE(fx->FileRequests[0].filter, QStringLiteral("Kestrune data File (*.dat)|*.dat"));
        const QByteArray first = ReadAll(Path("first.DAT"));
        QVERIFY(first.startsWith("Kestrune\r\nDevice Information \r\nSerial Number         : "));
        QVERIFY(
            first.contains("\r\n\r\n\r\n\r\n\r\n  Test No,  Date,  Time,  Reading,  Test Result,"
                           "  Sampling Type,\r\n00001,"));

        FormResult->close();
        FormResult->show();
        Open(Path("first.DAT"));
        FormResult->close(); // saved or opened records need no question
        FormResult->show();
        Open(Path("first.DAT"));
        QVERIFY(fx->Messages.isEmpty());
        QCOMPARE(fx->FileRequests[1].kind, FileDialogKind::Open);
        QCOMPARE(fx->FileRequests[1].filter, QStringLiteral("Kestrune data File [*.dat]|*.DAT"));
        QCOMPARE(RecordCount, 5);
        QCOMPARE(Labels()[1], QStringLiteral("Serial Number         : KT0012345"));
        Save(Path("second.DAT"));
        QCOMPARE(ReadAll(Path("second.DAT")), first);

        // A sort mark is written but not read back.
        Click(1);
        Save(Path("sorted.DAT"));
        QVERIFY(ReadAll(Path("sorted.DAT")).contains("v   Date,"));
        Open(Path("sorted.DAT"));
        QCOMPARE(grid->Rows()[0], PlainHeadings());
        Save(Path("resaved.DAT"));
        QByteArray expected = ReadAll(Path("sorted.DAT"));
        expected.replace("v   Date,", "  Date,");
        QCOMPARE(ReadAll(Path("resaved.DAT")), expected);
    }

    void savingAsksBeforeOverwriting()
    {
        Link();
        Download(2);
        WriteAll(Path("kept.DAT"), "old contents");
        fx->Answers << mrCancel;
        Save(Path("kept.DAT"));
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].text, QStringLiteral("File Over Saving ?"));
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Warning"));
        QCOMPARE(fx->Messages[0].buttons, MsgButtons::OkCancel);
        QCOMPARE(ReadAll(Path("kept.DAT")), QByteArray("old contents"));
        fx->Answers << mrOk;
        Save(Path("kept.DAT"));
        QVERIFY(ReadAll(Path("kept.DAT")).startsWith("Kestrune\r\n"));
        // The default extension is added to a bare name.
        Save(Path("bare"));
        QVERIFY(ReadAll(Path("bare.DAT")).startsWith("Kestrune\r\n"));
    }

    void failedSaveKeepsTheOldFileAndSaysWhy()
    {
        Link();
        Download(2);
        WriteAll(Path("blocker"), "a file, not a folder");
        Save(Path("blocker/inside.DAT"));
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Failure"));
        QVERIFY(fx->Messages[0].text.contains(QStringLiteral("inside.DAT")));
    }

    void nothingToSaveOrExport()
    {
        FormResult->BitBtn2Click();
        FormResult->BitBtn8Click();
        FormResult->BitBtn7Click();
        QCOMPARE(fx->TakeTexts(), QStringList({"No Data !!!", "No Data !!!", "No Data !!!"}));
        QVERIFY(fx->FileRequests.isEmpty());
        QVERIFY(!FormSerch1->isVisible());
    }

    void openingOtherFiles_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::addColumn<QString>("message");
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("rows");
        const QByteArray head = "Kestrune\r\nA\r\nB\r\nC\r\nD\r\n\r\n\r\n\r\n\r\n\r\nheadings\r\n";
        const QString mismatch = QStringLiteral("Kestrune Data format mismatch !!!");
        QTest::newRow("marker in lower case")
            << QByteArray("kestrune\r\nA\r\nB\r\nC\r\nD\r\n") << mismatch << 0 << 2;
        QTest::newRow("marker and too few lines")
            << QByteArray("Kestrune\r\nA\r\nB\r\n") << mismatch << 0 << 2;
        QTest::newRow("empty file") << QByteArray() << QString() << 0 << 2;
        QTest::newRow("headings only") << head << QString() << 0 << 1;
        QTest::newRow("empty lines are records") << head + "1,a,b,c,d,e,\r\n\r\n\r\n"
                                                 << QString() << 3 << 4;
        QTest::newRow("five commas") << head + "1,2,3,4,5,lost" << QString() << 1 << 2;
    }
    void openingOtherFiles()
    {
        QFETCH(QByteArray, contents);
        QFETCH(QString, message);
        QFETCH(int, records);
        QFETCH(int, rows);
        const QStringList labels = Labels();
        WriteAll(Path("other.DAT"), contents);
        Open(Path("other.DAT"));
        QCOMPARE(fx->TakeTexts(), message.isEmpty() ? QStringList() : QStringList(message));
        QCOMPARE(RecordCount, records);
        QCOMPARE(grid->RowCount(), rows);
        if (!message.isEmpty())
            QCOMPARE(Labels(), labels);
        if (QTest::currentDataTag() == QLatin1String("five commas"))
            QCOMPARE(grid->Rows()[1], GridRow({"1", "2", "3", "4", "5", ""}));
        if (QTest::currentDataTag() == QLatin1String("empty lines are records")) {
            QCOMPARE(grid->Rows()[2], GridRow(6));
            QCOMPARE(Labels(), QStringList({"A", "B", "C", "D"}));
        }
    }

    void missingOrUnreadableFiles()
    {
        Open(Path("does-not-exist.DAT"));
        QVERIFY(fx->Messages.isEmpty());
        QVERIFY(QDir(fx->Dir()).mkpath(QStringLiteral("folder.DAT")));
        Open(Path("folder.DAT"));
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Failure"));
        // Cancelling the dialog changes nothing.
        FormResult->BitBtn3Click();
        QCOMPARE(fx->Messages.size(), 1);
    }

    void exportOfThreeRecords()
    {
        Link();
        Download(3);
        Click(1);
        fx->ChosenFiles << Path("export.xls");
        FormResult->BitBtn8Click();
        QCOMPARE(fx->FileRequests.last().defaultExt, QStringLiteral("xls"));
        QCOMPARE(fx->FileRequests.last().filter,
                 QStringLiteral("Microsft Excel (.xls)|*.xls|Excel workbook (*.xlsx)|*.xlsx"));
        const QByteArray bytes = ReadAll(Path("export.xls"));
        QVERIFY(bytes.endsWith("\r\n"));
        QList<QByteArray> lines = bytes.split('\n');
        lines.removeLast();
        QCOMPARE(lines.size(), 14);
        QCOMPARE(lines[10], QByteArray("  Test No\tv   Date\t  Time\t  Reading\t  Test Result\t"
                                       "  Sampling Type\t\r"));
        for (int i = 11; i < 14; ++i) {
            QCOMPARE(lines[i].count('\t'), 6);
            QVERIFY(lines[i].endsWith("\t\r"));
            QCOMPARE(QString::fromLatin1(lines[i].left(5)), grid->Cell(0, i - 10));
        }
    }

    void searchOpensTheCriteriaDialog()
    {
        Link();
        Download(2);
        FormResult->move(40, 30);
        QPoint placed;
        QTimer::singleShot(0, [&placed] {
            placed = FormSerch1->pos();
            FormSerch1->close();
        });
        FormResult->BitBtn7Click();
        QCOMPARE(placed, QPoint(540, 30));
        QVERIFY(fx->Messages.isEmpty());
    }

    void unsavedRecordsAreNotDiscardedSilently_data()
    {
        QTest::addColumn<int>("answer");
        for (const char *action : {"close", "read", "open", "end the program"}) {
            QTest::addRow("%s", action) << int(mrCancel);
            QTest::addRow("%s, OK", action) << int(mrOk);
        }
    }
    void unsavedRecordsAreNotDiscardedSilently()
    {
        QFETCH(int, answer);
        const QString action = QString::fromLatin1(QTest::currentDataTag()).section(',', 0, 0);
        FormMain->show();
        Link();
        Download(3);
        const GridRows before = grid->Rows();
        tester->SetRecordCount(5);
        fx->Answers << answer;
        if (action == "close")
            FormResult->close();
        else if (action == "read")
            FormResult->BitBtn1Click();
        else if (action == "open")
            Open(Path("one.DAT")); // not there: nothing opened
        else
            FormMain->close();
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].text, QStringLiteral("Data Not Saved ! Continue ?"));
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Warning"));
        QCOMPARE(fx->Messages[0].buttons, MsgButtons::OkCancel);
        const bool ok = answer == mrOk;
        QCOMPARE(FormResult->isVisible(), !ok || action != "close");
        QCOMPARE(FormMain->isVisible(), !ok || action != "end the program");
        QCOMPARE(RecordCount, ok && action == "read" ? 5 : 3);
        QCOMPARE(fx->ChosenFiles.size(), ok || action != "open" ? 0 : 1);
        if (!ok)
            QCOMPARE(grid->Rows(), before);
        fx->ChosenFiles.clear();
    }

    void unpluggingKeepsUnsavedRecords()
    {
        Link();
        Download(4);
        fx->SetTable({});
        FormMain->Timer1Timer();
        const QStringList kept = QDir(fx->Dir()).entryList({"Kestrune-*.DAT"});
        QCOMPARE(kept.size(), 1);
        QVERIFY(QRegularExpression("^Kestrune-\\d{8}-\\d{6}\\.DAT$").match(kept[0]).hasMatch());
        const QString path = Path(qPrintable(kept[0]));
        QCOMPARE(fx->TakeTexts(), QStringList({"Tester Disconnected ! Data Saved : " + path}));
        Save(Path("by-hand.DAT"));
        QCOMPARE(ReadAll(path), ReadAll(Path("by-hand.DAT")));
        QFile::remove(path);
    }

    // The disk refuses part of the file (a file size limit in a child
    // process, which binds root too): the old file stays, nothing is left
    // beside it, and the system's reason is shown.
    void refusedWriteKeepsTheOldFile_data()
    {
        QTest::addColumn<int>("records");
        QTest::addColumn<int>("limit");
        QTest::newRow("settings file") << 0 << 64;
        QTest::newRow("small data file") << 3 << 256;
        QTest::newRow("large data file") << 500 << 20000;
        QTest::newRow("small export") << 3 << 256;
        QTest::newRow("large export") << 500 << 20000;
        QTest::newRow("small workbook") << 3 << 256;
        QTest::newRow("large workbook") << 500 << 20000;
    }
    void refusedWriteKeepsTheOldFile()
    {
        QFETCH(int, records);
        QFETCH(int, limit);
        const QString writer = QString::fromLatin1(QTest::currentDataTag()).section(' ', 1);
        QTemporaryDir dir(fx->Dir() + QStringLiteral("/XXXXXX"));
        const QString name =
            writer == "workbook" ? QStringLiteral("old.xlsx") : QStringLiteral("old");
        const QString path = dir.filePath(records ? name : SettingsFileName);
        WriteAll(path, "old contents");
        if (records) {
            Link();
            Download(records);
            // The download is archived on a thread of the program's: done
            // before the test forks, which copies no thread but its own.
            QTRY_VERIFY(!FormResult->Label5->text().isEmpty());
        }
        const QString said = UnderFileSizeLimit(limit, [&] {
            QString error;
            if (!records)
                return SaveSettings(dir.path(), &error) ? QString() : error;
            fx->ChosenFiles << path;
            fx->Answers << mrOk;
            writer == "data" ? FormResult->BitBtn2Click() : FormResult->BitBtn8Click();
            return fx->Messages.last().text;
        });
        QVERIFY2(said.contains(path) && said.contains("File too large"), qPrintable(said));
        QCOMPARE(ReadAll(path), QByteArray("old contents"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                 QStringList(QFileInfo(path).fileName()));
    }

    void escapeAndPosition()
    {
        FormResult->move(77, 66);
        QTest::keyClick(grid, Qt::Key_Escape);
        QVERIFY(!FormResult->isVisible());
        QCOMPARE(WindowPositions[1].Left, 77);
        QCOMPARE(WindowPositions[1].Top, 66);
    }
};

QTEST_MAIN(TestResultWindow)
#include "tst_resultwindow.moc"
