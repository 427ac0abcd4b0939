// The calendar grid and the year box of the date picker, as widgets of their
// own.

#include "device/ccalendar.h"
#include "device/cspinedit.h"

#include <QDate>
#include <QHeaderView>
#include <QLineEdit>
#include <QLocale>
#include <QToolButton>
#include <QtTest>

namespace {
QDate Held(const TCCalendar &calendar)
{
    return QDate(calendar.GetDateElement(TCCalendar::Year),
                 calendar.GetDateElement(TCCalendar::Month),
                 calendar.GetDateElement(TCCalendar::Day));
}

void Hold(TCCalendar &calendar, const QDate &date)
{
    // Day 1 first, so that no step is refused by the month held before.
    calendar.SetDateElement(TCCalendar::Day, 1);
    calendar.SetDateElement(TCCalendar::Year, date.year());
    calendar.SetDateElement(TCCalendar::Month, date.month());
    calendar.SetDateElement(TCCalendar::Day, date.day());
    QCOMPARE(Held(calendar), date);
}

QPoint CellCentre(TCCalendar &calendar, int row, int col)
{
    return calendar.visualRect(calendar.model()->index(row, col)).center();
}
} // namespace

class TestCalendar : public QObject
{
    Q_OBJECT

private slots:
    void newCalendarHoldsToday()
    {
        TCCalendar calendar;
        QCOMPARE(Held(calendar), QDate::currentDate());
    }

    // Years whose 1 January falls on each weekday, a leap year among them.
    void monthLayout_data()
    {
        QTest::addColumn<int>("year");
        QTest::newRow("2007 starts on Monday") << 2007;
        QTest::newRow("2013 starts on Tuesday") << 2013;
        QTest::newRow("2014 starts on Wednesday") << 2014;
        QTest::newRow("2015 starts on Thursday") << 2015;
        QTest::newRow("2010 starts on Friday") << 2010;
        QTest::newRow("2011 starts on Saturday") << 2011;
        QTest::newRow("2012 starts on Sunday, leap") << 2012;
        QTest::newRow("2000 leap by 400") << 2000;
        QTest::newRow("2100 not leap") << 2100;
    }

    void monthLayout()
    {
        QFETCH(int, year);
        TCCalendar calendar;
        const QLocale locale;
        for (int col = 0; col < 7; ++col)
            QCOMPARE(calendar.item(0, col)->text(), locale.dayName(col + 1, QLocale::ShortFormat));
        for (int month = 1; month <= 12; ++month) {
            Hold(calendar, QDate(year, month, 1));
            const QDate first(year, month, 1);
            const int firstCol = first.dayOfWeek() - 1; // Monday is column 0
            for (int row = 1; row < 7; ++row) {
                for (int col = 0; col < 7; ++col) {
                    const int day = 7 * (row - 1) + col - firstCol + 1;
                    const bool shown = day >= 1 && day <= first.daysInMonth();
                    QCOMPARE(calendar.item(row, col)->text(),
                             shown ? QString::number(day) : QString());
                    QCOMPARE(bool(calendar.item(row, col)->flags() & Qt::ItemIsSelectable), shown);
                }
            }
            QCOMPARE(TCCalendar::DaysInMonth(year, month), first.daysInMonth());
            QCOMPARE(calendar.currentRow(), 1);
            QCOMPARE(calendar.currentColumn(), firstCol);
        }
    }

    void setElement_data()
    {
        QTest::addColumn<QDate>("held");
        QTest::addColumn<int>("element");
        QTest::addColumn<int>("value");
        QTest::addColumn<QDate>("result");
        QTest::newRow("31 Jan to February") << QDate(2011, 1, 31) << 2 << 2 << QDate(2011, 2, 28);
        QTest::newRow("31 Jan to leap February")
            << QDate(2012, 1, 31) << 2 << 2 << QDate(2012, 2, 29);
        QTest::newRow("29 Feb to a common year")
            << QDate(2012, 2, 29) << 1 << 2013 << QDate(2013, 2, 28);
        QTest::newRow("29 Feb 2000 to 2100")
            << QDate(2000, 2, 29) << 1 << 2100 << QDate(2100, 2, 28);
        QTest::newRow("31 Mar to April") << QDate(2011, 3, 31) << 2 << 4 << QDate(2011, 4, 30);
        QTest::newRow("day 31 in April ignored")
            << QDate(2011, 4, 10) << 3 << 31 << QDate(2011, 4, 10);
        QTest::newRow("day 0 ignored") << QDate(2011, 4, 10) << 3 << 0 << QDate(2011, 4, 10);
        QTest::newRow("month 13 ignored") << QDate(2011, 4, 10) << 2 << 13 << QDate(2011, 4, 10);
        QTest::newRow("negative year ignored")
            << QDate(2011, 4, 10) << 1 << -1 << QDate(2011, 4, 10);
        QTest::newRow("unknown element ignored")
            << QDate(2011, 4, 10) << 4 << 1 << QDate(2011, 4, 10);
        QTest::newRow("last day") << QDate(2011, 12, 1) << 3 << 31 << QDate(2011, 12, 31);
    }

    void setElement()
    {
        QFETCH(QDate, held);
        QFETCH(int, element);
        QFETCH(int, value);
        QFETCH(QDate, result);
        TCCalendar calendar;
        Hold(calendar, held);
        calendar.SetDateElement(element, value);
        QCOMPARE(Held(calendar), result);
        // The grid shows the held month with the held day as its current cell.
        QCOMPARE(calendar.currentItem()->text(), QString::number(result.day()));
    }

    void clicksChooseOnlyDays()
    {
        TCCalendar calendar;
        calendar.resize(185, 185);
        calendar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&calendar));
        Hold(calendar, QDate(2011, 5, 10)); // 1 May 2011 is a Sunday: row 1 holds only the 1st
        QTest::mouseClick(calendar.viewport(), Qt::LeftButton, {}, CellCentre(calendar, 1, 0));
        QCOMPARE(Held(calendar), QDate(2011, 5, 10));
        QTest::mouseClick(calendar.viewport(), Qt::LeftButton, {}, CellCentre(calendar, 0, 3));
        QCOMPARE(Held(calendar), QDate(2011, 5, 10));
        QTest::mouseClick(calendar.viewport(), Qt::LeftButton, {}, CellCentre(calendar, 1, 6));
        QCOMPARE(Held(calendar), QDate(2011, 5, 1));
        QTest::keyClick(calendar.viewport(), Qt::Key_Down);
        QCOMPARE(Held(calendar), QDate(2011, 5, 8));

        int doubleClicks = 0;
        calendar.OnDblClick = [&] { ++doubleClicks; };
        QTest::mouseDClick(calendar.viewport(), Qt::LeftButton, {}, CellCentre(calendar, 4, 2));
        QCOMPARE(doubleClicks, 1);
        QCOMPARE(Held(calendar), QDate(2011, 5, 18));
    }

    void cellSizesFollowTheGrid_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<int>("colWidth");
        QTest::addColumn<int>("rowHeight");
        QTest::newRow("picker") << QSize(185, 185) << 25 << 25;
        QTest::newRow("wide and low") << QSize(220, 150) << 30 << 20;
    }

    void cellSizesFollowTheGrid()
    {
        QFETCH(QSize, size);
        QFETCH(int, colWidth);
        QFETCH(int, rowHeight);
        TCCalendar calendar;
        calendar.resize(size);
        calendar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&calendar));
        for (int k = 0; k < 7; ++k) {
            QCOMPARE(calendar.columnWidth(k), colWidth);
            QCOMPARE(calendar.rowHeight(k), rowHeight);
        }
    }

    void yearBoxStaysInRange()
    {
        TCSpinEdit box;
        box.SetRange(2000, 2099);
        int changes = 0;
        box.OnChange = [&] { ++changes; };
        box.SetValue(2001);
        QCOMPARE(changes, 1);
        box.DownButton()->click();
        QTest::keyClick(box.Editor(), Qt::Key_Down);
        box.DownButton()->click();
        QCOMPARE(box.Value(), 2000);
        QCOMPARE(changes, 2);
        box.UpButton()->click();
        QTest::keyClick(box.Editor(), Qt::Key_Up);
        QCOMPARE(box.Value(), 2002);
        QCOMPARE(box.Editor()->text(), QStringLiteral("2002"));
        box.SetValue(5000);
        QCOMPARE(box.Value(), 2099);
        box.UpButton()->click();
        QCOMPARE(box.Value(), 2099);
        QCOMPARE(box.UpButton()->autoRepeatDelay(), 400);
        QCOMPARE(box.UpButton()->autoRepeatInterval(), 100);
    }

    void yearBoxRefusesTyping()
    {
        TCSpinEdit box;
        box.SetRange(2000, 2099);
        box.SetValue(2011);
        QTest::keyClicks(box.Editor(), QStringLiteral("1999x"));
        QTest::keyClick(box.Editor(), Qt::Key_Backspace);
        QCOMPARE(box.Value(), 2011);
        QCOMPARE(box.Editor()->text(), QStringLiteral("2011"));
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
