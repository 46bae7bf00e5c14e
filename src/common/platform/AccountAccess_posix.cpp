#include "common/platform/AccountAccess.h"

#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <vector>

#include <QFile>

namespace {

QByteArray LocalName(const QString& account)
{
    const qsizetype slash = account.lastIndexOf(u'\\');
    return account.mid(slash + 1).toLocal8Bit();
}

bool OnReadOnlyFileSystem(const QByteArray& path)
{
    struct statvfs fs {};
    return ::statvfs(path.constData(), &fs) == 0 && (fs.f_flag & ST_RDONLY) != 0;
}

bool InGroups(gid_t gid, const passwd& account)
{
    int count = 64;
    std::vector<gid_t> groups(static_cast<size_t>(count));
    if (::getgrouplist(account.pw_name, account.pw_gid, groups.data(), &count) < 0) {
        groups.resize(size_t(count));
        if (::getgrouplist(account.pw_name, account.pw_gid, groups.data(), &count) < 0)
            return false;
    }
    groups.resize(size_t(count));
    for (const gid_t g : groups)
        if (g == gid)
            return true;
    return false;
}

// Write and search permission of the account by the folder's mode bits.
bool ModeAllowsWrite(const struct stat& st, const passwd& account)
{
    constexpr mode_t kUser = S_IWUSR | S_IXUSR, kGroup = S_IWGRP | S_IXGRP,
                     kOther = S_IWOTH | S_IXOTH;
    if (account.pw_uid == 0)
        return true;
    if (st.st_uid == account.pw_uid)
        return (st.st_mode & kUser) == kUser;
    if (InGroups(st.st_gid, account))
        return (st.st_mode & kGroup) == kGroup;
    return (st.st_mode & kOther) == kOther;
}

} // namespace

bool AccountExists(const QString& account)
{
    const QByteArray name = LocalName(account);
    return !name.isEmpty() && ::getpwnam(name.constData()) != nullptr;
}

bool FolderWritableBy(const QString& folder, const QString& account)
{
    const QByteArray path = QFile::encodeName(folder);
    struct stat st {};
    if (::stat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || OnReadOnlyFileSystem(path))
        return false;
    const QByteArray name = LocalName(account);
    if (name.isEmpty())
        return ::access(path.constData(), W_OK | X_OK) == 0;
    const passwd* entry = ::getpwnam(name.constData());
    return entry && ModeAllowsWrite(st, *entry);
}
