#include "archive/verifywords.h"

#include "archive/archivewords.h"
#include "archive/liststyle.h"

#include <QDateTime>

namespace {

QString Plural(qint64 count, const char *one, const char *many)
{
    return GroupedCount(count) + QLatin1Char(' ') + QLatin1String(count == 1 ? one : many);
}

QString BreakCount(qint64 count)
{
    return Plural(count, "break", "breaks");
}

QString RecordWords(const VerifyBreak &b)
{
    return QStringLiteral("record %1 (%2 %3)").arg(b.testNo, b.date, b.time);
}

QString KindWords(VerifyBreakKind kind)
{
    switch (kind) {
    case VerifyBreakKind::Changed:
        return QStringLiteral("changed");
    case VerifyBreakKind::Removed:
        return QStringLiteral("removed without a deletion entry");
    case VerifyBreakKind::Added:
        return QStringLiteral("added outside a batch");
    case VerifyBreakKind::BatchAltered:
        return QStringLiteral("batch altered: its hash does not match its contents");
    case VerifyBreakKind::BatchUnlinked:
        return QStringLiteral("batch altered: its link to the batch before it is broken");
    case VerifyBreakKind::Damaged:
        break;
    }
    return QStringLiteral("the archive file is damaged");
}

} // namespace

QString VerifySummaryText(const ArchiveVerdict &verdict, qint64 milliseconds)
{
    const QString state = verdict.Intact()
                              ? QStringLiteral("intact")
                              : QStringLiteral("not intact, ") + BreakCount(verdict.breakCount);
    return QStringLiteral("Verified %1 of %2 in %3 s: %4")
        .arg(Plural(verdict.records, "record", "records"),
             Plural(verdict.testers.size(), "tester", "testers"),
             QString::number(double(milliseconds) / 1000.0, 'f', 1), state);
}

QString VerifyBreakText(const VerifyBreak &b)
{
    if (b.kind == VerifyBreakKind::Damaged)
        return KindWords(b.kind) + QStringLiteral(": ") + b.detail;
    QStringList where;
    where << QStringLiteral("Tester ") + b.serialNumber;
    if (b.batchNumber > 0)
        where << QStringLiteral("batch %1").arg(b.batchNumber);
    if (b.kind == VerifyBreakKind::Removed)
        where << QStringLiteral("its record %1 (fingerprint %2)")
                     .arg(b.position)
                     .arg(QString::fromLatin1(b.fingerprint));
    else if (!b.testNo.isEmpty() || !b.date.isEmpty() || !b.time.isEmpty())
        where << RecordWords(b);
    return where.join(QStringLiteral(", ")) + QStringLiteral(": ") + KindWords(b.kind);
}

QString VerifyHeadText(const VerifiedTester &tester)
{
    QString text = tester.serialNumber + QStringLiteral(": ") +
                   Plural(tester.batches, "batch", "batches") + QStringLiteral(", ") +
                   Plural(tester.records, "record", "records");
    if (tester.deleted > 0)
        text += QStringLiteral(", %1 deleted").arg(GroupedCount(tester.deleted));
    if (!tester.head.isEmpty())
        text += QStringLiteral(", chain head ") + QString::fromLatin1(tester.head);
    return text;
}

QStringList VerifyReportLines(const ArchiveVerdict &verdict, qint64 milliseconds)
{
    QStringList lines{VerifySummaryText(verdict, milliseconds)};
    for (const VerifiedTester &t : verdict.testers)
        lines << VerifyHeadText(t);
    for (const VerifyBreak &b : verdict.breaks)
        lines << VerifyBreakText(b);
    if (verdict.breakCount > verdict.breaks.size())
        lines << QStringLiteral("... and %1 more breaks")
                     .arg(GroupedCount(verdict.breakCount - verdict.breaks.size()));
    return lines;
}

QString VerifyMessageText(const ArchiveVerdict &verdict, qint64 milliseconds)
{
    constexpr int MessageLines = 24;
    QStringList lines = VerifyReportLines(verdict, milliseconds);
    if (lines.size() > MessageLines) {
        const qsizetype more = lines.size() - (MessageLines - 1);
        lines.resize(MessageLines - 1);
        lines << QStringLiteral("... and %1 more lines").arg(GroupedCount(more));
    }
    return lines.join(QLatin1Char('\n'));
}

QStringList SelectionSealLines(const SelectionSeal &seal)
{
    const QString verified =
        seal.lastVerifiedAt ? MomentListText(QDateTime::fromMSecsSinceEpoch(*seal.lastVerifiedAt)) +
                                  QStringLiteral(", ") + seal.lastVerdict
                            : QStringLiteral("none");
    return {QStringLiteral("Fingerprint : ") + QString::fromLatin1(seal.fingerprint),
            QStringLiteral("Last verify : ") + verified};
}
