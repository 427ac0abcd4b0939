#pragma once
// What libxlsxwriter, a C library, needs from the system it runs on: numbers
// written the C way whatever the user's locale, and file names it can open.

#include <QByteArray>
#include <QString>

// The user's locale with the C library's number formatting ("C": a full
// stop before the decimals, no thousands separators).
class CNumbersLocale
{
public:
    CNumbersLocale();
    ~CNumbersLocale();
    CNumbersLocale(const CNumbersLocale &) = delete;
    CNumbersLocale &operator=(const CNumbersLocale &) = delete;

    // While a Scope lives, the thread that made it formats numbers with the
    // locale given; the thread's own locale comes back after it. Other
    // threads are not touched.
    class Scope
    {
    public:
        explicit Scope(const CNumbersLocale &locale);
        ~Scope();
        Scope(const Scope &) = delete;
        Scope &operator=(const Scope &) = delete;

    private:
        void *FPrevious = nullptr;
        bool FSwitched = false;
    };

private:
    void *FLocale = nullptr;
};

// The name by which the C library's fopen() opens the existing file or
// folder at path; empty when it has none that fopen() takes.
QByteArray CFileName(const QString &path);
