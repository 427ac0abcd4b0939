// The calendar grid and the year box of the date picker, as widgets of their
// own.

#include "kit/ccalendar.h"
#include "kit/cspinedit.h"

#include <QDate>
#include <QLineEdit>
#include <QLocale>
#include <QStyle>
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
}

QPoint Cell(TCCalendar &calendar, int row, int col)
{
    return calendar.visualRect(calendar.model()->index(row, col)).center();
}
} // namespace

class TestCalendar : public QObject
{
    Q_OBJECT

private slots:
    // Row 0 shows the locale's short day names whole in the 25-pixel columns.
    void dayNamesWhole_data()
    {
        QTest::addColumn<QString>("locale");
        for (const char *name : {"en_US", "de_DE", "fr_FR", "ko_KR", "ru_RU", "pt_BR"})
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void dayNamesWhole()
    {
        QFETCH(QString, locale);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        TCCalendar calendar;
        QLocale::setDefault(before);
        calendar.setGeometry(8, 32, 185, 185);
        calendar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&calendar));
        const int margin =
            calendar.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &calendar) + 1;
        for (int col = 0; col < 7; ++col) {
            QCOMPARE(calendar.columnWidth(col), 25);
            const QTableWidgetItem *name = calendar.item(0, col);
            QCOMPARE(name->text(), QLocale(locale).dayName(col + 1, QLocale::ShortFormat));
            QVERIFY2(QFontMetrics(name->font()).horizontalAdvance(name->text()) <= 25 - 2 * margin,
                     qPrintable(name->text()));
            QVERIFY(QFontInfo(name->font()).pixelSize() >= 7);
        }
    }

    // Years whose 1 January falls on each weekday, and the leap rules.
    void monthLayout_data()
    {
        QTest::addColumn<int>("year");
        for (int year : {2007, 2013, 2014, 2015, 2010, 2011, 2012, 2000, 2100})
            QTest::newRow(qPrintable(QString::number(year))) << year;
    }

    void monthLayout()
    {
        QFETCH(int, year);
        TCCalendar calendar;
        for (int col = 0; col < 7; ++col)
            QCOMPARE(calendar.item(0, col)->text(),
                     QLocale().dayName(col + 1, QLocale::ShortFormat));
        for (int month = 1; month <= 12; ++month) {
            const QDate first(year, month, 1);
            Hold(calendar, first);
            QCOMPARE(Held(calendar), first);
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
            QCOMPARE(calendar.currentItem(), calendar.item(1, firstCol));
        }
    }

    void setElement_data()
    {
        QTest::addColumn<QDate>("held");
        QTest::addColumn<int>("element");
        QTest::addColumn<int>("value");
        QTest::addColumn<QDate>("result");
        QTest::newRow("31 Jan to February") << QDate(2011, 1, 31) << 2 << 2 << QDate(2011, 2, 28);
        QTest::newRow("to leap February") << QDate(2012, 1, 31) << 2 << 2 << QDate(2012, 2, 29);
        QTest::newRow("29 Feb to 2013") << QDate(2012, 2, 29) << 1 << 2013 << QDate(2013, 2, 28);
        QTest::newRow("29 Feb to 2100") << QDate(2000, 2, 29) << 1 << 2100 << QDate(2100, 2, 28);
        QTest::newRow("day 31 in April") << QDate(2011, 4, 10) << 3 << 31 << QDate(2011, 4, 10);
        QTest::newRow("day 0") << QDate(2011, 4, 10) << 3 << 0 << QDate(2011, 4, 10);
        QTest::newRow("month 13") << QDate(2011, 4, 10) << 2 << 13 << QDate(2011, 4, 10);
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
        QCOMPARE(calendar.currentItem()->text(), QString::number(result.day()));
    }

    void onlyDaysAreChosen()
    {
        TCCalendar calendar;
        QCOMPARE(Held(calendar), QDate::currentDate());
        calendar.resize(185, 185);
        calendar.show();
        QVERIFY(QTest::qWaitForWindowExposed(&calendar));
        QCOMPARE(calendar.columnWidth(6), 25);
        QCOMPARE(calendar.rowHeight(6), 25);
        Hold(calendar, QDate(2011, 5, 10)); // a Sunday 1st: row 1 holds only the 1st
        QTest::mouseClick(calendar.viewport(), Qt::LeftButton, {}, Cell(calendar, 1, 0));
        QTest::mouseClick(calendar.viewport(), Qt::LeftButton, {}, Cell(calendar, 0, 3));
        QCOMPARE(Held(calendar), QDate(2011, 5, 10));
        QTest::mouseClick(calendar.viewport(), Qt::LeftButton, {}, Cell(calendar, 1, 6));
        QTest::keyClick(calendar.viewport(), Qt::Key_Down);
        QCOMPARE(Held(calendar), QDate(2011, 5, 8));
        int doubleClicks = 0;
        calendar.OnDblClick = [&] { ++doubleClicks; };
        QTest::mouseDClick(calendar.viewport(), Qt::LeftButton, {}, Cell(calendar, 4, 2));
        QCOMPARE(doubleClicks, 1);
        QCOMPARE(Held(calendar), QDate(2011, 5, 18));
    }

    void yearBox()
    {
        TCSpinEdit box;
        box.SetRange(2000, 2099);
        int changes = 0;
        box.OnChange = [&] { ++changes; };
        box.SetValue(2001);
        box.DownButton()->click();
        QTest::keyClick(box.Editor(), Qt::Key_Down);
        QCOMPARE(box.Value(), 2000);
        QCOMPARE(changes, 2);
        QTest::keyClicks(box.Editor(), QStringLiteral("1999x"));
        QTest::keyClick(box.Editor(), Qt::Key_Backspace);
        QTest::keyClick(box.Editor(), Qt::Key_Up);
        QCOMPARE(box.Editor()->text(), QStringLiteral("2001"));
        box.SetValue(5000);
        box.UpButton()->click();
        QCOMPARE(box.Value(), 2099);
    }
};

QTEST_MAIN(TestCalendar)
#include "tst_calendar.moc"
