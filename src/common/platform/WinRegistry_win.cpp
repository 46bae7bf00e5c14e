#include "common/platform/WinRegistry_win.h"

#include <vector>

#include <windows.h>

#include "common/platform/WinText_win.h"

namespace {

HKEY RootKey(TRegRoot root)
{
    return root == TRegRoot::LocalMachine ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// The raw value and its type; nullopt when it cannot be read.
std::optional<std::vector<BYTE>> ReadValue(TRegRoot root, const std::string& key,
                                           const std::string& name, DWORD& type)
{
    const std::wstring wideKey = Utf8ToWide(key);
    const std::wstring wideName = Utf8ToWide(name);
    DWORD size = 0;
    const DWORD flags = RRF_RT_ANY | RRF_NOEXPAND;
    if (RegGetValueW(RootKey(root), wideKey.c_str(), wideName.c_str(), flags, &type, nullptr,
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (RegGetValueW(RootKey(root), wideKey.c_str(), wideName.c_str(), flags, &type, data.data(),
                     &size) != ERROR_SUCCESS)
        return std::nullopt;
    data.resize(size);
    return data;
}

bool WriteValue(TRegRoot root, const std::string& key, const std::string& name, DWORD type,
                const void* data, DWORD size)
{
    HKEY handle = nullptr;
    if (RegCreateKeyExW(RootKey(root), Utf8ToWide(key).c_str(), 0, nullptr, 0, KEY_SET_VALUE,
                        nullptr, &handle, nullptr) != ERROR_SUCCESS)
        return false;
    const LONG result = RegSetValueExW(handle, Utf8ToWide(name).c_str(), 0, type,
                                       static_cast<const BYTE*>(data), size);
    RegCloseKey(handle);
    return result == ERROR_SUCCESS;
}

} // namespace

std::optional<std::string> ReadRegString(TRegRoot root, const std::string& key,
                                         const std::string& name)
{
    DWORD type = REG_NONE;
    const auto data = ReadValue(root, key, name, type);
    if (!data || (type != REG_SZ && type != REG_EXPAND_SZ))
        return std::nullopt;
    std::wstring text(reinterpret_cast<const wchar_t*>(data->data()),
                      data->size() / sizeof(wchar_t));
    // The stored value may or may not carry its terminator.
    text.resize(text.find(L'\0') == std::wstring::npos ? text.size() : text.find(L'\0'));
    return WideToUtf8(text);
}

std::optional<std::uint32_t> ReadRegDword(TRegRoot root, const std::string& key,
                                          const std::string& name)
{
    DWORD type = REG_NONE;
    const auto data = ReadValue(root, key, name, type);
    if (!data || type != REG_DWORD || data->size() != sizeof(DWORD))
        return std::nullopt;
    DWORD value = 0;
    std::copy(data->begin(), data->end(), reinterpret_cast<BYTE*>(&value));
    return value;
}

bool RegKeyExists(TRegRoot root, const std::string& key)
{
    HKEY handle = nullptr;
    if (RegOpenKeyExW(RootKey(root), Utf8ToWide(key).c_str(), 0, KEY_READ, &handle) !=
        ERROR_SUCCESS)
        return false;
    RegCloseKey(handle);
    return true;
}

bool WriteRegString(TRegRoot root, const std::string& key, const std::string& name,
                    const std::string& value)
{
    const std::wstring wide = Utf8ToWide(value);
    const auto size = static_cast<DWORD>((wide.size() + 1) * sizeof(wchar_t));
    return WriteValue(root, key, name, REG_SZ, wide.c_str(), size);
}

bool WriteRegDword(TRegRoot root, const std::string& key, const std::string& name,
                   std::uint32_t value)
{
    const DWORD data = value;
    return WriteValue(root, key, name, REG_DWORD, &data, sizeof data);
}

bool DeleteRegTree(TRegRoot root, const std::string& key)
{
    const LONG result = RegDeleteTreeW(RootKey(root), Utf8ToWide(key).c_str());
    if (result == ERROR_SUCCESS || result == ERROR_FILE_NOT_FOUND)
        return !RegKeyExists(root, key);
    return false;
}
