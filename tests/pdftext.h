#pragma once
// A PDF document read back with poppler's pdfinfo and pdftotext.

#include <QProcess>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

#include <algorithm>

// What program writes on its standard output; empty when it fails.
inline QString PdfToolOutput(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

// The number of pages; -1 when the document cannot be read.
inline int Pages(const QString &pdf)
{
    const QString info = PdfToolOutput(QStringLiteral("pdfinfo"), {pdf});
    const int at = info.indexOf(QStringLiteral("Pages:"));
    return at < 0 ? -1 : info.mid(at + 6).section(u'\n', 0, 0).trimmed().toInt();
}

// Page n as laid out on paper, one line of text a line of the page.
inline QString PageText(const QString &pdf, int n)
{
    return PdfToolOutput(QStringLiteral("pdftotext"),
                         {"-layout", "-f", QString::number(n), "-l", QString::number(n), pdf, "-"});
}

// Every page as laid out on paper.
inline QString DocumentText(const QString &pdf)
{
    return PdfToolOutput(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, "-"});
}

// The words of pattern (parted by two blanks) with any blanks between them,
// on one line.
inline bool HasLine(const QString &text, const QString &pattern)
{
    QStringList words;
    for (const QString &word : pattern.split(QStringLiteral("  "), Qt::SkipEmptyParts))
        words << QRegularExpression::escape(word.trimmed());
    return QRegularExpression(words.join(QStringLiteral("[ \\t]+"))).match(text).hasMatch();
}

// The last count lines of text that hold anything, each with its blanks
// made single.
inline QStringList LastLines(const QString &text, int count)
{
    QStringList lines;
    for (const QString &line : text.split(u'\n'))
        if (!line.simplified().isEmpty())
            lines << line.simplified();
    return lines.mid(std::max<qsizetype>(0, lines.size() - count));
}
