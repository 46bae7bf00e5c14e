#pragma once

#include <QString>

#include "common/tasks/TaskSchedApi.h"

// The account a task is registered to run as.
struct TTaskAccount {
    QString name;       // account name without a domain
    bool other = false; // not the account this program runs as
};

// The account of a registration: ours when no user is named or the named one is us; another
// account's password is checked first. Throws EOleSysError kNoneMapped for an unknown account,
// kLogonFailure for a wrong password or an account that may not log on.
TTaskAccount CheckTaskAccount(const QString& user, const QString& password);
// The refusal of a backend that cannot run tasks as another account.
EOleSysError OtherAccountRefused(const TTaskAccount& account, const QString& reason);
// True when this program may register tasks for other accounts (it runs as root).
bool MayScheduleForOthers();
