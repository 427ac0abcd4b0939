// Downloads from the simulated tester go into the records archive as well;
// the results window shows what that gave and otherwise works as before,
// also when the archive cannot take them.

#include "archivefixture.h"
#include "guifixture.h"
#include "simulatorrows.h"

#include "archive/store/archivesql.h"
#include "archive/store/archivestore.h"
#include "archive/store/sqlconnection.h"
#include "link/commands.h"
#include "records/Result.h"
#include "records/data/download.h"
#include "records/data/recordstate.h"
#include "records/stringgrid.h"
#include "tools/simulator.h"

#include <QLabel>
#include <memory>

namespace {

QByteArray Bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
} // namespace

class TestResultArchive : public GuiTest
{
    Q_OBJECT
    std::unique_ptr<TesterSimulator> tester;

    QString ArchivePath() const { return fx->Dir() + QStringLiteral("/archive.sqlite"); }

    void Link()
    {
        tester = std::make_unique<TesterSimulator>();
        fx->SetTable({GuiFixture::Usb(0, tester->PortName())});
        FormMain->BitBtn1Click();
        QCOMPARE(Connected, 1);
    }

    void Download(int records)
    {
        tester->SetRecordCount(records);
        fx->Answers << mrOk; // records of the download before may go
        FormResult->BitBtn1Click();
        QCOMPARE(RecordCount, records);
        for (int i = 0; i < records; ++i)
            QCOMPARE(FormResult->StringGrid1->Rows()[i + 1], RowOf(i));
        QVERIFY(FormResult->UnsavedRecords());
    }

private slots:
    void cleanupTestCase()
    {
        tester.reset();
        GuiTest::cleanupTestCase();
    }
    void init()
    {
        for (const char *end : {"", "-wal", "-shm"})
            QFile::remove(ArchivePath() + QLatin1String(end));
        FormResult->close();
        FormResult->show();
        fx->Messages.clear();
        fx->Answers.clear();
    }
    void cleanup()
    {
        fx->Answers = {mrOk};
        FormResult->close();
        if (Connected)
            FormMain->BitBtn6Click();
        tester.reset();
    }

    // The same tester downloaded again: only its new records are added.
    void downloadsArchivedOnce_data()
    {
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("second");
        QTest::addColumn<QString>("label");
        // The simulated tester was last calibrated in 2011.
        QTest::newRow("same records")
            << 5 << 5 << "0 new records archived, 5 already there - calibration due!!!";
        QTest::newRow("three more")
            << 5 << 8 << "3 new records archived, 5 already there - calibration due!!!";
        QTest::newRow("five hundred")
            << 500 << 500 << "0 new records archived, 500 already there - calibration due!!!";
    }
    void downloadsArchivedOnce()
    {
        QFETCH(int, first);
        QFETCH(int, second);
        QFETCH(QString, label);
        QCOMPARE(FormResult->Label5->text(), QString());
        Link();
        Download(first);
        QTRY_COMPARE(FormResult->Label5->text(),
                     QStringLiteral("%1 new records archived, 0 already there - calibration due!!!")
                         .arg(first));
        Download(second);
        QTRY_COMPARE(FormResult->Label5->text(), label);
        QCOMPARE(fx->TakeTexts(), QStringList({"Data Not Saved ! Continue ?"}));

        ArchiveError error;
        auto store = ArchiveStore::Open({ArchiveLocation::Driver::Sqlite, ArchivePath()}, &error);
        QVERIFY2(store, qPrintable(error.reason));
        const auto records = store->Page({}, {}, 0, 1000, &error);
        QCOMPARE(records->size(), second);
        for (int i = 0; i < second; ++i)
            QCOMPARE((*records)[i].cells, RowOf(i));
        const auto testers = store->Testers(&error);
        QCOMPARE(testers->size(), 1);
        QCOMPARE(testers->first().deviceInfo, DeviceInfoLines);
        QCOMPARE(testers->first().serialNumber, QStringLiteral("KT0012345"));
    }

    // Judged by the site's interval kept in the archive; no message comes up.
    void calibrationDueInTheStatusLine()
    {
        ArchiveError error;
        auto store = ArchiveStore::Open({ArchiveLocation::Driver::Sqlite, ArchivePath()}, &error);
        const QDate calibrated = QDate::currentDate().addMonths(-11);
        Link();
        tester->SetReply(Cmd::Identify,
                         tester->IdentificationReply().replace(
                             "2011-03-15", calibrated.toString("yyyy-MM-dd").toLatin1()));
        for (int months : {12, 6}) {
            QVERIFY(store->SetCalibrationMonths(months, &error));
            Download(4);
            QTRY_COMPARE(FormResult->Label5->text(),
                         months == 12
                             ? "4 new records archived, 0 already there"
                             : "0 new records archived, 4 already there - calibration due!!!");
        }
        QCOMPARE(fx->TakeTexts(), QStringList({"Data Not Saved ! Continue ?"}));
    }

    // An archive that cannot take the records: the download is shown as
    // ever, the reason said once, the file left alone and the records still
    // guarded as unsaved.
    void failedArchiveLosesNothing_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("reason");
        QTest::newRow("no database")
            << QByteArray("Kestrune\r\n").repeated(500) << "file is not a database";
        QTest::newRow("newer program") << QByteArray() << "newer Kestrune";
    }
    void failedArchiveLosesNothing()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, reason);
        if (file.isEmpty()) {
            SqlConnection newer(QStringLiteral("QSQLITE"));
            QSqlDatabase db = newer.Db();
            db.setDatabaseName(ArchivePath());
            QVERIFY(db.open());
            QSqlQuery query(db);
            QString error;
            QVERIFY(RunSql(query,
                           "CREATE TABLE archive_schema (singleton INTEGER, version INTEGER)", {},
                           &error));
            QVERIFY(RunSql(query, "INSERT INTO archive_schema VALUES (1, 99)", {}, &error));
        } else {
            QFile out(ArchivePath());
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(file);
        }
        const QByteArray before = Bytes(ArchivePath());
        Link();
        Download(7);
        QTRY_COMPARE(fx->Messages.size(), 1);
        QCOMPARE(fx->Messages[0].caption, QStringLiteral("Failure"));
        QVERIFY2(fx->Messages[0].text.startsWith("Records Not Archived : "),
                 qPrintable(fx->Messages[0].text));
        QVERIFY2(fx->Messages[0].text.contains(reason), qPrintable(fx->Messages[0].text));
        QCOMPARE(FormResult->Label5->text(), QStringLiteral("Records not archived"));
        QCOMPARE(Bytes(ArchivePath()), before);
        fx->Messages.clear();
        fx->Answers << mrCancel;
        FormResult->close();
        QCOMPARE(fx->TakeTexts(), QStringList({"Data Not Saved ! Continue ?"}));
        QVERIFY(FormResult->isVisible());
    }
};

QTEST_MAIN(TestResultArchive)
#include "tst_resultarchive.moc"
