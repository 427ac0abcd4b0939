// Writes the fuzz targets' seed corpus from the simulated tester's replies
// and from files the program itself writes: make_seeds DIR makes DIR/<target>/.

#include "app/settingsfile.h"
#include "fuzz/fuzzing.h"
#include "link/discovery.h"
#include "records/data/datafile.h"
#include "records/data/download.h"
#include "tester/mainstate.h"
#include "tools/simulator.h"

#include <QDir>
#include <QFile>

#include <cstdio>

namespace {

bool WriteSeed(const QString &dir, const QString &target, int number, const QByteArray &bytes)
{
    if (!QDir().mkpath(dir + QLatin1Char('/') + target))
        return false;
    QFile file(QStringLiteral("%1/%2/seed%3").arg(dir, target).arg(number));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    bool ok = true;
    int number = 0;
    TesterSimulator tester;
    for (const char *model : AcceptedModelCodes) {
        tester.SetModelCode(model);
        ok &=
            WriteSeed(dir, QStringLiteral("identification"), number, tester.IdentificationReply());
        ok &= WriteSeed(dir, QStringLiteral("information"), number++, tester.IdentificationReply());
    }
    ok &= WriteSeed(dir, QStringLiteral("identification"), number, TesterSimulator::GarbageReply());
    ok &= WriteSeed(dir, QStringLiteral("information"), number, "#I6\nQX4826\n");

    number = 0;
    for (int records : {0, 1, 3, 20}) {
        tester.SetRecordCount(records);
        const QByteArray reply = tester.DownloadReply();
        ok &= WriteSeed(dir, QStringLiteral("download"), number, reply);

        const DownloadReply parsed = ParseDownload(reply);
        QStringList deviceInfo = ReadDeviceInfoHeadings();
        deviceInfo[1] += QStringLiteral("KT0012345");
        GridRows gridRows{PlainHeadings()};
        gridRows += parsed.rows;
        const QByteArray file =
            FileBytes(BuildRecordFileLines(deviceInfo, gridRows, QLatin1Char(',')));
        ok &= WriteSeed(dir, QStringLiteral("datafile"), number, file);
        ok &= WriteSeed(dir, QStringLiteral("archiveimport"), number++, file);
    }
    ok &= WriteSeed(dir, QStringLiteral("download"), number, "#D501\n");

    ok &= WriteSeed(dir, QStringLiteral("clock"), 0, tester.ClockReply());
    ok &= WriteSeed(dir, QStringLiteral("clock"), 1, "#2010-01-31 23:59.59\r\n");

    // The search criteria, one a line, then the records as a data file holds them.
    tester.SetRecordCount(20);
    QByteArray records;
    for (const GridRow &row : ParseDownload(tester.DownloadReply()).rows)
        records += row.join(QLatin1Char(',')).toLatin1() + ",\n";
    ok &= WriteSeed(dir, QStringLiteral("searchfilter"), 0,
                    "1\n99999\n2000-01-01\n2030-12-31\n%BAC\n0.000\n0.400\nPASS\n" + records);
    ok &= WriteSeed(dir, QStringLiteral("searchfilter"), 1,
                    "5\n12\n2010-03-01\n2010-01-01\nmg/L\n0.1\n0.3\nFAIL\n" + records);

    // A record twice, and a zero byte in a text.
    tester.SetRecordCount(3);
    QByteArray twice = tester.DownloadReply();
    ok &= WriteSeed(
        dir, QStringLiteral("archiveimport"), number,
        FileBytes(BuildRecordFileLines(ReadDeviceInfoHeadings(),
                                       GridRows{PlainHeadings()} + ParseDownload(twice).rows +
                                           ParseDownload(twice).rows,
                                       QLatin1Char(',')))
            .replace("PASS", QByteArray("PA\0SS", 5)));

    number = 0;
    for (const char *location :
         {"sqlite:/var/lib/kestrune/archive.sqlite",
          "postgresql://clerk@db.example.com:5433/"
          "kestrune?sslmode=require&connect_timeout=2",
          "postgres://%2Fvar%2Frun/k?host=/run/sock&application_name=O%27Neil",
          "postgresql://[::1]:5432/k", "odbc:Driver={PostgreSQL Unicode};Servername=h;Port=5432",
          "odbc:KestruneSite", "odbc:DSN=k;pqopt={sslmode=require}"})
        ok &= WriteSeed(dir, QStringLiteral("archivelocation"), number++, location);

    ResetMainState();
    ok &= WriteSeed(dir, QStringLiteral("settingsfile"), 0, FileBytes(BuildSettingsLines()));
    BluetoothMode = 1;
    WindowPositions[1] = {-40, 120};
    AdminPassword = QStringLiteral("0042");
    ok &= WriteSeed(dir, QStringLiteral("settingsfile"), 1, FileBytes(BuildSettingsLines()));

    ok &= WriteSeed(dir, QStringLiteral("serialcomm"), 0,
                    "\\Device\\Serial0\tttyUSB0\n\\Device\\BthModem0\trfcomm0\n"
                    "\\Device\\VCP1\tttyusb0\n\\Device\\USBSER000\tttyACM0\n");
    ok &= WriteSeed(dir, QStringLiteral("serialcomm"), 1,
                    ("\\Device\\Serial0\t" + tester.PortName() + "\r\n").toLatin1());

    // The archive as it was made; one byte in its header changed (the page
    // size); one byte at the start of its second page; cut after its first
    // page.
    ok &= WriteSeed(dir, QStringLiteral("archiveverify"), 0, QByteArray());
    ok &= WriteSeed(dir, QStringLiteral("archiveverify"), 1, QByteArray("\0\0\x10\x7f", 4));
    ok &= WriteSeed(dir, QStringLiteral("archiveverify"), 2, QByteArray("\0\x10\0\x0d", 4));
    ok &= WriteSeed(dir, QStringLiteral("archiveverify"), 3, QByteArray("\0\x10\0", 3));
    if (!ok)
        std::fprintf(stderr, "make_seeds: cannot write into %s\n", argv[1]);
    return ok ? 0 : 1;
}
