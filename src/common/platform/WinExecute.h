#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>

// Raised when a process cannot be started. The message is the system's text followed by
// " (0x" + the code as eight upper-case hex digits + ")".
class EProcessError : public std::runtime_error {
public:
    // Builds the message from the system's text and its code; account is kept for the caller.
    EProcessError(const std::string& systemText, std::uint32_t code, std::string account = {});
    // The system's text without the code.
    const std::string& SystemText() const { return systemText; }
    std::uint32_t Code() const { return code; }
    // The account as the caller wrote it (domain\user), empty for a plain start.
    const std::string& Account() const { return account; }

private:
    std::string systemText;
    std::uint32_t code;
    std::string account;
};

// Results of WaitForProcess besides 0 and system error codes.
inline constexpr std::uint32_t kWaitTimeout = 258;
inline constexpr std::uint32_t kExitCodeFlag = 0x20000000;

// Called between the 100 ms slices of an unlimited wait to process pending events.
using TEventsHook = std::function<void()>;

struct TChildProcess;

// Owns a started child process. Waiting to the end reaps it; a handle given up while the child
// still runs reaps it in the background, so no zombie is left behind.
class TProcessHandle {
public:
    TProcessHandle();
    explicit TProcessHandle(std::unique_ptr<TChildProcess> child);
    TProcessHandle(TProcessHandle&& other) noexcept;
    TProcessHandle& operator=(TProcessHandle&& other) noexcept;
    ~TProcessHandle();

    // True while the handle holds a child that has not been waited for to its end.
    bool IsOpen() const;
    // The child's process id, 0 when the handle is closed.
    int ProcessId() const;
    // Gives the child up (the background reaps it) and leaves the handle closed.
    void Close();

    TChildProcess* Child() const { return child.get(); }

private:
    std::unique_ptr<TChildProcess> child;
};

// Starts the command line under the account; an empty user or the current user starts directly.
// The domain only names the account in messages. Raises EProcessError.
TProcessHandle StartProcessAsUser(const std::string& user, const std::string& domain,
                                  const std::string& password, const std::string& currentFolder,
                                  const std::string& commandLine);

// Starts the command line as this user with our environment, in the folder (empty: ours).
// Raises EProcessError.
TProcessHandle StartProcess(const std::string& commandLine, const std::string& currentFolder);

// Waits up to timeoutMs (0: until the end, calling events after every 100 ms slice). Gives 0,
// kWaitTimeout (handle stays open), exit code | kExitCodeFlag, or a system error code; the
// handle is closed except after kWaitTimeout.
std::uint32_t WaitForProcess(TProcessHandle& handle, std::uint32_t timeoutMs,
                             const TEventsHook& events = {});

// Where accounts are authenticated: the PAM service (used when running as root) and the su
// program (used otherwise; empty: looked up on PATH).
struct TLogonOptions {
    std::string pamService = "kvstarter";
    std::string suProgram;
};

// Replaces the logon options for all later starts.
void SetLogonOptions(const TLogonOptions& options);
// The logon options in force.
TLogonOptions LogonOptions();

// The one way the programs start processes; tests put their own launcher in its place.
class IProcessLauncher {
public:
    virtual ~IProcessLauncher() = default;
    // As StartProcessAsUser.
    virtual TProcessHandle StartAsUser(const std::string& user, const std::string& domain,
                                       const std::string& password,
                                       const std::string& currentFolder,
                                       const std::string& commandLine) = 0;
    // As StartProcess.
    virtual TProcessHandle Start(const std::string& commandLine,
                                 const std::string& currentFolder) = 0;
    // As WaitForProcess.
    virtual std::uint32_t Wait(TProcessHandle& handle, std::uint32_t timeoutMs,
                               const TEventsHook& events) = 0;
};

using TLauncherFactory = std::function<std::unique_ptr<IProcessLauncher>()>;

// The launcher over the system's services.
std::unique_ptr<IProcessLauncher> CreateSystemLauncher();
// Replaces the factory of CreateProcessLauncher; an empty one restores the system launcher.
void SetProcessLauncherFactory(TLauncherFactory factory);
// A launcher from the factory in force.
std::unique_ptr<IProcessLauncher> CreateProcessLauncher();

// The account as "domain\user", or the user alone when the domain is empty.
std::string AccountText(const std::string& user, const std::string& domain);
