#include "records/data/recordfields.h"

QStringList PlainHeadings()
{
    return {QStringLiteral("  Test No"),     QStringLiteral("  Date"),
            QStringLiteral("  Time"),        QStringLiteral("  Reading"),
            QStringLiteral("  Test Result"), QStringLiteral("  Sampling Type")};
}

QString UnitText(char unitCode)
{
    switch (unitCode) {
    case '0':
        return QStringLiteral("o/oo ");
    case '1':
        return QStringLiteral("%BAC");
    case '2':
        return QStringLiteral("mg/L");
    case '4':
        return QStringLiteral("g/L");
    case '5':
        return QStringLiteral("ug/100mL");
    case '6':
        return QStringLiteral("ug/L");
    default:
        return QString();
    }
}

QString ResultText(char resultCode)
{
    switch (resultCode) {
    case '0':
        return QStringLiteral("PASS");
    case '1':
        return QStringLiteral("FAIL");
    default:
        return QStringLiteral("-");
    }
}

QString SamplingText(char code)
{
    return code == '1' ? QStringLiteral("Manual") : QStringLiteral("-");
}

QStringList ReadDeviceInfoHeadings()
{
    return {QStringLiteral("Device Information "), QStringLiteral("Serial Number         : "),
            QStringLiteral("Software Version  : "), QStringLiteral("Last Calibration      : ")};
}

QStringList ShownDeviceInfoHeadings()
{
    return {QStringLiteral("Device Information "), QStringLiteral("Serial Number        : "),
            QStringLiteral("Software Version  : "), QStringLiteral("Last Calibration     : ")};
}
