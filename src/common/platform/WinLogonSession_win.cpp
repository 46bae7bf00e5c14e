#include "common/platform/WinLogonSession_win.h"

#include <windows.h>
#include <ntsecapi.h>

#include "common/platform/SystemLibrary_win.h"

namespace {

using TGetLogonSessionData = NTSTATUS(NTAPI*)(PLUID, PSECURITY_LOGON_SESSION_DATA*);
using TFreeReturnBuffer = NTSTATUS(NTAPI*)(PVOID);

std::optional<LUID> OwnLogonSessionId()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return std::nullopt;
    TOKEN_STATISTICS statistics{};
    DWORD size = 0;
    const bool read =
        GetTokenInformation(token, TokenStatistics, &statistics, sizeof statistics, &size);
    CloseHandle(token);
    return read ? std::optional<LUID>(statistics.AuthenticationId) : std::nullopt;
}

} // namespace

std::optional<std::uint32_t> OwnLogonType()
{
    // Secur32 is looked up at each call, as it is missing on some editions.
    const TSystemLibrary secur32(L"secur32.dll");
    const auto getData = secur32.Entry<TGetLogonSessionData>("LsaGetLogonSessionData");
    const auto freeBuffer = secur32.Entry<TFreeReturnBuffer>("LsaFreeReturnBuffer");
    std::optional<LUID> session = OwnLogonSessionId();
    if (!getData || !freeBuffer || !session)
        return std::nullopt;
    PSECURITY_LOGON_SESSION_DATA data = nullptr;
    if (getData(&*session, &data) != 0 || !data) // STATUS_SUCCESS is 0
        return std::nullopt;
    const std::uint32_t type = data->LogonType;
    freeBuffer(data);
    return type;
}

bool HasVisibleWindowStation()
{
    USEROBJECTFLAGS flags{};
    const HWINSTA station = GetProcessWindowStation();
    return station &&
           GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof flags, nullptr) &&
           (flags.dwFlags & WSF_VISIBLE) != 0;
}
