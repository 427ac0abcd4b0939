#pragma once
// A verify of the archive as the operator and an auditor read it: the
// summary line, each tester's chain head and each break named.

#include "archive/store/archiveverify.h"

#include <QString>
#include <QStringList>

// "Verified 124,503 records of 37 testers in 2.1 s: intact", or ": not
// intact, 3 breaks".
QString VerifySummaryText(const ArchiveVerdict &verdict, qint64 milliseconds);
// "Tester SN0012345, batch 3, record 17 (01 - Jan - 2021 10:15:00): changed"
QString VerifyBreakText(const VerifyBreak &b);
// "SN0012345: 12 batches, 1,024 records, 3 deleted, chain head <hash>"
QString VerifyHeadText(const VerifiedTester &tester);
// The summary, then the chain heads of an intact archive or the breaks of
// one that is not (with how many more there are than are named).
QStringList VerifyReportLines(const ArchiveVerdict &verdict, qint64 milliseconds);
// The lines a printout of a selection ends with: "Fingerprint : <hex>" of its
// records (in the order archived), and "Last verify : <when>, intact" (or
// "none").
QStringList SelectionSealLines(const SelectionSeal &seal);
// The report as a message shows it: its first lines, then how many more
// there are.
QString VerifyMessageText(const ArchiveVerdict &verdict, qint64 milliseconds);
