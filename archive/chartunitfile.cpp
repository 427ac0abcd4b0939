#include "archive/chartunitfile.h"

#include "base/filelines.h"
#include "records/data/recordfields.h"
#include "records/data/searchfilter.h"

#include <QDir>

namespace {

// One line never comes near this; a larger file is not read.
constexpr qint64 ChartUnitMaxBytes = 256;

QString ChartUnitPath(const QString &dir)
{
    return QDir(dir).filePath(QLatin1String(ChartUnitFileName));
}

} // namespace

std::optional<QString> ReadChartUnit(const QString &dir)
{
    QStringList lines;
    QString unread;
    if (!LoadLines(ChartUnitPath(dir), lines, &unread, ChartUnitMaxBytes) || lines.isEmpty())
        return std::nullopt;
    // "o/oo " ends in a blank, which the file need not keep.
    const QString named = lines.first().trimmed();
    for (const UnitRange &range : UnitRanges) {
        const QString unit = UnitText(range.unitCode);
        if (!named.isEmpty() && unit.trimmed() == named)
            return unit;
    }
    return std::nullopt;
}

bool WriteChartUnit(const QString &dir, const QString &unit, QString *error)
{
    return SaveLinesAtomically(ChartUnitPath(dir), {unit.trimmed()}, error);
}
