#include "app/settingsfile.h"

#include "base/decimal.h"

#include "base/filelines.h"
#include "tester/mainstate.h"

#include <QDir>
#include <QFileInfo>

#include <limits>

namespace {

// Every mask byte has its top bit set, so no character below 0x80 (digits
// included) is turned into NUL, CR or LF, which would break the line apart.
constexpr char16_t PasswordMask[4] = {0x9C, 0xE7, 0xD5, 0x8B};

constexpr int FirstLinkLine = 1;
constexpr int FirstPositionLine = 6;
constexpr int PasswordLine = 26;
constexpr int ModeLine = 27;
constexpr int LineCount = 29;

QString NotAnInteger(const QString &text)
{
    const QString shown =
        text.size() > ShownValueLength ? text.left(ShownValueLength) + QStringLiteral("...") : text;
    return QStringLiteral("'%1' is not a valid integer value").arg(shown);
}

// Reads lines[index] into value; false with the message when it is no integer.
bool TakeInt(const QStringList &lines, int index, int &value, QString *error)
{
    if (ParseSettingsInt(lines.at(index), &value))
        return true;
    if (error)
        *error = NotAnInteger(lines.at(index));
    return false;
}

QString SettingsPath(const QString &dir)
{
    return QDir(dir).filePath(QString::fromLatin1(SettingsFileName));
}

} // namespace

bool ParseSettingsInt(const QString &text, int *value)
{
    qsizetype start = 0;
    while (start < text.size() && text.at(start) == QLatin1Char(' '))
        ++start;
    const DecimalText number = ScanDecimal(text, start, false);
    if (!number.found || number.end != text.size() || ClampedTo<int>(number.value) != number.value)
        return false;
    *value = int(number.value);
    return true;
}

QString ObscurePassword(const QString &password)
{
    QString result = password.left(4);
    for (qsizetype i = 0; i < result.size(); ++i)
        result[i] = QChar(char16_t(result.at(i).unicode() ^ PasswordMask[i]));
    return result;
}

QStringList BuildSettingsLines()
{
    QStringList lines;
    lines.reserve(LineCount);
    lines << QStringLiteral(".Kestrune Ver 1.0");
    for (int value : LinkSettings)
        lines << QString::number(value);
    for (const TWindowPosition &p : WindowPositions)
        lines << QString::number(p.Left) << QString::number(p.Top);
    for (int i = 0; i < 6; ++i)
        lines << QStringLiteral("0");
    lines << ObscurePassword(AdminPassword);
    lines << QString::number(BluetoothMode);
    lines << QStringLiteral(".End");
    return lines;
}

SettingsLoad ApplySettingsLines(const QStringList &lines, QString *error)
{
    if (lines.size() <= PasswordLine)
        return SettingsLoad::TooShort;

    for (int k = 0; k < 5; ++k) {
        if (!TakeInt(lines, FirstLinkLine + k, LinkSettings[k], error))
            return SettingsLoad::Invalid;
    }
    for (int k = 0; k < 7; ++k) {
        const int line = FirstPositionLine + 2 * k;
        if (!TakeInt(lines, line, WindowPositions[k].Left, error))
            return SettingsLoad::Invalid;
        if (!TakeInt(lines, line + 1, WindowPositions[k].Top, error))
            return SettingsLoad::Invalid;
    }
    // A damaged password line would leave a password no one can type; the
    // password in memory is kept instead.
    const QString stored = lines.at(PasswordLine);
    if (stored.size() >= 4)
        AdminPassword = ObscurePassword(stored.left(4));
    // A file of 27 lines ends before the mode line: the mode stays as it is.
    if (lines.size() > ModeLine) {
        if (!TakeInt(lines, ModeLine, BluetoothMode, error))
            return SettingsLoad::Invalid;
        if (BluetoothMode != 1)
            BluetoothMode = 0;
    }
    return SettingsLoad::Loaded;
}

TWindowPosition CentredPosition(int desktopWidth, int desktopHeight)
{
    return {(desktopWidth - 1024) / 2, (desktopHeight - 680) / 2};
}

void ClampWindowPositions(int desktopWidth, int desktopHeight)
{
    const TWindowPosition centred = CentredPosition(desktopWidth, desktopHeight);
    for (TWindowPosition &place : WindowPositions) {
        if (place.Left > desktopWidth - 100 || place.Left < 0)
            place.Left = centred.Left;
        if (place.Top > desktopHeight - 50 || place.Top < 0)
            place.Top = centred.Top;
    }
}

SettingsLoad LoadSettings(const QString &dir, QString *error)
{
    for (TWindowPosition &p : WindowPositions)
        p = TWindowPosition{};
    for (int &value : LinkSettings)
        value = 0;
    LinkSettings[AutoSearch] = 1;
    LinkSettings[BaudIndex] = 7;

    const QString path = SettingsPath(dir);
    if (!QFileInfo::exists(path))
        return SettingsLoad::Missing;
    // A file that is there but cannot be read stops loading like a bad value.
    if (!LoadLines(path, FileLines, error, SettingsMaxBytes))
        return SettingsLoad::Invalid;
    return ApplySettingsLines(FileLines, error);
}

bool SaveSettings(const QString &dir, QString *error)
{
    FileLines = BuildSettingsLines();
    return SaveLinesAtomically(SettingsPath(dir), FileLines, error);
}
