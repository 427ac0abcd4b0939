// Printing the results window to a PDF file: the right texts on the right
// pages, read back with pdftotext.

#include "guifixture.h"
#include "pdftext.h"

#include "kit/printdialog.h"
#include "records/Result.h"
#include "records/Searchlist.h"
#include "records/data/recordstate.h"
#include "records/stringgrid.h"

#include <QPrinter>
#include <memory>

class TestPrinting : public GuiTest
{
    Q_OBJECT

    QString pdf;
    bool cancel = false;

    int Pages() const { return ::Pages(pdf); }
    QString Page(int n) const
    {
        return PdfToolOutput(QStringLiteral("pdftotext"),
                             {"-f", QString::number(n), "-l", QString::number(n), pdf, "-"});
    }

    void OpenRecords(int count)
    {
        QByteArray file = "Kestrune\r\nDevice Information \r\nSerial Number : SN-77\r\n"
                          "Software Version  : V1\r\nLast Calibration : 2011-03-15\r\n"
                          "\r\n\r\n\r\n\r\n\r\nheadings\r\n";
        for (int i = 1; i <= count; ++i)
            file += QStringLiteral("%1,01 - Jan - 2010,08:00.00,0.045 %BAC,PASS,Manual,\r\n")
                        .arg(i, 5, 10, QLatin1Char('0'))
                        .toLatin1();
        const QString path = fx->Dir() + QStringLiteral("/print.DAT");
        QFile out(path);
        QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(file);
        out.close();
        fx->ChosenFiles << path;
        FormResult->BitBtn3Click();
        QCOMPARE(RecordCount, count);
    }

private slots:
    void initTestCase()
    {
        GuiTest::initTestCase();
        pdf = fx->Dir() + QStringLiteral("/out.pdf");
        SetPrintDialogHandler([this](QPrinter &printer, QWidget *) {
            if (cancel)
                return false;
            printer.setOutputFormat(QPrinter::PdfFormat);
            printer.setOutputFileName(pdf);
            printer.setPageSize(QPageSize(QPageSize::A4));
            return true;
        });
    }
    void cleanupTestCase()
    {
        SetPrintDialogHandler({});
        GuiTest::cleanupTestCase();
    }
    void init()
    {
        QFile::remove(pdf);
        cancel = false;
        FormResult->close();
        FormResult->show();
    }

    void emptyWindowPrintsOnePage()
    {
        FormResult->BitBtn5Click();
        QCOMPARE(Pages(), 1);
        const QString page = Page(1);
        for (const char *text : {"Device Information", "Serial Number", "Software Version",
                                 "Last Calibration", "Test No", "Sampling Type"})
            QVERIFY2(page.contains(QLatin1String(text)), text);
    }

    void longListBreaksAfterLine75()
    {
        OpenRecords(100);
        FormResult->BitBtn5Click();
        QCOMPARE(Pages(), 2);
        const QString first = Page(1);
        QVERIFY(first.contains(QStringLiteral("SN-77")));
        QVERIFY(first.contains(QStringLiteral("Test No")));
        QVERIFY(first.contains(QStringLiteral("00001")));
        QVERIFY(first.contains(QStringLiteral("00065")));
        QVERIFY(!first.contains(QStringLiteral("00066")));
        const QString second = Page(2);
        QVERIFY(second.contains(QStringLiteral("Test No")));
        QVERIFY(!second.contains(QStringLiteral("SN-77")));
        QVERIFY(second.contains(QStringLiteral("00066")));
        QVERIFY(second.contains(QStringLiteral("00100")));
    }

    void fullLastPageEndsWithHeadingsOnly()
    {
        OpenRecords(65);
        FormResult->BitBtn5Click();
        QCOMPARE(Pages(), 2);
        const QString second = Page(2);
        QVERIFY(second.contains(QStringLiteral("Test No")));
        QVERIFY(!second.contains(QStringLiteral("000")));
    }

    // Every page is a print job of its own; the file holds the last one.
    void searchResultPrintsOneJobAPage()
    {
        OpenRecords(300);
        SearchForm->SetMatches(FormResult->StringGrid1->Rows().mid(1));
        SearchForm->BitBtn6Click();
        QCOMPARE(Pages(), 1);
        const QString last = Page(1);
        QVERIFY(last.contains(QStringLiteral("00300")));
        QVERIFY(!last.contains(QStringLiteral("SN-77")));
    }

    void cancelPrintsNothing()
    {
        cancel = true;
        FormResult->BitBtn5Click();
        QVERIFY(!QFile::exists(pdf));
    }
};

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
