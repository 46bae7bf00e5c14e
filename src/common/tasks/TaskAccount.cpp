#include "common/tasks/TaskAccount.h"

#include <unistd.h>

#include "common/infra/Translate.h"
#include "common/platform/LogonCheck.h"

TTaskAccount CheckTaskAccount(const QString& user, const QString& password)
{
    const QString self = QString::fromStdString(CurrentAccountName());
    const QString name = user.section(u'\\', -1);
    if (name.isEmpty() || name == self)
        return {self, false};
    const TLogonCheckResult check = CheckAccountLogon(name.toStdString(), password.toStdString());
    if (check.result == TLogonCheck::Ok)
        return {name, true};
    const HRESULT code = check.result == TLogonCheck::UnknownAccount ? TaskResult::kNoneMapped
                                                                     : TaskResult::kLogonFailure;
    throw EOleSysError(code, Fmt(Tr("The account \"%s\" cannot log on: %s"),
                                 {user, QString::fromStdString(check.text)}));
}

EOleSysError OtherAccountRefused(const TTaskAccount& account, const QString& reason)
{
    return EOleSysError(
        TaskResult::kAccessDenied,
        Fmt(Tr("The task cannot be scheduled to run as \"%s\": %s"), {account.name, reason}));
}

bool MayScheduleForOthers()
{
    return geteuid() == 0;
}
