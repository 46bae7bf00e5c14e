#include "common/platform/WinExecute.h"

#include <utility>
#include <vector>

#include <windows.h>

#include "common/platform/LogonCheck.h"
#include "common/platform/ProcessEnvironment.h"
#include "common/platform/WinText_win.h"

struct TChildProcess {
    HANDLE process = nullptr;
    DWORD id = 0;
    ~TChildProcess()
    {
        if (process)
            CloseHandle(process);
    }
};

namespace {

constexpr DWORD kCreationFlags = NORMAL_PRIORITY_CLASS | CREATE_UNICODE_ENVIRONMENT;

using TCreateProcessWithLogonW = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LPCWSTR, DWORD, LPCWSTR, LPWSTR,
                                               DWORD, LPVOID, LPCWSTR, LPSTARTUPINFOW,
                                               LPPROCESS_INFORMATION);

// Looked up when needed: the call is missing on some editions of the system.
TCreateProcessWithLogonW LogonStart()
{
    HMODULE advapi = GetModuleHandleW(L"advapi32.dll");
    if (!advapi)
        advapi = LoadLibraryW(L"advapi32.dll");
    if (!advapi)
        return nullptr;
    return reinterpret_cast<TCreateProcessWithLogonW>(
        reinterpret_cast<void*>(GetProcAddress(advapi, "CreateProcessWithLogonW")));
}

// The command line as the start calls want it: writable and terminated.
std::vector<wchar_t> WritableLine(const std::string& commandLine)
{
    const std::wstring wide = Utf8ToWide(commandLine);
    std::vector<wchar_t> line(wide.begin(), wide.end());
    line.push_back(L'\0');
    return line;
}

TProcessHandle Started(PROCESS_INFORMATION& info)
{
    CloseHandle(info.hThread);
    auto child = std::make_unique<TChildProcess>();
    child->process = info.hProcess;
    child->id = info.dwProcessId;
    return TProcessHandle(std::move(child));
}

STARTUPINFOW ShownStartup()
{
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    return startup;
}

// Our environment with the user's own values where the program changed some for itself.
std::wstring UserEnvironmentBlock()
{
    std::wstring block;
    for (const std::string& entry : UserEnvironment())
        block += Utf8ToWide(entry) + L'\0';
    return block + L'\0';
}

// The code of the failed start; a failure the system gave no code for is reported as one.
DWORD StartFailure()
{
    const DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : static_cast<DWORD>(E_FAIL);
}

bool IsBlankLine(const std::string& commandLine)
{
    return commandLine.find_first_not_of(" \t\r\n") == std::string::npos;
}

bool IsCurrentUser(const std::string& user)
{
    return user.empty() ||
           CompareStringOrdinal(Utf8ToWide(user).c_str(), -1,
                                Utf8ToWide(CurrentAccountName()).c_str(), -1, TRUE) == CSTR_EQUAL;
}

} // namespace

TProcessHandle::TProcessHandle() = default;
TProcessHandle::TProcessHandle(std::unique_ptr<TChildProcess> child) : child(std::move(child)) {}
TProcessHandle::TProcessHandle(TProcessHandle&& other) noexcept = default;
TProcessHandle& TProcessHandle::operator=(TProcessHandle&& other) noexcept = default;
TProcessHandle::~TProcessHandle() = default;

bool TProcessHandle::IsOpen() const
{
    return child && child->process;
}

int TProcessHandle::ProcessId() const
{
    return IsOpen() ? static_cast<int>(child->id) : 0;
}

void TProcessHandle::Close()
{
    child.reset();
}

TProcessHandle StartProcess(const std::string& commandLine, const std::string& currentFolder)
{
    if (IsBlankLine(commandLine))
        ThrowSystemError(ERROR_FILE_NOT_FOUND);
    std::vector<wchar_t> line = WritableLine(commandLine);
    const std::wstring folder = Utf8ToWide(currentFolder);
    STARTUPINFOW startup = ShownStartup();
    PROCESS_INFORMATION info{};
    std::wstring environment = UserEnvironmentBlock();
    if (!CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, kCreationFlags,
                        environment.data(), folder.empty() ? nullptr : folder.c_str(), &startup,
                        &info))
        ThrowSystemError(StartFailure());
    return Started(info);
}

TProcessHandle StartProcessAsUser(const std::string& user, const std::string& domain,
                                  const std::string& password, const std::string& currentFolder,
                                  const std::string& commandLine)
{
    if (IsCurrentUser(user))
        return StartProcess(commandLine, currentFolder);
    const std::string account = AccountText(user, domain);
    if (IsBlankLine(commandLine))
        ThrowSystemError(ERROR_FILE_NOT_FOUND, account);
    const TCreateProcessWithLogonW start = LogonStart();
    if (!start)
        ThrowSystemError(ERROR_PROC_NOT_FOUND, account);
    std::vector<wchar_t> line = WritableLine(commandLine);
    const std::wstring wideUser = Utf8ToWide(user);
    const std::wstring wideDomain = Utf8ToWide(domain);
    const std::wstring widePassword = Utf8ToWide(password);
    const std::wstring folder = Utf8ToWide(currentFolder);
    STARTUPINFOW startup = ShownStartup();
    PROCESS_INFORMATION info{};
    if (!start(wideUser.c_str(), wideDomain.empty() ? nullptr : wideDomain.c_str(),
               widePassword.c_str(), LOGON_WITH_PROFILE, nullptr, line.data(), kCreationFlags,
               nullptr, folder.empty() ? nullptr : folder.c_str(), &startup, &info))
        ThrowSystemError(StartFailure(), account);
    return Started(info);
}

std::uint32_t WaitForProcess(TProcessHandle& handle, std::uint32_t timeoutMs,
                             const TEventsHook& events)
{
    if (!handle.IsOpen())
        return ERROR_INVALID_HANDLE;
    const HANDLE process = handle.Child()->process;
    DWORD state;
    if (timeoutMs != 0) {
        state = WaitForSingleObject(process, timeoutMs);
        if (state == WAIT_TIMEOUT)
            return kWaitTimeout;
    } else {
        while ((state = WaitForSingleObject(process, 100)) == WAIT_TIMEOUT)
            if (events)
                events();
    }
    std::uint32_t result = 0;
    DWORD code = 0;
    if (state != WAIT_OBJECT_0)
        result = GetLastError();
    else if (!GetExitCodeProcess(process, &code))
        result = GetLastError();
    else if (code != 0)
        result = code | kExitCodeFlag;
    handle.Close();
    return result;
}
