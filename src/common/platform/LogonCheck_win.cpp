#include "common/platform/LogonCheck.h"

#include <vector>

#include <windows.h>

#include "common/platform/WinText_win.h"

namespace {

struct TAccountName {
    std::wstring domain, user;
};

TAccountName SplitAccount(const std::string& account)
{
    const std::wstring wide = Utf8ToWide(account);
    const std::size_t slash = wide.rfind(L'\\');
    if (slash == std::wstring::npos)
        return {L".", wide};
    return {wide.substr(0, slash), wide.substr(slash + 1)};
}

bool AccountKnown(const std::wstring& name)
{
    DWORD sidSize = 0;
    DWORD domainSize = 0;
    SID_NAME_USE use;
    LookupAccountNameW(nullptr, name.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use);
    return GetLastError() != ERROR_NONE_MAPPED;
}

} // namespace

std::string CurrentAccountName()
{
    wchar_t name[1024];
    DWORD size = sizeof name / sizeof name[0];
    return GetUserNameW(name, &size) ? WideToUtf8(name) : std::string();
}

TLogonCheckResult CheckAccountLogon(const std::string& user, const std::string& password)
{
    const TAccountName account = SplitAccount(user);
    if (account.user.empty() || !AccountKnown(account.user))
        return {TLogonCheck::UnknownAccount, SystemErrorText(ERROR_NONE_MAPPED)};
    HANDLE token = nullptr;
    const std::wstring widePassword = Utf8ToWide(password);
    if (!LogonUserW(account.user.c_str(), account.domain.c_str(), widePassword.c_str(),
                    LOGON32_LOGON_INTERACTIVE, LOGON32_PROVIDER_DEFAULT, &token))
        return {TLogonCheck::Refused, SystemErrorText(GetLastError())};
    CloseHandle(token);
    return {TLogonCheck::Ok, {}};
}
