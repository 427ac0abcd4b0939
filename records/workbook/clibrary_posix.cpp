#include "records/workbook/clibrary.h"

#include <QFile>

#include <clocale>
#include <locale.h>

// Qt sets the C library's locale from the user's (QCoreApplication calls
// setlocale(LC_ALL, "")), and Debian's libxlsxwriter formats numbers with
// printf: in a German locale 0.045 would become "0,045", which spreadsheet
// programs do not read. The thread's own locale (uselocale) changes only
// the writing thread.

CNumbersLocale::CNumbersLocale()
{
    locale_t user = ::duplocale(LC_GLOBAL_LOCALE);
    if (!user)
        return;
    locale_t numbersC = ::newlocale(LC_NUMERIC_MASK, "C", user);
    if (!numbersC) {
        ::freelocale(user);
        return;
    }
    FLocale = numbersC;
}

CNumbersLocale::~CNumbersLocale()
{
    if (FLocale)
        ::freelocale(static_cast<locale_t>(FLocale));
}

CNumbersLocale::Scope::Scope(const CNumbersLocale &locale)
{
    if (!locale.FLocale)
        return;
    FPrevious = ::uselocale(static_cast<locale_t>(locale.FLocale));
    FSwitched = FPrevious != nullptr;
}

CNumbersLocale::Scope::~Scope()
{
    if (FSwitched)
        ::uselocale(static_cast<locale_t>(FPrevious));
}

QByteArray CFileName(const QString &path)
{
    return QFile::encodeName(path);
}
