#include "common/platform/WinFolders_win.h"

#include <vector>

#include <windows.h>
#include <knownfolders.h>
#include <shlobj.h>

#include "common/platform/WinText_win.h"

namespace {

const GUID& FolderId(TWinFolder folder)
{
    switch (folder) {
    case TWinFolder::LocalAppData:
        return FOLDERID_LocalAppData;
    case TWinFolder::Documents:
        return FOLDERID_Documents;
    case TWinFolder::Desktop:
        return FOLDERID_Desktop;
    case TWinFolder::ProgramFiles:
        return FOLDERID_ProgramFiles;
    case TWinFolder::RoamingAppData:
        break;
    }
    return FOLDERID_RoamingAppData;
}

} // namespace

std::string KnownFolderPath(TWinFolder folder)
{
    wchar_t* path = nullptr;
    std::string result;
    if (SUCCEEDED(SHGetKnownFolderPath(FolderId(folder), KF_FLAG_DEFAULT, nullptr, &path)))
        result = WideToUtf8(path);
    CoTaskMemFree(path);
    if (!result.empty() && result.back() != '\\')
        result += '\\';
    return result;
}

std::optional<std::string> FileVersionText(const std::string& file)
{
    const std::wstring wide = Utf8ToWide(file);
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeW(wide.c_str(), &ignored);
    if (size == 0)
        return std::nullopt;
    std::vector<BYTE> data(size);
    if (!GetFileVersionInfoW(wide.c_str(), 0, size, data.data()))
        return std::nullopt;
    VS_FIXEDFILEINFO* info = nullptr;
    UINT length = 0;
    if (!VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&info), &length) || !info ||
        length < sizeof *info)
        return std::nullopt;
    return std::to_string(HIWORD(info->dwFileVersionMS)) + '.' +
           std::to_string(LOWORD(info->dwFileVersionMS)) + '.' +
           std::to_string(HIWORD(info->dwFileVersionLS)) + '.' +
           std::to_string(LOWORD(info->dwFileVersionLS));
}
