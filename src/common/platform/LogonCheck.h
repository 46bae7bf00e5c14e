#pragma once

#include <string>

// Checking an account's password without starting anything under it.

enum class TLogonCheck { Ok, UnknownAccount, Refused };

struct TLogonCheckResult {
    TLogonCheck result = TLogonCheck::Refused;
    std::string text; // the system's text when the logon was refused
};

// The name of the account this program runs as (effective user).
std::string CurrentAccountName();
// Checks the password of the account (a "domain\" prefix is dropped) as a start under it
// would: through the PAM service as root, through su otherwise.
TLogonCheckResult CheckAccountLogon(const std::string& user, const std::string& password);
