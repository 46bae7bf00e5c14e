#include "KvTreeCopy.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <fnmatch.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/infra/Translate.h"

volatile std::sig_atomic_t gKvAbortRequested = 0;

namespace {

// Owners are kept where the file system allows it; where it refuses, the copy keeps the
// owner of the one who made it, which is no error of the backup.
void KeepOwnerIfAllowed(int /*result*/) {}

constexpr size_t kRangeChunk = size_t(64) << 20; // abort is checked between chunks
constexpr size_t kBufferSize = size_t(1) << 20;

bool Aborted()
{
    return gKvAbortRequested != 0;
}

QString Message(const char* format, const std::string& path, int err)
{
    return Fmt(Tr(format),
               {QString::fromStdString(path), QString::fromLocal8Bit(std::strerror(err))});
}

bool WriteAll(int fd, const char* data, size_t size)
{
    while (size > 0) {
        const ssize_t w = ::write(fd, data, size);
        if (w < 0 && errno == EINTR && !Aborted())
            continue;
        if (w <= 0) {
            errno = w == 0 ? ENOSPC : errno;
            return false;
        }
        data += w;
        size -= size_t(w);
    }
    return true;
}

bool Later(const timespec& a, const timespec& b)
{
    return a.tv_sec != b.tv_sec ? a.tv_sec > b.tv_sec : a.tv_nsec > b.tv_nsec;
}

// Content or metadata change, whichever is later: a file moved in with an old modification
// time still counts as changed.
timespec ChangeTime(const struct stat& st)
{
    return Later(st.st_ctim, st.st_mtim) ? st.st_ctim : st.st_mtim;
}

std::string Join(const std::string& folder, const std::string& name)
{
    return folder.empty() ? name : folder + '/' + name;
}

// Names of a folder's entries without "." and "..".
std::optional<std::vector<std::string>> ListFolder(int dirFd)
{
    const int fd = ::dup(dirFd);
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    if (!dir) {
        if (fd >= 0)
            ::close(fd);
        return std::nullopt;
    }
    ::rewinddir(dir);
    std::vector<std::string> names;
    errno = 0;
    while (const dirent* e = ::readdir(dir)) {
        if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
            names.emplace_back(e->d_name);
    }
    const int err = errno;
    ::closedir(dir);
    if (err != 0) {
        errno = err;
        return std::nullopt;
    }
    return names;
}

bool RemoveEntry(int dirFd, const char* name, const std::string& path,
                 const std::function<void(const QString&)>& onError);

bool RemoveContents(int dirFd, dev_t device, const std::string& path,
                    const std::function<void(const QString&)>& onError)
{
    const auto names = ListFolder(dirFd);
    if (!names) {
        onError(Message("Cannot read folder \"%s\": %s", path, errno));
        return false;
    }
    bool ok = true;
    for (const std::string& name : *names) {
        struct stat st {};
        if (::fstatat(dirFd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(st.st_mode) && st.st_dev != device) {
            onError(Fmt(Tr("Not removed, another file system is mounted there: \"%s\""),
                        {QString::fromStdString(Join(path, name))}));
            ok = false;
            continue;
        }
        ok = RemoveEntry(dirFd, name.c_str(), Join(path, name), onError) && ok;
    }
    return ok;
}

bool RemoveEntry(int dirFd, const char* name, const std::string& path,
                 const std::function<void(const QString&)>& onError)
{
    if (::unlinkat(dirFd, name, 0) == 0 || errno == ENOENT)
        return true;
    if (errno != EISDIR) {
        onError(Message("Cannot remove \"%s\": %s", path, errno));
        return false;
    }
    const int sub = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (sub < 0) {
        onError(Message("Cannot remove \"%s\": %s", path, errno));
        return false;
    }
    struct stat st {};
    ::fstat(sub, &st);
    ::fchmod(sub, (st.st_mode & 07777) | S_IRWXU); // a read-only copy of a folder must go too
    bool ok = RemoveContents(sub, st.st_dev, path, onError);
    ::close(sub);
    if (ok && ::unlinkat(dirFd, name, AT_REMOVEDIR) != 0) {
        onError(Message("Cannot remove \"%s\": %s", path, errno));
        ok = false;
    }
    return ok;
}

// A folder of the destination, created when its first entry is written.
struct DestFolder {
    DestFolder* parent = nullptr;
    std::string name;
    std::string path;
    struct stat source {};
    int fd = -1;
    bool failed = false;
};

class Copier {
public:
    explicit Copier(const TCopyJob& job) : FJob(job), FRoot(::geteuid() == 0) {}

    TCopyStats Run();

private:
    bool Ensure(DestFolder& d);
    void Finish(DestFolder& d);
    void Walk(int srcFd, const std::string& rel, DestFolder& dest);
    void Entry(int srcFd, const char* name, const std::string& rel, DestFolder& dest);
    void CopyFile(int srcFd, const char* name, const struct stat& st, DestFolder& dest,
                  const std::string& rel);
    void CopyLink(int srcFd, const char* name, const struct stat& st, DestFolder& dest,
                  const std::string& rel);
    int CreateFile(DestFolder& dest, const char* name);
    bool CopyData(int in, int out, dev_t device, int64_t& bytes);
    bool Selected(const char* name, const std::string& rel, const struct stat& st) const;
    bool Skipped(const struct stat& st) const;
    void Error(const QString& message);
    std::string SourcePath(const std::string& rel) const { return Join(FJob.source, rel); }

    const TCopyJob& FJob;
    const bool FRoot;
    TCopyStats FStats;
    std::optional<dev_t> FNoRangeCopy; // a source device on which copy_file_range failed
    std::unique_ptr<char[]> FBuffer;
};

void Copier::Error(const QString& message)
{
    ++FStats.errors;
    if (FJob.onError)
        FJob.onError(message);
}

bool Copier::Ensure(DestFolder& d)
{
    if (d.fd >= 0)
        return true;
    if (d.failed || (d.parent && !Ensure(*d.parent)))
        return false;
    const int parentFd = d.parent ? d.parent->fd : FJob.destParentFd;
    const char* name = d.name.c_str();
    for (int attempt = 0; attempt < 2 && d.fd < 0; ++attempt) {
        if (::mkdirat(parentFd, name, S_IRWXU) != 0 && errno != EEXIST)
            break;
        d.fd = ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        // A file or symbolic link where the folder belongs is replaced, never followed.
        if (d.fd < 0 && (errno == ENOTDIR || errno == ELOOP) && ::unlinkat(parentFd, name, 0) != 0)
            break;
    }
    if (d.fd < 0) {
        d.failed = true;
        Error(Message("Cannot create folder \"%s\": %s", d.path, errno));
        return false;
    }
    ::fchmod(d.fd, S_IRWXU); // writable while it is filled; Finish sets the source's mode
    return true;
}

void Copier::Finish(DestFolder& d)
{
    if (d.fd < 0)
        return;
    if (FRoot)
        KeepOwnerIfAllowed(::fchown(d.fd, d.source.st_uid, d.source.st_gid));
    ::fchmod(d.fd, d.source.st_mode & 07777);
    const timespec times[2] = {d.source.st_atim, d.source.st_mtim};
    ::futimens(d.fd, times);
    ::close(d.fd);
    d.fd = -1;
}

bool Copier::Skipped(const struct stat& st) const
{
    return std::any_of(FJob.skipFolders.begin(), FJob.skipFolders.end(), [&](const auto& id) {
        return id.first == st.st_dev && id.second == st.st_ino;
    });
}

bool Copier::Selected(const char* name, const std::string& rel, const struct stat& st) const
{
    if (MatchesAny(FJob.exclude, name, rel))
        return false;
    if (S_ISDIR(st.st_mode))
        return !Skipped(st);
    if (!FJob.include.empty() && !MatchesAny(FJob.include, name, rel))
        return false;
    return !FJob.since || Later(ChangeTime(st), *FJob.since);
}

void Copier::Walk(int srcFd, const std::string& rel, DestFolder& dest)
{
    const auto names = ListFolder(srcFd);
    if (!names) {
        Error(Message("Cannot read folder \"%s\": %s", SourcePath(rel), errno));
        return;
    }
    for (const std::string& name : *names) {
        if (Aborted()) {
            FStats.aborted = true;
            return;
        }
        Entry(srcFd, name.c_str(), Join(rel, name), dest);
    }
}

void Copier::Entry(int srcFd, const char* name, const std::string& rel, DestFolder& dest)
{
    struct stat st {};
    if (::fstatat(srcFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        if (errno != ENOENT) // gone since the folder was listed
            Error(Message("Cannot read \"%s\": %s", SourcePath(rel), errno));
        return;
    }
    if (!(S_ISDIR(st.st_mode) || S_ISREG(st.st_mode) || S_ISLNK(st.st_mode)) ||
        !Selected(name, rel, st))
        return;
    if (S_ISREG(st.st_mode)) {
        CopyFile(srcFd, name, st, dest, rel);
    } else if (S_ISLNK(st.st_mode)) {
        CopyLink(srcFd, name, st, dest, rel);
    } else {
        const int sub = ::openat(srcFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub < 0) {
            Error(Message("Cannot read folder \"%s\": %s", SourcePath(rel), errno));
            return;
        }
        DestFolder child{&dest, name, Join(dest.path, name), st};
        if (!FJob.wholeTree || Ensure(child))
            Walk(sub, rel, child);
        Finish(child);
        ::close(sub);
    }
}

int Copier::CreateFile(DestFolder& dest, const char* name)
{
    constexpr int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    int out = ::openat(dest.fd, name, flags, S_IRUSR | S_IWUSR);
    if (out < 0 && errno == EEXIST) {
        const auto quiet = [](const QString&) {};
        if (RemoveEntry(dest.fd, name, Join(dest.path, name), quiet))
            out = ::openat(dest.fd, name, flags, S_IRUSR | S_IWUSR);
        else
            errno = EEXIST;
    }
    return out;
}

bool Copier::CopyData(int in, int out, dev_t device, int64_t& bytes)
{
    bool range = FNoRangeCopy != device;
    for (;;) {
        if (Aborted())
            return false;
        ssize_t n;
        if (range) {
            n = ::copy_file_range(in, nullptr, out, nullptr, kRangeChunk, 0);
            if (n < 0 && bytes == 0 &&
                (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP)) {
                FNoRangeCopy = device;
                range = false;
                continue;
            }
        } else {
            if (!FBuffer)
                FBuffer = std::make_unique<char[]>(kBufferSize);
            n = ::read(in, FBuffer.get(), kBufferSize);
            if (n > 0 && !WriteAll(out, FBuffer.get(), size_t(n)))
                return false;
        }
        if (n == 0)
            return true;
        if (n < 0 && errno != EINTR)
            return false;
        bytes += std::max<ssize_t>(n, 0);
    }
}

void Copier::CopyFile(int srcFd, const char* name, const struct stat& st, DestFolder& dest,
                      const std::string& rel)
{
    const int in = ::openat(srcFd, name, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) {
        if (errno != ENOENT)
            Error(Message("Cannot read \"%s\": %s", SourcePath(rel), errno));
        return;
    }
    if (!Ensure(dest)) {
        ::close(in);
        return;
    }
    const int out = CreateFile(dest, name);
    if (out < 0) {
        Error(Message("Cannot write \"%s\": %s", Join(dest.path, name), errno));
        ::close(in);
        return;
    }
    int64_t bytes = 0;
    bool ok = CopyData(in, out, st.st_dev, bytes);
    int err = errno;
    if (ok) {
        if (FRoot)
            KeepOwnerIfAllowed(::fchown(out, st.st_uid, st.st_gid));
        ::fchmod(out, st.st_mode & 07777);
        const timespec times[2] = {st.st_atim, st.st_mtim};
        ::futimens(out, times);
    }
    if (::close(out) != 0 && ok) {
        ok = false;
        err = errno;
    }
    ::close(in);
    if (!ok) {
        ::unlinkat(dest.fd, name, 0); // no half-written copy stays behind
        if (Aborted())
            FStats.aborted = true;
        else
            Error(Message("Cannot copy \"%s\": %s", SourcePath(rel), err));
        return;
    }
    ++FStats.files;
    FStats.bytes += bytes;
}

void Copier::CopyLink(int srcFd, const char* name, const struct stat& st, DestFolder& dest,
                      const std::string& rel)
{
    std::string target(size_t(std::max<off_t>(st.st_size, 255)) + 1, '\0');
    const ssize_t n = ::readlinkat(srcFd, name, target.data(), target.size());
    if (n < 0 || size_t(n) >= target.size()) {
        Error(Message("Cannot read \"%s\": %s", SourcePath(rel), n < 0 ? errno : ENAMETOOLONG));
        return;
    }
    target.resize(size_t(n));
    if (!Ensure(dest))
        return;
    int rc = ::symlinkat(target.c_str(), dest.fd, name);
    if (rc != 0 && errno == EEXIST &&
        RemoveEntry(dest.fd, name, Join(dest.path, name), [](const QString&) {}))
        rc = ::symlinkat(target.c_str(), dest.fd, name);
    if (rc != 0) {
        Error(Message("Cannot write \"%s\": %s", Join(dest.path, name), errno));
        return;
    }
    if (FRoot)
        KeepOwnerIfAllowed(::fchownat(dest.fd, name, st.st_uid, st.st_gid, AT_SYMLINK_NOFOLLOW));
    const timespec times[2] = {st.st_atim, st.st_mtim};
    ::utimensat(dest.fd, name, times, AT_SYMLINK_NOFOLLOW);
    ++FStats.files;
}

TCopyStats Copier::Run()
{
    const int src = ::open(FJob.source.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    struct stat st {};
    if (src < 0 || ::fstat(src, &st) != 0) {
        Error(Message("Cannot read folder \"%s\": %s", FJob.source, errno));
        if (src >= 0)
            ::close(src);
        return FStats;
    }
    DestFolder root{nullptr, FJob.destName, FJob.destPath, st};
    if (!FJob.wholeTree || Ensure(root))
        Walk(src, std::string(), root);
    Finish(root);
    ::close(src);
    FStats.aborted = FStats.aborted || Aborted();
    return FStats;
}

} // namespace

TCopyStats CopyTree(const TCopyJob& job)
{
    return Copier(job).Run();
}

bool RemoveFolderContents(int dirFd, const std::string& path,
                          const std::function<void(const QString&)>& onError)
{
    struct stat st {};
    if (::fstat(dirFd, &st) != 0) {
        onError(Message("Cannot read folder \"%s\": %s", path, errno));
        return false;
    }
    return RemoveContents(dirFd, st.st_dev, path, onError);
}

bool MatchesAny(const std::vector<std::string>& patterns, const char* name, const std::string& rel)
{
    return std::any_of(patterns.begin(), patterns.end(), [&](const std::string& p) {
        return p.find('/') != std::string::npos
                   ? ::fnmatch(p.c_str(), rel.c_str(), FNM_PATHNAME) == 0
                   : ::fnmatch(p.c_str(), name, 0) == 0;
    });
}
