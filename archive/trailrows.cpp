#include "archive/trailrows.h"

#include "archive/archivewords.h"
#include "archive/chartscale.h"
#include "archive/testerlist.h"

#include <QDateTime>

namespace {

QString TesterText(const TrailEntry &entry)
{
    if (!entry.serialNumber.isEmpty())
        return entry.serialNumber;
    return entry.kind == TrailKind::Setting ? QString() : QLatin1String(AllTestersText);
}

QString Cell(QString text)
{
    for (QChar &c : text)
        if (c == u'\t' || c == u'\r' || c == u'\n')
            c = u' ';
    return text;
}

} // namespace

QStringList TrailHeadings()
{
    return {QStringLiteral("Time"),    QStringLiteral("Entry"), QStringLiteral("Tester"),
            QStringLiteral("Records"), QStringLiteral("PC"),    QStringLiteral("User"),
            QStringLiteral("Details")};
}

GridRow TrailRow(const TrailEntry &entry)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(entry.at);
    return {DayText(at.date().toJulianDay()) + at.toString(QStringLiteral(" hh:mm:ss")),
            TrailKindText(entry),
            TesterText(entry),
            TrailRecordsText(entry),
            entry.pc,
            entry.user,
            TrailDetailsText(entry)};
}

QByteArray TrailFileBytes(const QVector<TrailEntry> &entries)
{
    QByteArray bytes("\xEF\xBB\xBF");
    const auto line = [&bytes](const QStringList &cells) {
        QStringList clean;
        for (const QString &cell : cells)
            clean << Cell(cell);
        bytes += clean.join(u'\t').toUtf8() + "\r\n";
    };
    line({QStringLiteral("Time"), QStringLiteral("Entry"), QStringLiteral("Tester"),
          QStringLiteral("Records"), QStringLiteral("Already there"), QStringLiteral("PC"),
          QStringLiteral("User"), QStringLiteral("Details"), QStringLiteral("Fingerprint")});
    for (const TrailEntry &e : entries) {
        const bool batch = e.kind == TrailKind::Download || e.kind == TrailKind::Import ||
                           e.kind == TrailKind::CarriedOver || e.kind == TrailKind::Sent;
        line({QDateTime::fromMSecsSinceEpoch(e.at).toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")),
              TrailKindText(e), TesterText(e),
              e.kind == TrailKind::Setting ? QString() : QString::number(e.count),
              batch ? QString::number(e.already) : QString(), e.pc, e.user, TrailDetailsText(e),
              e.hash});
    }
    return bytes;
}

GridRows TrailPrintRows(const QVector<TrailEntry> &entries)
{
    GridRows rows{{QStringLiteral("Time"), QStringLiteral("Entry"), QStringLiteral("Tester"),
                   QStringLiteral("Records"), QStringLiteral("PC / user"),
                   QStringLiteral("Details")}};
    for (const TrailEntry &e : entries) {
        const GridRow row = TrailRow(e);
        rows.append(
            {row[0], row[1], row[2], row[3], row[4] + QStringLiteral(" / ") + row[5], row[6]});
    }
    return rows;
}

PrintColumns TrailPrintColumns()
{
    return {3, 2, 2, 3, 3, 2};
}
