#include "common/platform/WinShell.h"

#include <windows.h>
#include <objidl.h>
#include <shlobj.h>
#include <shobjidl.h>

#include "common/platform/ComScope_win.h"
#include "common/platform/WinFolders_win.h"
#include "common/platform/WinText_win.h"

namespace {

constexpr int kTextChars = 1024; // INFOTIPSIZE: the longest arguments and description

int Code(HRESULT result)
{
    return static_cast<int>(result);
}

HRESULT CreateLink(TComPtr<IShellLinkW>& link)
{
    return CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                            link.PutVoid());
}

HRESULT SetRunAsAdmin(IShellLinkW* link, bool runAsAdmin)
{
    TComPtr<IShellLinkDataList> data;
    HRESULT result = link->QueryInterface(IID_IShellLinkDataList, data.PutVoid());
    DWORD flags = 0;
    if (SUCCEEDED(result))
        result = data->GetFlags(&flags);
    if (FAILED(result))
        return result;
    const DWORD wanted = runAsAdmin ? (flags | SLDF_RUNAS_USER) : (flags & ~DWORD(SLDF_RUNAS_USER));
    return wanted == flags ? S_OK : data->SetFlags(wanted);
}

bool RunsAsAdmin(IShellLinkW* link)
{
    TComPtr<IShellLinkDataList> data;
    DWORD flags = 0;
    return SUCCEEDED(link->QueryInterface(IID_IShellLinkDataList, data.PutVoid())) &&
           SUCCEEDED(data->GetFlags(&flags)) && (flags & SLDF_RUNAS_USER) != 0;
}

HRESULT Fill(IShellLinkW* link, const TShortcutLink& fields)
{
    HRESULT result = link->SetPath(Utf8ToWide(fields.target).c_str());
    if (SUCCEEDED(result))
        result = link->SetArguments(Utf8ToWide(fields.arguments).c_str());
    if (SUCCEEDED(result) && !fields.workingFolder.empty())
        result = link->SetWorkingDirectory(Utf8ToWide(fields.workingFolder).c_str());
    if (SUCCEEDED(result))
        result = link->SetDescription(Utf8ToWide(fields.description).c_str());
    if (SUCCEEDED(result))
        result = SetRunAsAdmin(link, fields.runAsAdmin);
    return result;
}

// Saves beside the link file and renames over it, so a failure leaves the old file as it was.
HRESULT SaveOver(IShellLinkW* link, const std::wstring& linkFile)
{
    TComPtr<IPersistFile> file;
    HRESULT result = link->QueryInterface(IID_IPersistFile, file.PutVoid());
    if (FAILED(result))
        return result;
    const std::wstring temporary = linkFile + L".tmp";
    result = file->Save(temporary.c_str(), TRUE);
    if (SUCCEEDED(result) && !MoveFileExW(temporary.c_str(), linkFile.c_str(),
                                          MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        result = HRESULT_FROM_WIN32(GetLastError());
    if (FAILED(result))
        DeleteFileW(temporary.c_str());
    return result;
}

using TLinkGetter = HRESULT (STDMETHODCALLTYPE IShellLinkW::*)(LPWSTR, int);

std::string ReadText(IShellLinkW* link, TLinkGetter getter)
{
    wchar_t text[kTextChars] = {};
    return SUCCEEDED((link->*getter)(text, kTextChars)) ? WideToUtf8(text) : std::string();
}

} // namespace

std::string ShortcutExtension()
{
    return ".lnk";
}

std::string GetDesktopFolder()
{
    return KnownFolderPath(TWinFolder::Desktop);
}

int CreateShortcut(const std::string& linkFile, const std::string& target,
                   const std::string& arguments, const std::string& workingFolder,
                   const std::string& description, bool runAsAdmin)
{
    const TComScope com;
    TComPtr<IShellLinkW> link;
    HRESULT result = CreateLink(link);
    if (SUCCEEDED(result))
        result = Fill(link.Get(), {target, arguments, workingFolder, description, runAsAdmin});
    if (SUCCEEDED(result))
        result = SaveOver(link.Get(), Utf8ToWide(linkFile));
    return SUCCEEDED(result) ? 0 : Code(result);
}

int ReadShortcut(const std::string& linkFile, TShortcutLink& fields)
{
    fields = {};
    const std::wstring wideFile = Utf8ToWide(linkFile);
    if (GetFileAttributesW(wideFile.c_str()) == INVALID_FILE_ATTRIBUTES)
        return 2;
    const TComScope com;
    TComPtr<IShellLinkW> link;
    TComPtr<IPersistFile> file;
    HRESULT result = CreateLink(link);
    if (SUCCEEDED(result))
        result = link->QueryInterface(IID_IPersistFile, file.PutVoid());
    if (SUCCEEDED(result))
        result = file->Load(wideFile.c_str(), STGM_READ);
    if (FAILED(result))
        return Code(result);
    wchar_t target[MAX_PATH] = {};
    if (SUCCEEDED(link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH)))
        fields.target = WideToUtf8(target);
    fields.arguments = ReadText(link.Get(), &IShellLinkW::GetArguments);
    fields.workingFolder = ReadText(link.Get(), &IShellLinkW::GetWorkingDirectory);
    fields.description = ReadText(link.Get(), &IShellLinkW::GetDescription);
    fields.runAsAdmin = RunsAsAdmin(link.Get());
    return 0;
}

void RefreshDesktop()
{
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}

std::string ShellErrorMessage(int code)
{
    return code < 0 ? SystemErrorText(static_cast<std::uint32_t>(code)) : std::string();
}
