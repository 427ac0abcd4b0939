#include "archive/store/storedtext.h"

#include <algorithm>

QStringList StoredTexts(const QStringList &texts)
{
    QStringList stored = texts;
    for (qsizetype i = 0; i < texts.size(); ++i)
        if (texts[i].contains(QChar(u'\0')))
            stored[i].replace(QChar(u'\0'), QChar(StoredZero));
    return stored;
}

GridRows StoredTexts(const GridRows &rows)
{
    GridRows stored = rows;
    for (qsizetype i = 0; i < rows.size(); ++i)
        if (std::any_of(rows[i].begin(), rows[i].end(),
                        [](const QString &cell) { return cell.contains(QChar(u'\0')); }))
            stored[i] = StoredTexts(rows[i]);
    return stored;
}

QString OriginalText(const QString &stored)
{
    QString original = stored;
    return original.replace(QChar(StoredZero), QChar(u'\0'));
}
