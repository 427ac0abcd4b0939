// The search: criteria dialog, date picker and search result window, with
// sorting, saving and exporting of a selection.

#include "guifixture.h"

#include "device/Tdate.h"
#include "device/ccalendar.h"
#include "device/cspinedit.h"
#include "records/Result.h"
#include "records/Searchlist.h"
#include "records/Serch1.h"
#include "records/recordstate.h"
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

const QStringList Device{"Device Information ", "Serial Number         : SN-1",
                         "Software Version  : V2.13", "Last Calibration      : 2011-03-15"};

QByteArray ReadAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

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

QString Heading(int col, char16_t mark)
{
    return QString(QChar(mark)) + PlainHeadings()[col];
}

} // namespace

class TestSearchWindow : public QObject
{
    Q_OBJECT

    std::unique_ptr<GuiFixture> fx;
    TWindowPosition created;

    TStringGrid *Target() { return SearchForm->StringGrid1; }

    QStringList Column(int col)
    {
        QStringList cells;
        for (int row = 1; row < Target()->RowCount(); ++row)
            cells << Target()->Cell(col, row);
        return cells;
    }

    void FillResults(const GridRows &records)
    {
        GridRows &rows = FormResult->StringGrid1->Rows();
        rows = {PlainHeadings()};
        rows += records;
        RecordCount = int(records.size());
        FormResult->StringGrid1->Refresh();
    }

    QString Path(const char *name) const { return fx->Dir() + QLatin1Char('/') + name; }

private slots:
    void initTestCase()
    {
        fx = std::make_unique<GuiFixture>();
        fx->CreateWindows();
        created = WindowPositions[1];
    }
    void cleanupTestCase() { fx.reset(); }

    void init()
    {
        FillResults(Records);
        DeviceInfoLines = Device;
        SearchAccepted = 0;
        FormSerch1->show();
        QVERIFY(QTest::qWaitForWindowExposed(FormSerch1));
        fx->Messages.clear();
        fx->FileRequests.clear();
        fx->Answers.clear();
    }
    void cleanup()
    {
        FormSerch1->close();
        SearchForm->close();
    }

    void layout()
    {
        QCOMPARE(FormSerch1->windowTitle(), QStringLiteral("Data Search"));
        QCOMPARE(FormSerch1->size(), QSize(394, 261));
        QCOMPARE(FormSerch1->Edit1->geometry().topLeft(), QPoint(120, 40));
        QCOMPARE(FormSerch1->Edit4->geometry(), QRect(304, 120, 65, 21));
        QCOMPARE(FormSerch1->Button1->text(), QStringLiteral("O K "));
        QCOMPARE(FormSerch1->Button2->text(), QStringLiteral("Cencel"));
        for (QLineEdit *e :
             {FormSerch1->Edit1, FormSerch1->Edit2, FormSerch1->Edit3, FormSerch1->Edit4})
            QCOMPARE(e->maxLength(), 5);
        // So no test number above 99999 can be entered.
        FormSerch1->Edit2->setText(QStringLiteral("100000"));
        QCOMPARE(FormSerch1->Edit2->text(), QStringLiteral("10000"));

        QCOMPARE(SearchForm->windowTitle(), QStringLiteral("search result"));
        QCOMPARE(SearchForm->size(), QSize(761, 545));
        QCOMPARE(Target()->geometry(), QRect(10, 80, 740, 449));
        QCOMPARE(Target()->columnWidth(0), 100);
        for (int col = 1; col < 6; ++col)
            QCOMPARE(Target()->columnWidth(col), 120);
        QCOMPARE(Target()->Rows()[0][0], QString::fromUtf8("\u25BC  Test No"));
        QCOMPARE(SearchForm->pos(), QPoint(created.Left, created.Top));

        // Nothing is placed or reset when the window is shown again.
        WindowPositions[1] = {created.Left + 40, created.Top + 30};
        SearchForm->show();
        QCOMPARE(SearchForm->pos(), QPoint(created.Left, created.Top));
        QCOMPARE(Target()->Rows()[0][0], QString::fromUtf8("\u25BC  Test No"));
        WindowPositions[1] = created;
    }

    void showResetsTheDialog()
    {
        for (QCheckBox *box : {FormSerch1->CheckBox1, FormSerch1->CheckBox2, FormSerch1->CheckBox3,
                               FormSerch1->CheckBox4})
            box->click();
        FormSerch1->close();
        FormSerch1->show();
        for (QCheckBox *box : {FormSerch1->CheckBox1, FormSerch1->CheckBox2, FormSerch1->CheckBox3,
                               FormSerch1->CheckBox4})
            QVERIFY(!box->isChecked());
        for (QLineEdit *e :
             {FormSerch1->Edit1, FormSerch1->Edit2, FormSerch1->Edit3, FormSerch1->Edit4}) {
            QVERIFY(e->text().isEmpty());
            QVERIFY(!e->isEnabled());
        }
        for (QComboBox *list : {FormSerch1->ComboBox1, FormSerch1->ComboBox2, FormSerch1->ComboBox3,
                                FormSerch1->ComboBox4}) {
            QCOMPARE(list->currentIndex(), -1);
            QVERIFY(!list->isEnabled());
        }
    }

    void switches()
    {
        FormSerch1->CheckBox1->click();
        QCOMPARE(FormSerch1->Edit1->text(), QStringLiteral("1"));
        QCOMPARE(FormSerch1->Edit2->text(), QStringLiteral("99999"));
        QVERIFY(FormSerch1->Edit2->isEnabled());
        FormSerch1->CheckBox1->click();
        QVERIFY(FormSerch1->Edit1->text().isEmpty());
        QVERIFY(!FormSerch1->Edit1->isEnabled());

        const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
        FormSerch1->CheckBox2->click();
        for (QComboBox *list : {FormSerch1->ComboBox1, FormSerch1->ComboBox2}) {
            QCOMPARE(list->count(), 1);
            QCOMPARE(list->currentText(), today);
            QVERIFY(list->isEnabled());
        }
        FormSerch1->CheckBox2->click();
        QCOMPARE(FormSerch1->ComboBox1->count(), 0);
        QVERIFY(!FormSerch1->ComboBox2->isEnabled());

        FormSerch1->CheckBox3->click();
        QCOMPARE(FormSerch1->ComboBox3->currentText(), QStringLiteral("%BAC"));
        QCOMPARE(FormSerch1->Edit3->text(), QStringLiteral("0.000"));
        QCOMPARE(FormSerch1->Edit4->text(), QStringLiteral("0.400"));
        FormSerch1->CheckBox3->click();
        QCOMPARE(FormSerch1->ComboBox3->currentIndex(), -1);
        QVERIFY(FormSerch1->Edit4->text().isEmpty());

        FormSerch1->CheckBox4->click();
        QCOMPARE(FormSerch1->ComboBox4->currentText(), QStringLiteral("PASS"));
        FormSerch1->CheckBox4->click();
        QCOMPARE(FormSerch1->ComboBox4->currentIndex(), -1);
    }

    void unitDefaults_data()
    {
        QTest::addColumn<int>("unit");
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("o/oo ") << 0 << "0.000"
                               << "5.000";
        QTest::newRow("%BAC chosen") << 1 << "0.000"
                                     << "0.500";
        QTest::newRow("mg/L") << 2 << "0.000"
                              << "2.500";
        QTest::newRow("g/L") << 3 << "0.000"
                             << "5.000";
        QTest::newRow("ug/100mL") << 4 << "0"
                                  << "250";
        QTest::newRow("ug/L") << 5 << "0"
                              << "2500";
    }

    void unitDefaults()
    {
        QFETCH(int, unit);
        QFETCH(QString, from);
        QFETCH(QString, to);
        FormSerch1->CheckBox3->click();
        FormSerch1->ComboBox3->setCurrentIndex(unit);
        emit FormSerch1->ComboBox3->activated(unit);
        QCOMPARE(FormSerch1->Edit3->text(), from);
        QCOMPARE(FormSerch1->Edit4->text(), to);
    }

    void search_data()
    {
        QTest::addColumn<QString>("testNoFrom"); // empty: switched off
        QTest::addColumn<QString>("testNoTo");
        QTest::addColumn<int>("unit"); // -1: switched off
        QTest::addColumn<QString>("readingTo");
        QTest::addColumn<int>("result"); // -1: switched off
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("everything")
            << ""
            << "" << -1 << "" << -1 << QStringList{"00003", "00001", "00002", "00000"};
        QTest::newRow("numbers reversed") << "3"
                                          << "2" << -1 << "" << -1 << QStringList{"00003", "00002"};
        QTest::newRow("%BAC by the switch")
            << ""
            << "" << 1 << "0.400" << -1 << QStringList{"00003", "00000"};
        QTest::newRow("mg/L") << ""
                              << "" << 2 << "2.500" << -1 << QStringList{"00002"};
        QTest::newRow("FAIL") << ""
                              << "" << -1 << "" << 1 << QStringList{"00001"};
        QTest::newRow("nothing matches") << "4"
                                         << "9" << -1 << "" << -1 << QStringList{""};
    }

    void search()
    {
        QFETCH(QString, testNoFrom);
        QFETCH(QString, testNoTo);
        QFETCH(int, unit);
        QFETCH(QString, readingTo);
        QFETCH(int, result);
        QFETCH(QStringList, kept);
        if (!testNoFrom.isEmpty()) {
            FormSerch1->CheckBox1->click();
            FormSerch1->Edit1->setText(testNoFrom);
            FormSerch1->Edit2->setText(testNoTo);
        }
        if (unit >= 0) {
            FormSerch1->CheckBox3->click();
            FormSerch1->ComboBox3->setCurrentIndex(unit);
            FormSerch1->Edit4->setText(readingTo);
        }
        if (result >= 0) {
            FormSerch1->CheckBox4->click();
            FormSerch1->ComboBox4->setCurrentIndex(result);
        }
        FormSerch1->Button1->click();
        QVERIFY(fx->Messages.isEmpty());
        QVERIFY(!FormSerch1->isVisible());
        QCOMPARE(SearchAccepted, 1);
        QCOMPARE(Column(0), kept);
        for (int row = 1; row < Target()->RowCount(); ++row) {
            if (!kept.first().isEmpty())
                QVERIFY(Records.contains(Target()->Rows()[row]));
            else
                QCOMPARE(Target()->Rows()[row], GridRow(RecordColumns));
        }
    }

    void incorrectNumbersKeepTheDialogOpen_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("0 to 10") << "0"
                                 << "10";
        QTest::newRow("negative") << "-1"
                                  << "5";
        QTest::newRow("not numeric") << "abc"
                                     << "5";
        QTest::newRow("empty") << ""
                               << "";
    }

    void incorrectNumbersKeepTheDialogOpen()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        SearchForm->SetMatches(Records);
        FormSerch1->CheckBox1->click();
        FormSerch1->Edit1->setText(from);
        FormSerch1->Edit2->setText(to);
        FormSerch1->Button1Click();
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].owner, MsgOwner::None);
        QCOMPARE(fx->Messages[0].text, QStringLiteral("Settings incorrect"));
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Failure"));
        QVERIFY(FormSerch1->isVisible());
        QCOMPARE(SearchAccepted, 0);
        QCOMPARE(Target()->RowCount(), 2);
        QCOMPARE(Target()->Rows()[1], GridRow(RecordColumns));
    }

    void keys()
    {
        QTest::keyClick(FormSerch1->ComboBox2, Qt::Key_Return);
        QVERIFY(FormSerch1->isVisible());
        // The release of an Enter pressed elsewhere (on a message box) does not search.
        QTest::keyRelease(FormSerch1->Edit1, Qt::Key_Return);
        QVERIFY(FormSerch1->isVisible());
        QTest::keyClick(FormSerch1->Edit1, Qt::Key_Return);
        QVERIFY(!FormSerch1->isVisible());
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
        QPoint pickerAt;
        QDate shown;
        int monthShown = -1;
        int yearShown = -1;
        WhenShown(DateForm, [&] {
            pickerAt = DateForm->pos() - FormSerch1->pos();
            TCCalendar *calendar = DateForm->CCalendar1;
            shown = QDate(calendar->GetDateElement(1), calendar->GetDateElement(2),
                          calendar->GetDateElement(3));
            monthShown = DateForm->ComboBox1->currentIndex();
            yearShown = DateForm->CSpinEdit1->Value();
            DateForm->CSpinEdit1->SetValue(2010);
            DateForm->ComboBox1->setCurrentIndex(0);
            emit DateForm->ComboBox1->activated(0);
            // 1 January 2010 is a Friday: the 5th is a Tuesday in row 2.
            const QPoint cell = calendar->visualRect(calendar->model()->index(2, 1)).center();
            QTest::mouseDClick(calendar->viewport(), Qt::LeftButton, {}, cell);
        });
        FormSerch1->ComboBox1->showPopup();
        QCOMPARE(pickerAt, QPoint(120, 100));
        QCOMPARE(shown, today);
        QCOMPARE(monthShown, today.month() - 1);
        QCOMPARE(yearShown, today.year());
        QCOMPARE(FormSerch1->ComboBox1->count(), 1);
        QCOMPARE(FormSerch1->ComboBox1->currentText(), QStringLiteral("2010-01-05"));

        // Left without a new choice, the picker gives the date it holds: today.
        WhenShown(DateForm, [&] {
            pickerAt = DateForm->pos() - FormSerch1->pos();
            DateForm->close();
        });
        FormSerch1->ComboBox2DropDown();
        QCOMPARE(pickerAt, QPoint(264, 100));
        QCOMPARE(FormSerch1->ComboBox2->currentText(),
                 today.toString(QStringLiteral("yyyy-MM-dd")));

        FormSerch1->ComboBox2->clear();
        FormSerch1->ComboBox2->addItem(QStringLiteral("2009-12-31"));
        FormSerch1->Button1Click();
        QCOMPARE(Column(0), QStringList({"00003", "00001", "00002", "00000"}));
    }

    void searchButtonOpensTheResult_data()
    {
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QStringList>("kept");
        QTest::newRow("no match") << true << QStringList{""};
        QTest::newRow("cancel") << false << QStringList();
    }

    void searchButtonOpensTheResult()
    {
        QFETCH(bool, confirm);
        QFETCH(QStringList, kept);
        FormSerch1->close();
        bool resultShown = false;
        QStringList shownRows;
        WhenShown(FormSerch1, [&] {
            FormSerch1->CheckBox4->click();
            FormSerch1->ComboBox4->setCurrentIndex(1);
            FormSerch1->Edit1->setFocus();
            FormSerch1->CheckBox1->click();
            FormSerch1->Edit1->setText(QStringLiteral("2"));
            FormSerch1->Edit2->setText(QStringLiteral("3"));
            (confirm ? FormSerch1->Button1 : FormSerch1->Button2)->click();
            if (confirm)
                WhenShown(SearchForm, [&] {
                    resultShown = true;
                    shownRows = Column(0);
                    SearchForm->BitBtn5->click();
                });
        });
        FormResult->BitBtn7Click();
        QCOMPARE(resultShown, confirm);
        QCOMPARE(shownRows, kept);
        QCOMPARE(SearchAccepted, 0);
    }

    void sortByHeadingClick()
    {
        SearchForm->SetMatches({Records[0], Records[2]});
        SearchForm->StringGrid1MouseUp(1, 0);
        QCOMPARE(Column(1), QStringList({"02 - Jan - 2010", "05 - Jan - 2010"}));
        QCOMPARE(Target()->Rows()[0][1], Heading(1, SearchAscendingMark));
        QCOMPARE(Target()->Rows()[0][0], PlainHeadings()[0]);
        SearchForm->StringGrid1MouseUp(1, 0);
        QCOMPARE(Column(1), QStringList({"05 - Jan - 2010", "02 - Jan - 2010"}));
        QCOMPARE(Target()->Rows()[0][1], Heading(1, SearchDescendingMark));
        QCOMPARE(Column(0), QStringList({"00003", "00002"}));

        // Only a heading click with at least two records sorts.
        SearchForm->StringGrid1MouseUp(1, 1);
        QCOMPARE(Target()->Rows()[0][1], Heading(1, SearchDescendingMark));
        SearchForm->SetMatches({Records[0]});
        SearchForm->StringGrid1MouseUp(2, 0);
        QCOMPARE(Target()->Rows()[0][2], PlainHeadings()[2]);
    }

    // A test number of 0 is no sort key here: such a pair is never greater.
    void testNumberZero_data()
    {
        QTest::addColumn<QString>("heading");
        QTest::addColumn<QStringList>("order");
        QTest::addColumn<QString>("mark");
        QTest::newRow("marked ascending: sorts descending")
            << QString::fromUtf8("\u25BC  Test No") << QStringList{"1", "2", "0"}
            << QString::fromUtf8("\u25B2  Test No");
        QTest::newRow("plain: sorts ascending")
            << QStringLiteral("  Test No") << QStringList{"1", "0", "2"}
            << QString::fromUtf8("\u25BC  Test No");
    }

    void testNumberZero()
    {
        QFETCH(QString, heading);
        QFETCH(QStringList, order);
        QFETCH(QString, mark);
        SearchForm->SetMatches(
            {{"2", "", "", "", "", ""}, {"0", "", "", "", "", ""}, {"1", "", "", "", "", ""}});
        Target()->Rows()[0][0] = heading;
        SearchForm->StringGrid1MouseUp(0, 0);
        QCOMPARE(Column(0), order);
        QCOMPARE(Target()->Rows()[0][0], mark);
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
        SearchForm->SetMatches({Records[1], Records[3]});
        SearchForm->StringGrid1MouseUp(3, 0);
        const QString path = Path(exportFile ? "picked.xls" : "picked.DAT");
        auto write = [&] {
            fx->ChosenFiles << path;
            exportFile ? SearchForm->BitBtn8Click() : SearchForm->BitBtn2Click();
        };
        write();
        QVERIFY(fx->Messages.isEmpty());
        QCOMPARE(fx->FileRequests.last().defaultExt,
                 exportFile ? QStringLiteral("xls") : QStringLiteral("DAT"));

        QByteArray expected = "Kestrune\r\n";
        for (const QString &line : Device)
            expected += line.toLatin1() + "\r\n";
        expected += "\r\n\r\n\r\n\r\n\r\n";
        for (const GridRow &row : Target()->Rows())
            expected += (row.join(separator) + separator).toLatin1() + "\r\n";
        QCOMPARE(ReadAll(path), expected);
        QVERIFY(expected.contains(exportFile ? "00000\t01 - Jan - 2010\t" : "00000,01 - Jan"));

        // Overwriting is asked in the plain system box; Cancel keeps the file.
        SearchForm->SetMatches({Records[0]});
        fx->Answers << mrCancel;
        write();
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].owner, MsgOwner::None);
        QCOMPARE(fx->Messages[0].text, QStringLiteral("File Over Saving ?"));
        QCOMPARE(fx->Messages[0].buttons, MsgButtons::OkCancel);
        QCOMPARE(ReadAll(path), expected);
        write();
        QVERIFY(ReadAll(path).contains("00003"));
    }

    void refusals_data()
    {
        QTest::addColumn<bool>("exportFile");
        QTest::newRow("data file") << false;
        QTest::newRow("export") << true;
    }

    void refusals()
    {
        QFETCH(bool, exportFile);
        auto write = [&] { exportFile ? SearchForm->BitBtn8Click() : SearchForm->BitBtn2Click(); };
        SearchForm->SetMatches({});
        write();
        QCOMPARE(fx->TakeTexts(), QStringList{"Not Data !!!"});
        QVERIFY(fx->FileRequests.isEmpty());

        SearchForm->SetMatches(Records);
        const QString path = Path("no such folder/picked.DAT");
        fx->ChosenFiles << path;
        write();
        QCOMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].owner, MsgOwner::None);
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Failure"));
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_MAIN(TestSearchWindow)
#include "tst_searchwindow.moc"
