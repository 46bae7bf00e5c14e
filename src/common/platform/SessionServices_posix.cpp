#include "common/platform/SessionServices.h"

#include <atomic>
#include <cstdlib>
#include <utility>

#include <QDBusConnection>
#include <QDBusMessage>
#include <QString>
#include <QVariant>

namespace {

constexpr const char* kService = "org.freedesktop.login1";
constexpr const char* kPath = "/org/freedesktop/login1";
constexpr const char* kManager = "org.freedesktop.login1.Manager";
constexpr int kCallTimeoutMs = 15000;

// Which manager call an ExitWindowsSession flag set means, first match wins.
struct TExitAction {
    std::uint32_t flag;
    const char* method;
};
constexpr TExitAction kExitActions[] = {
    {kExitReboot, "Reboot"}, {kExitPowerOff, "PowerOff"}, {kExitShutdown, "PowerOff"}};

QString UniqueConnectionName()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("kv-login-manager-%1").arg(++counter);
}

// The current session's id; empty lets the login manager take the caller's session.
QString CurrentSessionId()
{
    const char* id = std::getenv("XDG_SESSION_ID");
    return id ? QString::fromUtf8(id) : QString();
}

class TLoginManagerService : public ISessionService {
public:
    TLoginManagerService(const std::string& address, TConfirmHook confirm)
        : name(address.empty() ? QString() : UniqueConnectionName()),
          bus(address.empty()
                  ? QDBusConnection::systemBus()
                  : QDBusConnection::connectToBus(QString::fromStdString(address), name)),
          confirm(std::move(confirm))
    {}
    ~TLoginManagerService() override
    {
        if (!name.isEmpty())
            QDBusConnection::disconnectFromBus(name);
    }

    bool EnableShutdownPrivilege() override { return true; }

    bool ExitWindowsSession(const std::string& confirmText, std::uint32_t flags,
                            std::uint32_t) override
    {
        if (!Confirmed(confirmText))
            return false;
        for (const TExitAction& action : kExitActions)
            if (flags & action.flag)
                return Call(action.method, {false});
        return Call("TerminateSession", {CurrentSessionId()});
    }

    bool ShutdownComputer(const std::string& confirmText, bool restart, std::uint32_t) override
    {
        if (!Confirmed(confirmText))
            return false;
        return Call(restart ? "Reboot" : "PowerOff", {false});
    }

    bool SuspendComputer(bool hibernate, bool, bool) override
    {
        QVariant offered;
        if (!Call(hibernate ? "CanHibernate" : "CanSuspend", {}, &offered))
            return false;
        if (offered.toString() == QLatin1String("na")) {
            lastError = "The system does not offer this power state.";
            return false;
        }
        return Call(hibernate ? "Hibernate" : "Suspend", {false});
    }

    bool LockWorkStation() override { return Call("LockSession", {CurrentSessionId()}); }

    std::string LastError() const override { return lastError; }

private:
    bool Confirmed(const std::string& text)
    {
        lastError.clear();
        return text.empty() || (confirm && confirm(text));
    }

    bool Call(const char* method, const QVariantList& args, QVariant* result = nullptr)
    {
        lastError.clear();
        if (!bus.isConnected()) {
            lastError = bus.lastError().message().toStdString();
            return false;
        }
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kManager, method);
        call.setArguments(args);
        const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() != QDBusMessage::ReplyMessage) {
            lastError = reply.errorMessage().toStdString();
            return false;
        }
        if (result)
            *result = reply.arguments().value(0);
        return true;
    }

    QString name;
    QDBusConnection bus;
    TConfirmHook confirm;
    std::string lastError;
};

} // namespace

std::unique_ptr<ISessionService> CreateSessionService(const std::string& busAddress,
                                                      TConfirmHook confirm)
{
    return std::make_unique<TLoginManagerService>(busAddress, std::move(confirm));
}
