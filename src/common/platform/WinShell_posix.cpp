#include "common/platform/WinShell.h"

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

// Launchers are small; anything larger is not one.
constexpr off_t kMaxLauncherSize = 1 << 20;
constexpr auto kTrustTimeout = std::chrono::seconds(3);

std::string Env(const char* name)
{
    const char* value = std::getenv(name);
    return value ? value : "";
}

std::string ParentFolder(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string FileName(const std::string& path)
{
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string FileStem(const std::string& path)
{
    const std::string name = FileName(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos || dot == 0 ? name : name.substr(0, dot);
}

bool IsRegularFile(const std::string& path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// An image of the program when one is installed beside it, else its name as a theme icon.
std::string IconFor(const std::string& target)
{
    const std::string folder = ParentFolder(target);
    const std::string stem = FileStem(target);
    const std::string candidates[] = {
        target + ".svg",
        target + ".png",
        folder + "/../share/icons/" + stem + ".svg",
        folder + "/../share/icons/" + stem + ".png",
    };
    for (const std::string& path : candidates)
        if (IsRegularFile(path))
            return path;
    return stem;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += static_cast<std::size_t>(n);
    }
    return true;
}

// Writes the file through a hidden temporary file beside it, so a failure leaves the old one.
int WriteFileAtomically(const std::string& path, const std::string& text, mode_t mode)
{
    std::string temp = ParentFolder(path) + "/." + FileName(path) + ".XXXXXX";
    const int fd = ::mkstemp(temp.data());
    if (fd < 0)
        return -errno;
    const bool written = WriteAll(fd, text) && ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
    int error = written ? 0 : errno;
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0)
        error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        return -error;
    }
    return 0;
}

std::string FindInPath(const std::string& program)
{
    std::istringstream dirs(Env("PATH"));
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string path = (dir.empty() ? "." : dir) + "/" + program;
        if (::access(path.c_str(), X_OK) == 0)
            return path;
    }
    return {};
}

// Runs a program quietly and waits for it a short while; its outcome does not matter.
void RunQuietly(const std::vector<std::string>& argv)
{
    std::vector<char*> args;
    for (const std::string& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    for (int fd : {0, 1, 2})
        posix_spawn_file_actions_addopen(&actions, fd, "/dev/null", fd == 0 ? O_RDONLY : O_WRONLY,
                                         0);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0)
        return;
    const auto deadline = std::chrono::steady_clock::now() + kTrustTimeout;
    while (::waitpid(pid, nullptr, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            ::waitpid(pid, nullptr, 0);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// GNOME starts only launchers marked as trusted; other desktops ignore the mark.
void MarkTrusted(const std::string& path)
{
    const std::string gio = FindInPath("gio");
    if (!gio.empty())
        RunQuietly({gio, "set", path, "metadata::trusted", "true"});
}

} // namespace

std::string ShortcutExtension()
{
    return ".desktop";
}

std::string GetDesktopFolder()
{
    const std::string home = Env("HOME");
    std::string config = Env("XDG_CONFIG_HOME");
    if (config.empty() && !home.empty())
        config = home + "/.config";
    std::string folder;
    if (!config.empty()) {
        std::ifstream file(config + "/user-dirs.dirs");
        const std::string text{std::istreambuf_iterator<char>(file),
                               std::istreambuf_iterator<char>()};
        folder = DesktopFolderFromUserDirs(text, home);
    }
    if (folder.empty() && !home.empty())
        folder = home + "/Desktop";
    return folder.empty() ? folder : folder + "/";
}

int CreateShortcut(const std::string& linkFile, const std::string& target,
                   const std::string& arguments, const std::string& workingFolder,
                   const std::string& description, bool runAsAdmin)
{
    const TShortcutLink link{target, arguments, workingFolder, description, runAsAdmin};
    const std::string text = DesktopEntryText(link, FileStem(linkFile), IconFor(target));
    if (const int rc = WriteFileAtomically(linkFile, text, 0755); rc < 0)
        return rc;
    MarkTrusted(linkFile);
    return 0;
}

int ReadShortcut(const std::string& linkFile, TShortcutLink& link)
{
    link = TShortcutLink();
    struct stat st {};
    if (::stat(linkFile.c_str(), &st) != 0)
        return errno == ENOENT ? 2 : -errno;
    if (!S_ISREG(st.st_mode))
        return -EISDIR;
    if (st.st_size > kMaxLauncherSize)
        return -EFBIG;
    std::ifstream file(linkFile, std::ios::binary);
    if (!file)
        return -EACCES;
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    return ParseDesktopEntry(text, link) ? 0 : -EINVAL;
}

void RefreshDesktop()
{
    // Desktops watch their folder and show a new launcher by themselves.
}

std::string ShellErrorMessage(int code)
{
    return code < 0 ? std::strerror(-code) : std::string();
}
