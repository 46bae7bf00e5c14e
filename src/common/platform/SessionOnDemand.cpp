#include "common/platform/SessionOnDemand.h"

namespace {

class TSessionOnDemand : public ISessionService {
public:
    explicit TSessionOnDemand(TSessionFactory factory) : factory(std::move(factory)) {}

    bool EnableShutdownPrivilege() override { return Service().EnableShutdownPrivilege(); }
    bool ExitWindowsSession(const std::string& confirmText, std::uint32_t flags,
                            std::uint32_t reason) override
    {
        return Service().ExitWindowsSession(confirmText, flags, reason);
    }
    bool ShutdownComputer(const std::string& confirmText, bool restart,
                          std::uint32_t reason) override
    {
        return Service().ShutdownComputer(confirmText, restart, reason);
    }
    bool SuspendComputer(bool hibernate, bool forceCritical, bool disableWakeEvent) override
    {
        return Service().SuspendComputer(hibernate, forceCritical, disableWakeEvent);
    }
    bool LockWorkStation() override { return Service().LockWorkStation(); }
    // Nothing has failed before the first use.
    std::string LastError() const override { return service ? service->LastError() : ""; }

private:
    ISessionService& Service()
    {
        if (!service)
            service = factory();
        return *service;
    }

    TSessionFactory factory;
    std::unique_ptr<ISessionService> service;
};

} // namespace

std::unique_ptr<ISessionService> CreateSessionServiceOnDemand(TSessionFactory factory)
{
    return std::make_unique<TSessionOnDemand>(std::move(factory));
}
