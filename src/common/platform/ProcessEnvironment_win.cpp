#include "common/platform/SystemEnvironment.h"

#include <windows.h>

#include "common/platform/WinText_win.h"

std::optional<std::string> SystemVariable(const std::string& name)
{
    const std::wstring wideName = Utf8ToWide(name);
    SetLastError(ERROR_SUCCESS);
    const DWORD size = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0)
        return GetLastError() == ERROR_ENVVAR_NOT_FOUND ? std::nullopt
                                                        : std::optional<std::string>("");
    std::wstring value(size, L'\0');
    const DWORD length = GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    value.resize(length);
    return WideToUtf8(value);
}

void SetSystemVariable(const std::string& name, const std::string& value)
{
    // Both the system's block (for the programs we start) and the C runtime's copy (getenv).
    const std::wstring wideName = Utf8ToWide(name), wideValue = Utf8ToWide(value);
    SetEnvironmentVariableW(wideName.c_str(), wideValue.c_str());
    _wputenv_s(wideName.c_str(), wideValue.c_str());
}

std::vector<std::string> SystemEnvironment()
{
    std::vector<std::string> environment;
    wchar_t* block = GetEnvironmentStringsW();
    for (const wchar_t* entry = block; entry && *entry; entry += wcslen(entry) + 1)
        if (*entry != L'=') // the system's hidden per-drive folders ("=C:=C:\\...")
            environment.push_back(WideToUtf8(entry));
    FreeEnvironmentStringsW(block);
    return environment;
}
