#include "common/platform/SessionServices.h"

#include <utility>

#include <windows.h>

#include "common/platform/SessionCalls_win.h"
#include "common/platform/SystemLibrary_win.h"
#include "common/platform/WinText_win.h"

namespace {

constexpr wchar_t kShutdownPrivilege[] = L"SeShutdownPrivilege";

using TSetSuspendState = BOOLEAN(WINAPI*)(BOOLEAN, BOOLEAN, BOOLEAN);

void* OpenOwnToken()
{
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, &token))
        return nullptr;
    return token;
}

bool EnablePrivilege(void* token, const std::wstring& privilege)
{
    TOKEN_PRIVILEGES privileges{};
    privileges.PrivilegeCount = 1;
    privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
    if (!LookupPrivilegeValueW(nullptr, privilege.c_str(), &privileges.Privileges[0].Luid))
        return false;
    return AdjustTokenPrivileges(static_cast<HANDLE>(token), FALSE, &privileges, 0, nullptr,
                                 nullptr) != FALSE;
}

// powrprof.dll stays loaded for the program's life once it was needed.
TSetSuspendState SuspendEntry()
{
    static const TSystemLibrary powrprof(L"powrprof.dll");
    return powrprof.Entry<TSetSuspendState>("SetSuspendState");
}

class TWinSessionService : public ISessionService {
public:
    TWinSessionService(TSessionCalls calls, TConfirmHook confirm)
        : calls(std::move(calls)), confirm(std::move(confirm))
    {}

    bool EnableShutdownPrivilege() override
    {
        void* token = calls.openOwnToken();
        if (!token)
            return true; // nothing to adjust: the call itself tells whether it may
        const bool enabled = calls.enablePrivilege(token, kShutdownPrivilege);
        calls.closeToken(token);
        return Noted(enabled);
    }

    bool ExitWindowsSession(const std::string& confirmText, std::uint32_t flags,
                            std::uint32_t reason) override
    {
        return Confirmed(confirmText) && EnableShutdownPrivilege() &&
               Noted(calls.exitWindows(flags, reason));
    }

    bool ShutdownComputer(const std::string& confirmText, bool restart,
                          std::uint32_t reason) override
    {
        return Confirmed(confirmText) && EnableShutdownPrivilege() &&
               Noted(calls.shutdown(restart, reason));
    }

    bool SuspendComputer(bool hibernate, bool forceCritical, bool disableWakeEvent) override
    {
        if (!calls.suspend) {
            error = SystemErrorText(ERROR_PROC_NOT_FOUND);
            return false;
        }
        return Noted(calls.suspend(hibernate, forceCritical, disableWakeEvent));
    }

    bool LockWorkStation() override { return Noted(calls.lockWorkStation()); }

    std::string LastError() const override { return error; }

private:
    bool Confirmed(const std::string& text)
    {
        error.clear();
        return text.empty() || (confirm && confirm(text));
    }

    bool Noted(bool succeeded)
    {
        error = succeeded ? std::string() : SystemErrorText(calls.lastError());
        return succeeded;
    }

    TSessionCalls calls;
    TConfirmHook confirm;
    std::string error;
};

} // namespace

TSessionCalls SystemSessionCalls()
{
    TSessionCalls calls;
    calls.openOwnToken = OpenOwnToken;
    calls.enablePrivilege = EnablePrivilege;
    calls.closeToken = [](void* token) { CloseHandle(static_cast<HANDLE>(token)); };
    calls.exitWindows = [](std::uint32_t flags, std::uint32_t reason) {
        return ExitWindowsEx(flags, reason) != FALSE;
    };
    calls.shutdown = [](bool restart, std::uint32_t reason) {
        return InitiateSystemShutdownExW(nullptr, nullptr, 0, TRUE, restart, reason) != FALSE;
    };
    if (const TSetSuspendState setSuspendState = SuspendEntry())
        calls.suspend = [setSuspendState](bool hibernate, bool force, bool noWake) {
            return setSuspendState(hibernate, force, noWake) != FALSE;
        };
    calls.lockWorkStation = [] { return ::LockWorkStation() != FALSE; };
    calls.lastError = [] { return static_cast<std::uint32_t>(GetLastError()); };
    return calls;
}

std::unique_ptr<ISessionService> CreateSessionServiceWith(TSessionCalls calls, TConfirmHook confirm)
{
    return std::make_unique<TWinSessionService>(std::move(calls), std::move(confirm));
}

std::unique_ptr<ISessionService> CreateSessionService(const std::string& /*busAddress*/,
                                                      TConfirmHook confirm)
{
    return CreateSessionServiceWith(SystemSessionCalls(), std::move(confirm));
}
