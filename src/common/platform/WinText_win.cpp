#include "common/platform/WinText_win.h"

#include <cstdio>

#include <windows.h>

#include "common/platform/WinExecute.h"

std::wstring Utf8ToWide(const std::string& text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length = MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string WideToUtf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size = static_cast<int>(text.size());
    const int length =
        WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::string WideToUtf8(const wchar_t* text)
{
    return text ? WideToUtf8(std::wstring(text)) : std::string();
}

std::string SystemErrorText(std::uint32_t code)
{
    wchar_t* buffer = nullptr;
    const DWORD flags =
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS;
    const DWORD length =
        FormatMessageW(flags, nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    std::wstring text = length ? std::wstring(buffer, length) : std::wstring();
    LocalFree(buffer);
    while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
        text.pop_back();
    if (!text.empty())
        return WideToUtf8(text);
    char fallback[32];
    std::snprintf(fallback, sizeof fallback, "Error 0x%08X", static_cast<unsigned>(code));
    return fallback;
}

void ThrowSystemError(std::uint32_t code, const std::string& account)
{
    throw EProcessError(SystemErrorText(code), code, account);
}
