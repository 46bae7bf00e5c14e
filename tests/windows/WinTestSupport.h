#pragma once

// A temporary folder per test and the path of the child program.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include <windows.h>

#include "common/platform/WinText_win.h"

// A fresh folder below the temporary folder (its name has blanks and non-ASCII letters), removed
// at the end.
class TTempFolder {
public:
    explicit TTempFolder(const std::wstring& name = L"kv test \u00e4\u00f6\u00fc \u0416")
    {
        wchar_t base[MAX_PATH];
        GetTempPathW(MAX_PATH, base);
        path = std::filesystem::path(base) / (name + L" " + std::to_wstring(GetCurrentProcessId()));
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~TTempFolder()
    {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    // A path inside the folder, in UTF-8.
    std::string File(const std::wstring& name) const { return WideToUtf8((path / name).wstring()); }
    std::string Utf8() const { return WideToUtf8(path.wstring()); }

    std::filesystem::path path;
};

// The child program beside the test program.
inline std::string ChildProgram()
{
    wchar_t own[MAX_PATH];
    GetModuleFileNameW(nullptr, own, MAX_PATH);
    return WideToUtf8((std::filesystem::path(own).parent_path() / KV_WINTEST_CHILD).wstring());
}

// The whole content of a file named in UTF-8.
inline std::string ReadAll(const std::string& file)
{
    std::ifstream in(std::filesystem::path(Utf8ToWide(file)), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// True under Wine, which leaves out a few things the system does (noted where a test needs it).
inline bool RunningUnderWine()
{
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
}
