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

class TUnavailableSession : public ISessionService {
public:
    explicit TUnavailableSession(std::string reason) : reason(std::move(reason)) {}

    bool EnableShutdownPrivilege() override { return false; }
    bool ExitWindowsSession(const std::string&, std::uint32_t, std::uint32_t) override
    {
        return false;
    }
    bool ShutdownComputer(const std::string&, bool, std::uint32_t) override { return false; }
    bool SuspendComputer(bool, bool, bool) override { return false; }
    bool LockWorkStation() override { return false; }
    std::string LastError() const override { return reason; }

private:
    std::string reason;
};

} // namespace

std::unique_ptr<ISessionService> CreateSessionServiceOnDemand(TSessionFactory factory)
{
    return std::make_unique<TSessionOnDemand>(std::move(factory));
}

std::unique_ptr<ISessionService> CreateUnavailableSessionService(std::string reason)
{
    return std::make_unique<TUnavailableSession>(std::move(reason));
}
