#include "records/workbook/clibrary.h"

#include <QDir>

#include <windows.h>

#include <vector>

// The Windows build of libxlsxwriter formats numbers itself (its own dtoa),
// and Qt leaves the C library's locale at "C" on Windows: nothing to switch.

CNumbersLocale::CNumbersLocale() = default;

CNumbersLocale::~CNumbersLocale() = default;

CNumbersLocale::Scope::Scope(const CNumbersLocale &) {}

CNumbersLocale::Scope::~Scope() = default;

// libxlsxwriter opens its files with fopen(), which takes names in the
// system's ANSI code page. A name with characters outside it is given by its
// short (8.3) form, made of ANSI characters, which only an existing file has.
QByteArray CFileName(const QString &path)
{
    const QString native = QDir::toNativeSeparators(path);
    const QByteArray ansi = native.toLocal8Bit();
    if (QString::fromLocal8Bit(ansi) == native)
        return ansi;
    const auto *wide = reinterpret_cast<const wchar_t *>(native.utf16());
    const DWORD length = ::GetShortPathNameW(wide, nullptr, 0);
    if (length == 0)
        return {};
    std::vector<wchar_t> shortName(length);
    if (::GetShortPathNameW(wide, shortName.data(), length) == 0)
        return {};
    const QString shortPath = QString::fromWCharArray(shortName.data());
    const QByteArray shortAnsi = shortPath.toLocal8Bit();
    return QString::fromLocal8Bit(shortAnsi) == shortPath ? shortAnsi : QByteArray();
}
