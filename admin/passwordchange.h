#pragma once
// The checks an administrator password change passes, in their order.

#include <QString>

enum class PasswordChange {
    Accepted,
    Refused,   // old password wrong, confirmation differs, or not 4 characters
    NotDigits, // 4 characters, but not all of them decimal digits
};

PasswordChange CheckPasswordChange(const QString &current, const QString &oldPassword,
                                   const QString &newPassword, const QString &confirmation);
