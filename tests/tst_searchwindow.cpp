// The search: criteria dialog, date picker and search result window, with
// sorting, saving and exporting of a selection.

#include "guifixture.h"

#include "device/Tdate.h"
#include "kit/ccalendar.h"
#include "kit/cspinedit.h"
#include "records/Result.h"
#include "records/Searchlist.h"
#include "records/Serch1.h"
#include "records/data/recordstate.h"
#include "records/stringgrid.h"

#include <QCheckBox>
#include <QDate>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <functional>
#include <memory>

namespace {

GridRow Record(const char *testNo, const char *date, const char *reading, const char *result)
{
    return {testNo, date, "09:00.00", reading, result, "Manual"};
}

const GridRows Records{Record("00003", "05 - Jan - 2010", "0.120 %BAC", "PASS"),
                       Record("00001", "31 - Dec - 2009", "0.500 %BAC", "FAIL"),
                       Record("00002", "02 - Jan - 2010", "0.300 mg/L", "PASS"),
                       Record("00000", "01 - Jan - 2010", "0.050 %BAC", "PASS")};

// Runs action once the window is shown (a modal window's loop has started).
void WhenShown(QWidget *window, std::function<void()> action, int tries = 500)
{
    QTimer::singleShot(10, [=] {
        if (window->isVisible())
            action();
        else if (tries > 0)
            WhenShown(window, action, tries - 1);
    });
}
} // namespace

class TestSearchWindow : public GuiTest
{
    Q_OBJECT

    QStringList Column(int col)
    {
        QStringList cells;
        for (int row = 1; row < SearchForm->StringGrid1->RowCount(); ++row)
            cells << SearchForm->StringGrid1->Cell(col, row);
        return cells;
    }
    QString Heading(int col) { return SearchForm->StringGrid1->Cell(col, 0); }

private slots:
    void initTestCase()
    {
        GuiTest::initTestCase();
        QCOMPARE(SearchForm->pos(), QPoint(WindowPositions[1].Left, WindowPositions[1].Top));
        QCOMPARE(Heading(0), QString::fromUtf8("\u25BC  Test No"));
    }

    void init()
    {
        GridRows &rows = FormResult->StringGrid1->Rows();
        rows = GridRows{PlainHeadings()} + Records;
        RecordCount = int(Records.size());
        DeviceInfoLines = QStringList{"Device Information ", "Serial Number : SN-1",
                                      "Software Version  : V2", "Last Calibration : 2011"};
        SearchAccepted = 0;
        FormSerch1->show();
        QVERIFY(QTest::qWaitForWindowExposed(FormSerch1));
        fx->Messages.clear();
        fx->FileRequests.clear();
    }
    void cleanup()
    {
        FormSerch1->close();
        SearchForm->close();
    }

    void search_data()
    {
        QTest::addColumn<QString>("numbers"); // "from|to"; empty: switched off
        QTest::addColumn<int>("unit");        // -1: switched off; the unit's default range
        QTest::addColumn<int>("result");      // -1: switched off
        QTest::addColumn<QString>("kept");    // "!": "Settings incorrect"
        const struct
        {
            const char *name, *numbers;
            int unit, result;
            const char *kept;
        } rows[] = {{"everything", "", -1, -1, "00003 00001 00002 00000"},
                    {"numbers reversed", "3|2", -1, -1, "00003 00002"},
                    {"%BAC by the switch", "", 1, -1, "00003 00000"},
                    {"mg/L chosen", "", 2, -1, "00002"},
                    {"FAIL", "", -1, 1, "00001"},
                    {"nothing matches", "4|9", -1, -1, ""},
                    {"number 0", "0|10", -1, -1, "!"},
                    {"not numeric", "abc|5", -1, -1, "!"}};
        for (const auto &row : rows)
            QTest::newRow(row.name) << row.numbers << row.unit << row.result << row.kept;
    }

    void search()
    {
        QFETCH(QString, numbers);
        QFETCH(int, unit);
        QFETCH(int, result);
        QFETCH(QString, kept);
        SearchForm->SetMatches(Records);
        if (!numbers.isEmpty()) {
            FormSerch1->CheckBox1->click();
            QCOMPARE(FormSerch1->Edit2->text(), QStringLiteral("99999"));
            FormSerch1->Edit1->setText(numbers.section('|', 0, 0));
            FormSerch1->Edit2->setText(numbers.section('|', 1, 1));
        }
        if (unit >= 0) {
            FormSerch1->CheckBox3->click();
            QCOMPARE(FormSerch1->Edit4->text(), QStringLiteral("0.400"));
            if (unit != 1) {
                FormSerch1->ComboBox3->setCurrentIndex(unit);
                emit FormSerch1->ComboBox3->activated(unit);
            }
        }
        if (result >= 0) {
            FormSerch1->CheckBox4->click();
            FormSerch1->ComboBox4->setCurrentIndex(result);
        }
        FormSerch1->Button1->click();
        const bool refused = kept == QLatin1String("!");
        QCOMPARE(fx->TakeTexts(), refused ? QStringList{"Settings incorrect"} : QStringList());
        QCOMPARE(FormSerch1->isVisible(), refused);
        QCOMPARE(SearchAccepted, refused ? 0 : 1);
        QCOMPARE(Column(0).join(' '), refused ? QString() : kept);
        if (kept.isEmpty() || refused)
            QCOMPARE(SearchForm->StringGrid1->Rows().last(), GridRow(RecordColumns));
    }

    void keys()
    {
        // The release of an Enter pressed elsewhere (on a message box) does not search.
        QTest::keyRelease(FormSerch1->Edit1, Qt::Key_Return);
        QTest::keyClick(FormSerch1->ComboBox2, Qt::Key_Return);
        QVERIFY(FormSerch1->isVisible());
        QTest::keyClick(FormSerch1->Edit1, Qt::Key_Return);
        QCOMPARE(SearchAccepted, 1);
        SearchAccepted = 0;
        FormSerch1->show();
        QTest::keyRelease(FormSerch1->CheckBox3, Qt::Key_Escape);
        QVERIFY(!FormSerch1->isVisible());
        QCOMPARE(SearchAccepted, 0);
    }

    void datePicker()
    {
        FormSerch1->CheckBox2->click();
        const QDate today = QDate::currentDate();
        QPoint offset;
        QDate shown;
        WhenShown(DateForm, [&] {
            offset = DateForm->pos() - FormSerch1->pos();
            TCCalendar *calendar = DateForm->CCalendar1;
            shown = QDate(DateForm->CSpinEdit1->Value(), DateForm->ComboBox1->currentIndex() + 1,
                          calendar->GetDateElement(3));
            DateForm->CSpinEdit1->SetValue(2010);
            emit DateForm->ComboBox1->activated(0);
            // 1 January 2010 is a Friday: the 5th is a Tuesday in row 2.
            const QPoint cell = calendar->visualRect(calendar->model()->index(2, 1)).center();
            QTest::mouseDClick(calendar->viewport(), Qt::LeftButton, {}, cell);
        });
        FormSerch1->ComboBox1->showPopup();
        QCOMPARE(offset, QPoint(120, 100));
        QCOMPARE(shown, today);
        QCOMPARE(FormSerch1->ComboBox1->currentText(), QStringLiteral("2010-01-05"));

        // Left without a choice, the picker gives the date it holds: today.
        WhenShown(DateForm, [&] {
            offset = DateForm->pos() - FormSerch1->pos();
            DateForm->close();
        });
        FormSerch1->ComboBox2DropDown();
        QCOMPARE(offset, QPoint(264, 100));
        QCOMPARE(FormSerch1->ComboBox2->currentText(), today.toString("yyyy-MM-dd"));
        FormSerch1->ComboBox2->setItemText(0, QStringLiteral("2010-01-01"));
        FormSerch1->Button1Click();
        QCOMPARE(Column(0), QStringList({"00003", "00002", "00000"}));
    }

    void searchButtonShowsEvenAnEmptyResult()
    {
        FormSerch1->close();
        QStringList shownRows;
        WhenShown(FormSerch1, [&] {
            FormSerch1->CheckBox4->click();
            FormSerch1->ComboBox4->setCurrentIndex(1);
            FormSerch1->CheckBox1->click();
            FormSerch1->Edit1->setText(QStringLiteral("2"));
            FormSerch1->Button1->click();
            WhenShown(SearchForm, [&] {
                shownRows = Column(0);
                SearchForm->BitBtn5->click();
            });
        });
        FormResult->BitBtn7Click();
        QCOMPARE(shownRows, QStringList{""});
        QCOMPARE(SearchAccepted, 0);
    }

    void sortByHeading()
    {
        SearchForm->SetMatches({Records[0], Records[2]});
        SearchForm->StringGrid1MouseUp(1, 0);
        QCOMPARE(Column(1), QStringList({"02 - Jan - 2010", "05 - Jan - 2010"}));
        QCOMPARE(Heading(1), QString::fromUtf8("\u25BC  Date"));
        QCOMPARE(Heading(0), QStringLiteral("  Test No"));
        SearchForm->StringGrid1MouseUp(1, 0);
        QCOMPARE(Column(0), QStringList({"00003", "00002"}));
        QCOMPARE(Heading(1), QString::fromUtf8("\u25B2  Date"));
        SearchForm->SetMatches({Records[0]});
        SearchForm->StringGrid1MouseUp(2, 0);
        QCOMPARE(Heading(2), QStringLiteral("  Time"));
    }

    // A test number of 0 is no sort key here (the results window takes it).
    void testNumberZero()
    {
        const GridRow empty(RecordColumns - 1);
        SearchForm->SetMatches({GridRow{"2"} + empty, GridRow{"0"} + empty, GridRow{"1"} + empty});
        SearchForm->StringGrid1MouseUp(1, 0);
        SearchForm->StringGrid1MouseUp(0, 0);
        QCOMPARE(Column(0), QStringList({"1", "0", "2"}));
        SearchForm->StringGrid1MouseUp(0, 0);
        QCOMPARE(Column(0), QStringList({"2", "1", "0"}));
    }

    void saveAndExport_data()
    {
        QTest::addColumn<bool>("exportFile");
        QTest::newRow("data file") << false;
        QTest::newRow("export") << true;
    }

    void saveAndExport()
    {
        QFETCH(bool, exportFile);
        const QChar separator = exportFile ? QLatin1Char('\t') : QLatin1Char(',');
        const QString path = fx->Dir() + (exportFile ? "/picked.xls" : "/picked.DAT");
        auto write = [&](const QString &chosen) {
            fx->ChosenFiles << chosen;
            exportFile ? SearchForm->BitBtn8Click() : SearchForm->BitBtn2Click();
        };
        SearchForm->SetMatches({});
        write(path);
        QCOMPARE(fx->TakeTexts(), QStringList{"Not Data !!!"});
        fx->ChosenFiles.clear();

        SearchForm->SetMatches({Records[1], Records[3]});
        write(path);
        QByteArray expected = "Kestrune\r\n";
        for (const QString &line : DeviceInfoLines)
            expected += line.toLatin1() + "\r\n";
        expected += "\r\n\r\n\r\n\r\n\r\n";
        for (const GridRow &row : SearchForm->StringGrid1->Rows())
            expected += (row.join(separator) + separator).toLatin1() + "\r\n";
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
        QVERIFY(expected.contains(QByteArray("00000") + char(separator.unicode()) + "01 - Jan"));

        SearchForm->SetMatches({Records[0]});
        fx->Answers << mrCancel;
        write(path);
        QVERIFY(file.seek(0));
        QCOMPARE(file.readAll(), expected);
        write(fx->Dir() + "/no such folder/picked");
        QCOMPARE(fx->Messages.size(), 2);
        for (const ShownMessage &m : fx->Messages)
            QCOMPARE(m.owner, MsgOwner::None);
        QCOMPARE(fx->Messages[0].text, QStringLiteral("File Over Saving ?"));
        QCOMPARE(fx->Messages[0].buttons, MsgButtons::OkCancel);
        QCOMPARE(fx->Messages[1].caption, QStringLiteral("Failure"));
    }
};

QTEST_MAIN(TestSearchWindow)
#include "tst_searchwindow.moc"
