// The serial-port table and the port lists made from it: every entry lands
// in exactly one link type's list, the sorted list is sorted, free of
// duplicates and made of listed ports only, and a table written back out
// reads the same.

#include "base/filelines.h"
#include "fuzz/fuzzing.h"
#include "link/discovery.h"

#include <QSet>

namespace {

QList<SerialCommEntry> TableFrom(const QByteArray &bytes)
{
    qputenv("KESTRUNE_SERIALCOMM",
            QFile::encodeName(WriteScratchFile(QStringLiteral("serialcomm"), bytes)));
    return ReadSerialCommTable();
}

void CheckSorted(const QStringList &ports)
{
    const QStringList sorted = SortedPortList(ports);
    QSet<QString> listed(ports.begin(), ports.end());
    for (qsizetype i = 0; i < sorted.size(); ++i) {
        FUZZ_CHECK(listed.contains(sorted[i]));
        if (i > 0)
            FUZZ_CHECK(sorted[i - 1].compare(sorted[i], Qt::CaseInsensitive) < 0);
    }
    FUZZ_CHECK(SortedPortList(sorted) == sorted);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QList<SerialCommEntry> table = TableFrom(InputBytes(data, size));
    const QStringList usb = PortsOfMode(table, 0);
    const QStringList bluetooth = PortsOfMode(table, 1);
    FUZZ_CHECK(usb.size() + bluetooth.size() == table.size());
    CheckSorted(usb);
    CheckSorted(bluetooth);

    QByteArray written;
    for (const SerialCommEntry &entry : table) {
        FUZZ_CHECK(!entry.ValueName.contains(QLatin1Char('\t')));
        written += (entry.ValueName + QLatin1Char('\t') + entry.PortName).toLatin1() + "\r\n";
    }
    const QList<SerialCommEntry> again = TableFrom(written);
    FUZZ_CHECK(again.size() == table.size());
    for (qsizetype i = 0; i < table.size(); ++i)
        FUZZ_CHECK(again[i].ValueName == table[i].ValueName &&
                   again[i].PortName == table[i].PortName);
    return 0;
}
