#include "admin/passwordchange.h"

#include <algorithm>

PasswordChange CheckPasswordChange(const QString &current, const QString &oldPassword,
                                   const QString &newPassword, const QString &confirmation)
{
    if (oldPassword != current || confirmation != newPassword || newPassword.size() != 4)
        return PasswordChange::Refused;
    const bool digits = std::all_of(newPassword.begin(), newPassword.end(), [](QChar c) {
        return c >= QLatin1Char('0') && c <= QLatin1Char('9');
    });
    return digits ? PasswordChange::Accepted : PasswordChange::NotDigits;
}
