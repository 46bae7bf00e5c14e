#include "common/platform/SystemInfo.h"

#include <windows.h>

#include "common/platform/LogonCheck.h"
#include "common/platform/SystemLibrary_win.h"
#include "common/platform/WinText_win.h"

namespace {

constexpr int kNameSamCompatible = 2; // EXTENDED_NAME_FORMAT NameSamCompatible

using TGetUserNameExW = BOOLEAN(WINAPI*)(int, LPWSTR, PULONG);

} // namespace

std::string GetLoginUserName()
{
    return CurrentAccountName();
}

std::string GetSamUserName()
{
    // Secur32 is looked up at each call, as it is missing on some editions.
    const TSystemLibrary secur32(L"secur32.dll");
    const auto userNameEx = secur32.Entry<TGetUserNameExW>("GetUserNameExW");
    wchar_t name[1024];
    ULONG size = sizeof name / sizeof name[0];
    if (userNameEx && userNameEx(kNameSamCompatible, name, &size))
        return WideToUtf8(name);
    return GetLoginUserName();
}

std::string GetLocalComputerName()
{
    wchar_t name[1024];
    DWORD size = sizeof name / sizeof name[0];
    return GetComputerNameW(name, &size) ? WideToUtf8(name) : std::string();
}

bool IsVistaOrLater()
{
    // Without a manifest the version calls report at most 6.2; that is enough to tell 6.0+.
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = 6;
    const DWORDLONG mask = VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoW(&version, VER_MAJORVERSION, mask) != FALSE;
}

bool IsNative64BitProcess()
{
    return sizeof(void*) == 8;
}

int CurrentProcessId()
{
    return static_cast<int>(GetCurrentProcessId());
}
