#include "common/platform/WinExecute.h"

#include <cerrno>
#include <cstdlib>
#include <optional>

#include <security/pam_appl.h>
#include <unistd.h>

#include "common/platform/ChildProcess_posix.h"
#include "common/platform/CommandLine.h"
#include "common/platform/LogonCheck.h"
#include "common/platform/Logon_posix.h"

namespace {

std::string OurSearchPath()
{
    const char* path = std::getenv("PATH");
    return path ? path : "/usr/local/bin:/usr/bin:/bin";
}

std::vector<std::string> SplitOrThrow(const std::string& commandLine, const std::string& account)
{
    std::vector<std::string> words = SplitCommandLine(commandLine);
    if (words.empty() || words.front().empty())
        ThrowErrno(ENOENT, account);
    return words;
}

std::string CurrentFolder()
{
    std::vector<char> buffer(4096);
    while (getcwd(buffer.data(), buffer.size()) == nullptr) {
        if (errno != ERANGE)
            return {};
        buffer.resize(buffer.size() * 2);
    }
    return buffer.data();
}

} // namespace

TProcessHandle StartProcess(const std::string& commandLine, const std::string& currentFolder)
{
    const std::vector<std::string> words = SplitOrThrow(commandLine, {});
    const std::optional<std::string> program = ResolveProgram(words.front(), OurSearchPath());
    if (!program)
        ThrowErrno(ENOENT);
    TSpawnSpec spec;
    spec.program = *program;
    spec.args = words;
    spec.folder = currentFolder;
    std::unique_ptr<TChildProcess> child;
    if (const int error = SpawnChild(spec, child))
        ThrowErrno(error);
    return TProcessHandle(std::move(child));
}

TProcessHandle StartProcessAsUser(const std::string& user, const std::string& domain,
                                  const std::string& password, const std::string& currentFolder,
                                  const std::string& commandLine)
{
    if (user.empty() || user == CurrentAccountName())
        return StartProcess(commandLine, currentFolder);
    TLogonRequest request;
    request.accountText = AccountText(user, domain);
    request.words = SplitOrThrow(commandLine, request.accountText);
    if (!FindAccount(user.c_str(), 0, request))
        ThrowLogonError(PAM_USER_UNKNOWN, request.accountText);
    request.password = password;
    request.folder = currentFolder;
    request.callerFolder = CurrentFolder();
    const TLogonOptions options = LogonOptions();
    return geteuid() == 0 ? StartWithPam(request, options.pamService)
                          : StartWithSu(request, options.suProgram);
}
