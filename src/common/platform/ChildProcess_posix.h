#pragma once

// Starting, owning and reaping child processes; shared by the plain and the logon starts.

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <sys/types.h>

#include "common/platform/WinExecute.h"

// The account a child takes on before it runs the program.
struct TIdentity {
    uid_t uid = 0;
    gid_t gid = 0;
    std::vector<gid_t> groups;
};

struct TSpawnSpec {
    std::string program;                                 // path of the executable
    std::vector<std::string> args;                       // argv, argv[0] included
    std::optional<std::vector<std::string>> environment; // none: ours
    std::string folder;                                  // empty: ours
    std::string fallbackFolder;        // taken when folder cannot be entered (empty: that fails)
    std::optional<TIdentity> identity; // none: ours
    std::vector<std::pair<int, int>> files; // (child fd, our fd) to hand over
    bool closeOtherFiles = false;           // nothing else of ours leaks into the child
    bool newSession = false;                // detached from our terminal and process group
};

struct TChildProcess {
    pid_t pid = 0;
    int pidfd = -1;
    std::function<void()> onReaped; // e.g. closes the logon session
    ~TChildProcess();
};

// Forks and starts what the description asks; gives 0 and the child, or the errno of the failed
// step.
int SpawnChild(const TSpawnSpec& spec, std::unique_ptr<TChildProcess>& child);

// The executable a command word names: a path (made absolute) or the first hit on the search
// path; nullopt when there is none.
std::optional<std::string> ResolveProgram(const std::string& word, const std::string& searchPath);

// Raises EProcessError with the system's text for the errno.
[[noreturn]] void ThrowErrno(int error, const std::string& account = {});

// Waits until the child ends (reaps it) and gives its wait status; for abandoned starts.
int ReapNow(TChildProcess& child);
