#include "common/platform/LogonCheck.h"

#include <cerrno>

#include <security/pam_appl.h>
#include <unistd.h>

#include "common/platform/Logon_posix.h"

bool FindAccount(const char* name, uid_t uid, TLogonRequest& request)
{
    passwd* found = nullptr;
    for (std::size_t size = 1024; size <= (1u << 20); size *= 4) {
        request.storage.assign(size, '\0');
        const int rc =
            name ? getpwnam_r(name, &request.account, request.storage.data(), size, &found)
                 : getpwuid_r(uid, &request.account, request.storage.data(), size, &found);
        if (rc != ERANGE)
            return rc == 0 && found;
    }
    return false;
}

std::string CurrentAccountName()
{
    TLogonRequest self;
    return FindAccount(nullptr, geteuid(), self) ? self.account.pw_name : std::string();
}

TLogonCheckResult CheckAccountLogon(const std::string& user, const std::string& password)
{
    const std::size_t slash = user.rfind('\\');
    const std::string name = slash == std::string::npos ? user : user.substr(slash + 1);
    TLogonRequest request;
    request.accountText = user;
    request.password = password;
    request.words = {"true"};
    if (name.empty() || !FindAccount(name.c_str(), 0, request))
        return {TLogonCheck::UnknownAccount, pam_strerror(nullptr, PAM_USER_UNKNOWN)};
    try {
        if (geteuid() == 0) {
            AuthenticateWithPam(request, LogonOptions().pamService);
        } else {
            TProcessHandle started = StartWithSu(request, LogonOptions().suProgram);
            WaitForProcess(started, 0);
        }
    } catch (const EProcessError& error) {
        const bool unknown = error.Code() == PAM_USER_UNKNOWN;
        return {unknown ? TLogonCheck::UnknownAccount : TLogonCheck::Refused, error.SystemText()};
    }
    return {TLogonCheck::Ok, {}};
}
