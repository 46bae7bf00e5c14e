#include "common/platform/Logon_posix.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <utility>

#include <fcntl.h>
#include <poll.h>
#include <security/pam_appl.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include "common/platform/ChildProcess_posix.h"
#include "common/platform/ProcessEnvironment.h"

namespace {

constexpr auto kLogonTimeout = std::chrono::seconds(30);
// What the command su runs writes to the marker pipe before it starts the program.
constexpr char kStarted = '1';
constexpr char kNotFound = '2';
constexpr char kTimedOut = 't';

// su's own descriptors are the terminal; the program gets ours (4, 5) and the marker (3).
constexpr int kMarkerFd = 3;
constexpr int kOutFd = 4;
constexpr int kErrFd = 5;

std::string ShellQuote(const std::string& text)
{
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

// The shell command that confirms the logon over the marker pipe and then becomes the program.
// Without a folder of its own the program starts in the caller's one when the account can
// enter it, else in the account's home (where su -l leaves it).
std::string SuScript(const std::vector<std::string>& words, const TLogonRequest& request)
{
    std::string exec = "exec";
    for (const std::string& word : words)
        exec += " " + ShellQuote(word);
    std::string script;
    if (!request.folder.empty())
        script = "cd " + ShellQuote(request.folder) + " || exit 126; ";
    else if (!request.callerFolder.empty())
        script = "cd " + ShellQuote(request.callerFolder) + " 2>/dev/null; ";
    return script + "if command -v -- " + ShellQuote(words.front()) +
           " >/dev/null 2>&1; then printf " + kStarted + " >&3; " + exec +
           " 3>&- </dev/null >&4 2>&5 4>&- 5>&-; fi; printf " + kNotFound + " >&3; exit 127";
}

class TFd {
public:
    explicit TFd(int fd = -1) : fd(fd) {}
    TFd(const TFd&) = delete;
    TFd& operator=(const TFd&) = delete;
    ~TFd() { Reset(); }
    int Get() const { return fd; }
    void Reset(int value = -1)
    {
        if (fd >= 0)
            close(fd);
        fd = value;
    }

private:
    int fd;
};

// Opens a pseudo-terminal; false on failure (errno set).
bool OpenTerminal(TFd& master, TFd& slave)
{
    master.Reset(posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (master.Get() < 0 || grantpt(master.Get()) < 0 || unlockpt(master.Get()) < 0)
        return false;
    char name[128];
    if (ptsname_r(master.Get(), name, sizeof name) != 0)
        return false;
    slave.Reset(open(name, O_RDWR | O_NOCTTY | O_CLOEXEC));
    return slave.Get() >= 0;
}

bool EchoIsOff(int master)
{
    termios mode{};
    return tcgetattr(master, &mode) == 0 && !(mode.c_lflag & ECHO);
}

void Drain(int fd)
{
    char buffer[512];
    while (read(fd, buffer, sizeof buffer) > 0) {
    }
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno != EINTR)
            return false;
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
    return true;
}

// Feeds the password once su asks for it (echo switched off) and reads the marker: kStarted,
// kNotFound, 0 when su ended without starting the program, kTimedOut when it hangs.
char Converse(int master, int marker, const std::string& password)
{
    const auto deadline = std::chrono::steady_clock::now() + kLogonTimeout;
    bool sent = false;
    while (std::chrono::steady_clock::now() < deadline) {
        if (!sent && EchoIsOff(master)) {
            sent = true;
            if (!WriteAll(master, password + "\n"))
                return 0;
        }
        pollfd entries[2] = {{marker, POLLIN, 0}, {master, POLLIN, 0}};
        if (poll(entries, 2, sent ? 200 : 20) < 0 && errno != EINTR)
            return 0;
        if (entries[0].revents) {
            char byte = 0;
            return read(marker, &byte, 1) == 1 ? byte : 0;
        }
        if (entries[1].revents & POLLIN)
            Drain(master);
    }
    return kTimedOut;
}

// What su's exit status says went wrong, as an errno; 0 for a failed logon.
int FailureOfStatus(int status)
{
    static constexpr std::pair<int, int> kStatuses[] = {{126, EACCES}, {127, ENOENT}};
    for (const auto& [code, error] : kStatuses)
        if (WIFEXITED(status) && WEXITSTATUS(status) == code)
            return error;
    return 0;
}

} // namespace

TProcessHandle StartWithSu(const TLogonRequest& request, const std::string& suProgram)
{
    const std::string su = suProgram.empty()
                               ? ResolveProgram("su", "/usr/bin:/bin:/usr/sbin:/sbin").value_or("")
                               : suProgram;
    if (su.empty() || access(su.c_str(), X_OK) != 0)
        ThrowErrno(ENOENT, request.accountText);

    TFd master, slave, markerRead, markerWrite;
    int markerPipe[2];
    if (!OpenTerminal(master, slave) || pipe2(markerPipe, O_CLOEXEC) < 0)
        ThrowErrno(errno, request.accountText);
    markerRead.Reset(markerPipe[0]);
    markerWrite.Reset(markerPipe[1]);
    fcntl(master.Get(), F_SETFL, fcntl(master.Get(), F_GETFL) | O_NONBLOCK);

    TSpawnSpec spec;
    spec.program = su;
    spec.args = {"su", "-l", "-c", SuScript(request.words, request), "--", request.account.pw_name};
    std::vector<std::string> environment;
    for (std::string& entry : UserEnvironment())
        if (entry.rfind("LC_ALL=", 0) != 0)
            environment.push_back(std::move(entry));
    environment.emplace_back("LC_ALL=C"); // su's answers are read from its status, not its texts
    spec.environment = environment;
    spec.files = {{0, slave.Get()},        {1, slave.Get()},
                  {2, slave.Get()},        {kMarkerFd, markerWrite.Get()},
                  {kOutFd, STDOUT_FILENO}, {kErrFd, STDERR_FILENO}};
    spec.closeOtherFiles = true;
    spec.newSession = true;
    std::unique_ptr<TChildProcess> child;
    if (const int error = SpawnChild(spec, child))
        ThrowErrno(error, request.accountText);
    slave.Reset();
    markerWrite.Reset();

    const char marker = Converse(master.Get(), markerRead.Get(), request.password);
    if (marker == kStarted)
        return TProcessHandle(std::move(child));
    if (marker == kTimedOut)
        kill(child->pid, SIGKILL);
    const int failure = FailureOfStatus(ReapNow(*child));
    if (marker == kNotFound || failure != 0)
        ThrowErrno(marker == kNotFound ? ENOENT : failure, request.accountText);
    ThrowLogonError(PAM_AUTH_ERR, request.accountText);
}
