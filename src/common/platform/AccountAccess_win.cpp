#include "common/platform/AccountAccess.h"

#include <string>

#include <windows.h>
#include <aclapi.h>

#include "common/platform/LogonCheck.h"

namespace {

std::wstring Wide(const QString& text)
{
    return text.toStdWString();
}

bool OnReadOnlyVolume(const std::wstring& folder)
{
    wchar_t root[MAX_PATH];
    DWORD flags = 0;
    return GetVolumePathNameW(folder.c_str(), root, MAX_PATH) &&
           GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, &flags, nullptr, 0) &&
           (flags & FILE_READ_ONLY_VOLUME) != 0;
}

// The rights the folder's access list grants the account; all rights without a list.
ACCESS_MASK FolderRights(const std::wstring& folder, const std::wstring& account)
{
    PACL dacl = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(folder.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr,
                              nullptr, &dacl, nullptr, &descriptor) != ERROR_SUCCESS)
        return 0;
    ACCESS_MASK rights = GENERIC_ALL | FILE_ALL_ACCESS;
    if (dacl) {
        TRUSTEE_W trustee{};
        BuildTrusteeWithNameW(&trustee, const_cast<wchar_t*>(account.c_str()));
        if (GetEffectiveRightsFromAclW(dacl, &trustee, &rights) != ERROR_SUCCESS)
            rights = 0;
    }
    LocalFree(descriptor);
    return rights;
}

} // namespace

bool FolderWritableBy(const QString& folder, const QString& account)
{
    const std::wstring path = Wide(folder);
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        OnReadOnlyVolume(path))
        return false;
    const std::wstring who = account.isEmpty()
                                 ? QString::fromStdString(CurrentAccountName()).toStdWString()
                                 : Wide(account);
    return (FolderRights(path, who) & FILE_ADD_FILE) != 0;
}

bool AccountExists(const QString& account)
{
    const std::wstring name = Wide(account);
    DWORD sidSize = 0;
    DWORD domainSize = 0;
    SID_NAME_USE use;
    LookupAccountNameW(nullptr, name.c_str(), nullptr, &sidSize, nullptr, &domainSize, &use);
    return !name.empty() && GetLastError() == ERROR_INSUFFICIENT_BUFFER;
}
