#include "common/platform/WinExecute.h"

#include <cstdio>
#include <utility>

namespace {

std::string WithCode(const std::string& text, std::uint32_t code)
{
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, " (0x%08X)", static_cast<unsigned>(code));
    return text + suffix;
}

TLogonOptions& CurrentLogonOptions()
{
    static TLogonOptions options;
    return options;
}

TLauncherFactory& CurrentFactory()
{
    static TLauncherFactory factory;
    return factory;
}

class TSystemLauncher : public IProcessLauncher {
public:
    TProcessHandle StartAsUser(const std::string& user, const std::string& domain,
                               const std::string& password, const std::string& currentFolder,
                               const std::string& commandLine) override
    {
        return StartProcessAsUser(user, domain, password, currentFolder, commandLine);
    }
    TProcessHandle Start(const std::string& commandLine, const std::string& currentFolder) override
    {
        return StartProcess(commandLine, currentFolder);
    }
    std::uint32_t Wait(TProcessHandle& handle, std::uint32_t timeoutMs,
                       const TEventsHook& events) override
    {
        return WaitForProcess(handle, timeoutMs, events);
    }
};

} // namespace

EProcessError::EProcessError(const std::string& systemText, std::uint32_t code, std::string account)
    : std::runtime_error(WithCode(systemText, code)), systemText(systemText), code(code),
      account(std::move(account))
{}

void SetLogonOptions(const TLogonOptions& options)
{
    CurrentLogonOptions() = options;
}

TLogonOptions LogonOptions()
{
    return CurrentLogonOptions();
}

std::unique_ptr<IProcessLauncher> CreateSystemLauncher()
{
    return std::make_unique<TSystemLauncher>();
}

void SetProcessLauncherFactory(TLauncherFactory factory)
{
    CurrentFactory() = std::move(factory);
}

std::unique_ptr<IProcessLauncher> CreateProcessLauncher()
{
    const TLauncherFactory& factory = CurrentFactory();
    return factory ? factory() : CreateSystemLauncher();
}

std::string AccountText(const std::string& user, const std::string& domain)
{
    return domain.empty() ? user : domain + "\\" + user;
}
