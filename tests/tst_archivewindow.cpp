// The archive window: opened from the main window's toolbar, its filters and
// sort against the search dialog's on the same records, data-file import with
// a refused file, the selection written as the results window writes, the
// chart, and an archive that cannot be opened.

#include "archivefixture.h"
#include "guifixture.h"
#include "pdftext.h"
#include "workbookreader.h"

#include "archive/Archive.h"
#include "archive/archivemodel.h"
#include "archive/readingchart.h"
#include "archive/verifywords.h"
#include "kit/printdialog.h"
#include "records/Result.h"
#include "records/Searchlist.h"
#include "records/Serch1.h"
#include "records/data/datafile.h"
#include "records/data/recordstate.h"
#include "records/data/recordvalues.h"
#include "records/data/searchfilter.h"
#include "records/data/sortrows.h"
#include "records/datelist.h"
#include "records/stringgrid.h"

#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTableWidget>
#include <QToolButton>
#include <QToolTip>
#include <memory>

namespace {

const QStringList TesterA{"Device Information ", "Serial Number         : SN0012345",
                          "Software Version  : V2.1", "Last Calibration      : 2010-03-01"};
const QStringList TesterB{"Device Information ", "Serial Number         : SN0099999",
                          "Software Version  : V1.0", "Last Calibration      : 2009-11-15"};

// Records that meet the search's edge cases: a test number 0, dates across a
// year's end, %BAC and mg/L, readings beginning with 6, both results.
GridRows MakeRecords(int first, int count)
{
    GridRows rows;
    for (int i = first; i < first + count; ++i) {
        const QDate date = QDate(2009, 12, 20).addDays(i * 9);
        const QString reading = i % 11 == 5 ? QStringLiteral("6.100")
                                            : QString::number((i * 53 % 700) / 1000.0, 'f', 3);
        rows.append({QString::number(i * 7 % 30).rightJustified(5, u'0'),
                     QStringLiteral("%1 - %2 - %3")
                         .arg(date.day(), 2, 10, QLatin1Char('0'))
                         .arg(QLatin1String(MonthNames[date.month()]))
                         .arg(date.year()),
                     QStringLiteral("%1:%2.00")
                         .arg(8 + i % 9, 2, 10, QLatin1Char('0'))
                         .arg(i % 60, 2, 10, QLatin1Char('0')),
                     reading + (i % 4 == 3 ? QStringLiteral(" mg/L") : QStringLiteral(" %BAC")),
                     i % 3 == 0 ? QStringLiteral("FAIL") : QStringLiteral("PASS"),
                     i % 5 == 0 ? QStringLiteral("-") : QStringLiteral("Manual")});
    }
    return rows;
}

const GridRows RecordsA = MakeRecords(0, 16);
const GridRows RecordsB = MakeRecords(16, 8);

QStringList Joined(const GridRows &rows)
{
    QStringList lines;
    for (const GridRow &row : rows)
        lines << row.join(u',');
    lines.sort();
    return lines;
}

struct Criteria
{
    QString numbers;  // "from|to"; empty: switched off
    QString dates;    // "from|to"
    int unit = -1;    // -1: switched off
    QString readings; // "from|to"; empty: the unit's range
    int result = -1;  // -1: switched off
};
Criteria Pick(const QString &numbers, const QString &dates = {}, int unit = -1,
              const QString &readings = {}, int result = -1)
{
    return {numbers, dates, unit, readings, result};
}

} // namespace
Q_DECLARE_METATYPE(Criteria)
namespace {

// The search dialog and the archive window name their inputs alike.
template <class Form> void SetCriteria(Form *form, const Criteria &c)
{
    if (!c.numbers.isEmpty()) {
        form->CheckBox1->click();
        form->Edit1->setText(c.numbers.section(u'|', 0, 0));
        form->Edit2->setText(c.numbers.section(u'|', 1, 1));
    }
    if (!c.dates.isEmpty()) {
        form->CheckBox2->click();
        ShowOnlyItem(form->ComboBox1, c.dates.section(u'|', 0, 0));
        ShowOnlyItem(form->ComboBox2, c.dates.section(u'|', 1, 1));
    }
    if (c.unit >= 0) {
        form->CheckBox3->click();
        form->ComboBox3->setCurrentIndex(c.unit);
        emit form->ComboBox3->activated(c.unit);
        if (!c.readings.isEmpty()) {
            form->Edit3->setText(c.readings.section(u'|', 0, 0));
            form->Edit4->setText(c.readings.section(u'|', 1, 1));
        }
    }
    if (c.result >= 0) {
        form->CheckBox4->click();
        form->ComboBox4->setCurrentIndex(c.result);
    }
}

} // namespace

class TestArchiveWindow : public GuiTest
{
    Q_OBJECT

    // Once the window has read what it asked for.
    static bool Settled()
    {
        return QTest::qWaitFor([] { return !FormArchive->Busy(); });
    }
    GridRows Shown()
    {
        std::optional<ArchiveResult<GridRows>> rows;
        if (!Settled())
            return {};
        FormArchive->Records->AllRows(FormArchive,
                                      [&](const ArchiveResult<GridRows> &all) { rows = all; });
        if (!QTest::qWaitFor([&] { return rows.has_value(); }) || !*rows)
            return {};
        rows->value->removeFirst();
        return *rows->value;
    }
    void Open()
    {
        FormArchive->close();
        FormMain->BitBtn7->click();
        QVERIFY(FormArchive->isVisible());
        QVERIFY(Settled());
    }

private slots:
    void initTestCase()
    {
        // The fixture points the archive at its own folder.
        GuiTest::initTestCase();
        ArchiveError error;
        {
            std::unique_ptr<ArchiveStore> store = ArchiveFixture::OpenChosen(QString(), &error);
            QVERIFY2(store, qPrintable(Said(error)));
            QVERIFY(store->Add(TesterA, RecordsA, &error));
            QVERIFY(store->Add(TesterB, RecordsB, &error));
        }
    }
    void init()
    {
        Open();
        FormArchive->SelectTester(0);
        QVERIFY(Settled());
        fx->Messages.clear();
    }

    void toolbarButtonOpensTheWindowWithoutModality()
    {
        QCOMPARE(FormMain->BitBtn7->geometry(), QRect(656, 6, 100, 61));
        QVERIFY(!FormArchive->isModal());
        QCOMPARE(FormArchive->StringGrid1->rowCount(), 3);
        QCOMPARE(FormArchive->StringGrid1->item(0, 0)->text(), QStringLiteral("all testers"));
        QCOMPARE(FormArchive->StringGrid1->item(0, 2)->text(), QStringLiteral("24"));
        QCOMPARE(FormArchive->StringGrid1->item(1, 0)->text(), QStringLiteral("SN0012345"));
        QCOMPARE(FormArchive->StringGrid1->item(1, 3)->text(), QStringLiteral("20 - Dec - 2009"));
        // The tester's "2010-03-01" in the same style, with the mark of a
        // calibration due.
        QVERIFY(FormArchive->StringGrid1->item(1, 1)->text().startsWith(
            QStringLiteral("01 - Mar - 2010 ")));
        QCOMPARE(FormArchive->Label5->text(), QStringLiteral("24 records"));

        FormArchive->move(120, 90);
        QTest::keyClick(FormArchive->StringGrid2, Qt::Key_Escape);
        QVERIFY(!FormArchive->isVisible());
        QCOMPARE(WindowPositions[2].Left, 120);
        QCOMPARE(WindowPositions[2].Top, 90);
    }

    void filtersAsTheSearchDialog_data()
    {
        QTest::addColumn<int>("tester"); // row of the tester list
        QTest::addColumn<Criteria>("criteria");
        QTest::newRow("everything") << 0 << Pick({});
        QTest::newRow("numbers reversed") << 0 << Pick("20|5");
        QTest::newRow("number 0") << 0 << Pick("0|10");
        QTest::newRow("dates across the year") << 0 << Pick("", "2010-01-31|2009-12-25");
        QTest::newRow("%BAC by the switch") << 0 << Pick("", "", BacUnit);
        QTest::newRow("mg/L chosen") << 0 << Pick("", "", 2);
        QTest::newRow("reading range reversed") << 0 << Pick("", "", BacUnit, "0.400|0.000");
        QTest::newRow("readings beginning with 6") << 0 << Pick("", "", BacUnit, "0|9");
        QTest::newRow("FAIL of one tester") << 2 << Pick("", "", -1, "", 1);
        QTest::newRow("all together")
            << 1 << Pick("1|99999", "2009-01-01|2010-12-31", BacUnit, "0.1|0.6", 0);
    }
    void filtersAsTheSearchDialog()
    {
        QFETCH(int, tester);
        QFETCH(Criteria, criteria);
        const GridRows records = tester == 0   ? RecordsA + RecordsB
                                 : tester == 1 ? RecordsA
                                               : RecordsB;
        FormResult->StringGrid1->Rows() = GridRows{PlainHeadings()} + records;
        FormSerch1->show();
        SetCriteria(FormSerch1, criteria);
        FormSerch1->Button1->click();
        FormSerch1->close();
        const QStringList searchSaid = fx->TakeTexts();
        GridRows found;
        for (int row = 1; row < SearchForm->StringGrid1->RowCount(); ++row)
            if (!SearchForm->StringGrid1->Rows()[row].join(QString()).isEmpty())
                found.append(SearchForm->StringGrid1->Rows()[row]);

        FormArchive->SelectTester(tester);
        SetCriteria(FormArchive, criteria);
        FormArchive->Button1->click();
        QVERIFY(Settled());
        QCOMPARE(fx->TakeTexts(), searchSaid);
        QCOMPARE(Joined(Shown()), searchSaid.isEmpty() ? Joined(found) : QStringList());
        QCOMPARE(FormArchive->Records->Records(), searchSaid.isEmpty() ? found.size() : 0);
    }

    void sortAsTheResultGrid_data()
    {
        QTest::addColumn<int>("column");
        QTest::addColumn<bool>("ascending");
        for (int column = 0; column < RecordColumns; ++column)
            for (bool ascending : {true, false})
                QTest::addRow("%d %s", column, ascending ? "up" : "down") << column << ascending;
    }
    void sortAsTheResultGrid()
    {
        QFETCH(int, column);
        QFETCH(bool, ascending);
        QHeaderView *headings = FormArchive->StringGrid2->horizontalHeader();
        do
            emit headings->sectionClicked(column);
        while (FormArchive->Records->Sort().ascending != ascending);
        QCOMPARE(FormArchive->Records->Headings()[column],
                 QLatin1String(ascending ? AscendingMark : DescendingMark) +
                     PlainHeadings()[column]);

        GridRows sorted = GridRows{PlainHeadings()} + RecordsA + RecordsB;
        SortRows(sorted, 1, int(sorted.size()) - 1, column, ascending);
        sorted.removeFirst();
        auto keys = [column](const GridRows &rows) {
            QStringList k;
            for (const GridRow &row : rows)
                k << (column == 0   ? QString::number(TextToLong(row[0]))
                      : column == 1 ? QString::number(DateKey(row[1]))
                                    : row[column]);
            return k;
        };
        QCOMPARE(keys(Shown()), keys(sorted));
    }

    void savedSelectionReadsBackAsADataFile()
    {
        FormArchive->SelectTester(1);
        QVERIFY(Settled());
        const QString path = fx->Dir() + QStringLiteral("/selection.DAT");
        fx->ChosenFiles << path;
        FormArchive->BitBtn1->click();
        QVERIFY(Settled());
        QCOMPARE(fx->TakeTexts(), QStringList());
        DataFileContent content;
        QString error;
        QCOMPARE(LoadDataFile(path, &content, &error), DataFileStatus::Ok);
        QCOMPARE(content.deviceInfo, TesterA);
        QCOMPARE(Joined(content.records), Joined(RecordsA));
    }

    // A data file and the text export hold the device lines, the headings
    // and the records, and nothing after them: no fingerprint or verify as
    // a printout ends with.
    void writtenSelectionEndsWithItsRecords_data()
    {
        QTest::addColumn<bool>("exported");
        QTest::addColumn<QString>("name");
        QTest::newRow("data file") << false << "ends.DAT";
        QTest::newRow("text export") << true << "ends.xls";
    }
    void writtenSelectionEndsWithItsRecords()
    {
        QFETCH(bool, exported);
        QFETCH(QString, name);
        FormArchive->SelectTester(1);
        QVERIFY(Settled());
        const QString path = fx->Dir() + u'/' + name;
        fx->ChosenFiles << path;
        (exported ? FormArchive->BitBtn2 : FormArchive->BitBtn1)->click();
        QVERIFY(Settled());
        QCOMPARE(fx->TakeTexts(), QStringList());
        const QStringList lines = BuildRecordFileLines(
            TesterA, GridRows{FormArchive->Records->Headings()} + Shown(), exported ? u'\t' : u',');
        QCOMPARE(ArchiveFixture::Bytes(path),
                 (lines.join(QStringLiteral("\r\n")) + "\r\n").toLatin1());
    }

    // The export offers a workbook first, which says whose records it holds.
    void exportedSelectionIsAWorkbookByDefault()
    {
        FormArchive->SelectTester(1);
        QVERIFY(Settled());
        const QString path = fx->Dir() + QStringLiteral("/selection.xlsx");
        fx->ChosenFiles << path;
        FormArchive->BitBtn2->click();
        QVERIFY(Settled());
        QCOMPARE(fx->TakeTexts(), QStringList());
        QCOMPARE(fx->FileRequests.last().filter,
                 "Excel workbook (*.xlsx)|*.xlsx|Microsft Excel (.xls)|*.xls");
        QCOMPARE(fx->FileRequests.last().defaultExt, "xlsx");
        const ReadBack book = ReadWorkbook(path);
        QVERIFY2(book.error.isEmpty(), qPrintable(book.error));
        const QStringList header{"Kestrune archive", "Tester : SN0012345", "Dates : all dates",
                                 "Filter : none"};
        for (int line = 0; line < header.size(); ++line)
            QCOMPARE(book.Shown(QStringLiteral("A%1").arg(line + 1)), "s:" + header[line]);
        // The header, an empty row, the headings, then every record shown.
        const int first = int(header.size()) + 3;
        QCOMPARE(book.Shown(QStringLiteral("F%1").arg(first)),
                 "s:" + FormArchive->Records->Record(0)->cells[4]);
        QVERIFY(!book.Shown(QStringLiteral("A%1").arg(first + RecordsA.size() - 1)).isEmpty());
        QCOMPARE(book.Shown(QStringLiteral("A%1").arg(first + RecordsA.size())), QString());
    }

    void importWithARefusedFile()
    {
        const QString good1 = fx->Dir() + QStringLiteral("/one.DAT");
        const QString bad = fx->Dir() + QStringLiteral("/bad.DAT");
        const QString good2 = fx->Dir() + QStringLiteral("/two.DAT");
        const QStringList testerC{"Device Information ", "Serial Number         : SN0055555",
                                  "Software Version  : V3.0", "Last Calibration      : 2011-01-01"};
        const GridRows records = GridRows{PlainHeadings()} + MakeRecords(40, 5);
        QString error;
        QVERIFY(SaveLinesAtomically(good1, BuildRecordFileLines(testerC, records.mid(0, 4), u','),
                                    &error));
        QVERIFY(SaveLinesAtomically(bad, {"KESTRUNE"}, &error));
        QVERIFY(SaveLinesAtomically(
            good2,
            BuildRecordFileLines(testerC, GridRows{PlainHeadings()} + records.mid(2, 4), u','),
            &error));

        fx->ChosenFiles << QStringList{good1, bad, good2}.join(u'\n');
        FormArchive->BitBtn4->click();
        QVERIFY(Settled());
        QCOMPARE(fx->FileRequests.last().kind, FileDialogKind::OpenMany);
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Failure"));
        QCOMPARE(fx->Messages[0].text,
                 QStringLiteral("Files read : 2\nRecords added : 5\nRecords already there : 2\n"
                                "Files refused : 1\n") +
                     QDir::toNativeSeparators(bad) +
                     QStringLiteral(" : Kestrune Data format mismatch !!!"));
        QTRY_VERIFY(!FormArchive->ChartLoading());
        QCOMPARE(FormArchive->StringGrid1->rowCount(), 4);
        QCOMPARE(FormArchive->StringGrid1->item(2, 0)->text(), QStringLiteral("SN0055555"));
        QCOMPARE(FormArchive->Label5->text(), QStringLiteral("29 records"));

        // Cancelled before the first file: nothing comes in.
        fx->Messages.clear();
        fx->ChosenFiles << good1;
        QTimer::singleShot(0, [] { FormArchive->findChild<QProgressDialog *>()->cancel(); });
        FormArchive->BitBtn4->click();
        QVERIFY(Settled());
        QVERIFY(fx->Messages.value(0).text.endsWith(QStringLiteral("Import cancelled")));
        QCOMPARE(FormArchive->Label5->text(), QStringLiteral("29 records"));
    }

    void chartOfTheSelection()
    {
        FormArchive->SelectTester(1);
        QVERIFY(Settled());
        TReadingChart *chart = FormArchive->Chart1;
        QCOMPARE(chart->Unit(), QStringLiteral("%BAC"));
        // Readings that the search never compares are no points either.
        auto points = [](const char *unit) {
            qsizetype n = 0;
            for (const GridRow &row : RecordsA)
                n += row[3].endsWith(QLatin1String(unit)) && ReadingComparable(row[3]);
            return n;
        };
        QCOMPARE(chart->Points().size(), points("%BAC"));
        QVERIFY(!chart->Bars().isEmpty());
        // Hovering a point tells its test as the records give it.
        chart->repaint();
        std::optional<int> hit;
        QPoint at;
        for (int y = 0; y < chart->height() && !hit; y += 2)
            for (int x = 0; x < chart->width() && !hit; x += 2)
                if ((hit = chart->PointAt({x, y})))
                    at = {x, y};
        QVERIFY(hit);
        const QStringList tip = chart->PointTip(*hit).split(u'\n');
        bool known = false;
        for (const GridRow &row : RecordsA)
            known |=
                tip == QStringList{"Test No : " + row[0], "Date : " + row[1], "Time : " + row[2],
                                   "Reading : " + row[3] + " (" + row[4] + ")"};
        QVERIFY2(known, qPrintable(tip.join(u'|')));
        QTest::mouseMove(chart, at);
        QTRY_COMPARE(QToolTip::text(), tip.join(u'\n'));

        // The operator's unit stays chosen.
        FormArchive->ComboBox5->setCurrentIndex(2);
        emit FormArchive->ComboBox5->activated(2);
        QTRY_VERIFY(!FormArchive->ChartLoading());
        QCOMPARE(chart->Unit(), QStringLiteral("mg/L"));
        QCOMPARE(chart->Points().size(), points("mg/L"));

        const QString png = fx->Dir() + QStringLiteral("/chart.png");
        const QString pdf = fx->Dir() + QStringLiteral("/chart.pdf");
        fx->ChosenFiles << png << pdf;
        FormArchive->Button2->click();
        FormArchive->Button2->click();
        QVERIFY(Settled());
        QCOMPARE(fx->TakeTexts(), QStringList());
        QCOMPARE(QImage(png).size(), QSize(1200, 700));
        QVERIFY(ArchiveFixture::Bytes(pdf).startsWith("%PDF"));
        // A document ends with the selection's fingerprint and the last
        // verify, as the archive gives them.
        ArchiveError error;
        const std::optional<SelectionSeal> seal = ArchiveFixture::OpenChosen(QString(), &error)
                                                      ->Seal(FormArchive->Records->Query(), &error);
        QVERIFY2(seal, qPrintable(Said(error)));
        QCOMPARE(seal->records, qint64(RecordsA.size()));
        QCOMPARE(LastLines(DocumentText(pdf), 2), SelectionSealLines(*seal));

        // Printed on one landscape page, through the print dialog's seam.
        const QString printed = fx->Dir() + QStringLiteral("/printed.pdf");
        SetPrintDialogHandler([&](QPrinter &printer, QWidget *) {
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(printed);
            return true;
        });
        FormArchive->Button3->click();
        QVERIFY(Settled());
        SetPrintDialogHandler({});
        QCOMPARE(fx->TakeTexts(), QStringList());
        QVERIFY(ArchiveFixture::Bytes(printed).startsWith("%PDF"));
        QCOMPARE(LastLines(DocumentText(printed), 2), SelectionSealLines(*seal));
    }

    // Verify: the verdict in a message, an entry of it in the audit trail,
    // a changed reading named.
    void verifyNamesWhatItFinds()
    {
        // The first column of what sql gives on the window's archive, as
        // another program (or a tamperer with the sqlite3 tool) reads it.
        const auto sql = [path = fx->Dir() + QStringLiteral("/archive.sqlite")](
                             const QString &statement, const QVariantList &values = {}) {
            SqlConnection other(QStringLiteral("QSQLITE"));
            QSqlDatabase db = other.Db();
            db.setDatabaseName(path);
            QStringList column;
            QSqlQuery query(db);
            QString error;
            if (!db.open() || !RunSql(query, statement, values, &error))
                qWarning("%s", qPrintable(error));
            while (query.next())
                column << query.value(0).toString();
            return column;
        };
        const auto verified = [&](const QString &caption) {
            fx->Messages.clear();
            FormArchive->Button7->click();
            QVERIFY(Settled());
            QCOMPARE(fx->Messages.size(), 1);
            QCOMPARE(fx->Messages[0].caption, caption);
        };
        const QString entries = QStringLiteral(
            "SELECT details FROM audit WHERE kind = 'verify' AND count > 0 ORDER BY id");

        verified(QStringLiteral("Completion"));
        QVERIFY2(QRegularExpression(QStringLiteral("^Verified [0-9,]+ records of [0-9]+ testers in "
                                                   "[0-9.]+ s: intact\\nSN0012345: 1 batch"))
                     .match(fx->Messages[0].text)
                     .hasMatch(),
                 qPrintable(fx->Messages[0].text));
        QCOMPARE(sql(entries), QStringList{"intact"});

        // A tamperer drops the triggers and changes a reading.
        for (const QString &name :
             sql(QStringLiteral("SELECT name FROM sqlite_master WHERE type = 'trigger'")))
            sql("DROP TRIGGER \"" + name + "\"");
        const QString original =
            sql(QStringLiteral("SELECT reading_text FROM records WHERE id = 1")).value(0);
        const QString change = QStringLiteral("UPDATE records SET reading_text = ? WHERE id = 1");
        sql(change, {QStringLiteral("0.999 %BAC")});
        verified(QStringLiteral("Failure"));
        QVERIFY2(fx->Messages[0].text.contains(QStringLiteral(": not intact, 1 break\n")) &&
                     fx->Messages[0].text.contains(QStringLiteral("Tester SN0012345, batch 1, "
                                                                  "record ")) &&
                     fx->Messages[0].text.endsWith(QStringLiteral("): changed")),
                 qPrintable(fx->Messages[0].text));
        QCOMPARE(sql(entries), (QStringList{"intact", "1 breaks"}));
        // Put back, it verifies again.
        sql(change, {original});
        verified(QStringLiteral("Completion"));
    }

    void archiveThatIsNoDatabase()
    {
        FormArchive->close();
        const QString path = fx->Dir() + QStringLiteral("/not.sqlite");
        QString error;
        QVERIFY(SaveLinesAtomically(path, {"just some text, not a database"}, &error));
        const QByteArray before = ArchiveFixture::Bytes(path);
        const QByteArray archive = qgetenv(ArchiveEnvironment);
        qputenv(ArchiveEnvironment, "sqlite:" + path.toLocal8Bit());
        FormMain->BitBtn7->click();
        qputenv(ArchiveEnvironment, archive);
        QVERIFY(Settled());
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Failure"));
        QVERIFY(!fx->Messages[0].text.isEmpty());
        QCOMPARE(FormArchive->StringGrid1->rowCount(), 1);
        QCOMPARE(ArchiveFixture::Bytes(path), before);
    }
};

QTEST_MAIN(TestArchiveWindow)
#include "tst_archivewindow.moc"
