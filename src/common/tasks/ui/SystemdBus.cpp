#include "common/tasks/ui/SystemdBus.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QProcessEnvironment>

#include "common/tasks/TaskTools.h"

namespace {

const QString kService = QStringLiteral("org.freedesktop.systemd1");

// The user's bus: the session bus when one is named, else the one in the runtime folder.
QDBusConnection UserBus()
{
    if (qEnvironmentVariableIsSet("DBUS_SESSION_BUS_ADDRESS"))
        return QDBusConnection::sessionBus();
    return QDBusConnection::connectToBus(QStringLiteral("unix:path=") + UserRuntimeFolder() +
                                             QStringLiteral("/bus"),
                                         QStringLiteral("kv-user-bus"));
}

// An error of the bus rather than of a unit: nobody answers for the manager.
bool ManagerMissing(const QDBusMessage& reply)
{
    static const QStringList kUnitErrors = {
        QStringLiteral("org.freedesktop.DBus.Error.UnknownObject"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownInterface"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownMethod"),
        QStringLiteral("org.freedesktop.DBus.Error.UnknownProperty"),
        QStringLiteral("org.freedesktop.DBus.Error.InvalidArgs")};
    const QString error = reply.errorName();
    return error.startsWith(QStringLiteral("org.freedesktop.DBus.Error.")) &&
           !kUnitErrors.contains(error);
}

} // namespace

QString SystemdUnitObjectPath(const QString& unit)
{
    QString path = QStringLiteral("/org/freedesktop/systemd1/unit/");
    for (const char c : unit.toUtf8()) {
        const bool plain =
            (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        path += plain ? QString(QLatin1Char(c))
                      : u'_' + QStringLiteral("%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    }
    return path;
}

std::optional<std::vector<qint64>> SystemdBusMainPids(const QStringList& services)
{
    QDBusConnection bus = UserBus();
    if (!bus.isConnected())
        return std::nullopt;
    std::vector<qint64> pids;
    pids.reserve(size_t(services.size()));
    for (const QString& service : services) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            kService, SystemdUnitObjectPath(service),
            QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
        call.setAutoStartService(false);
        call << QStringLiteral("org.freedesktop.systemd1.Service") << QStringLiteral("MainPID");
        const QDBusMessage reply = bus.call(call, QDBus::Block, 2000);
        if (reply.type() == QDBusMessage::ErrorMessage) {
            if (ManagerMissing(reply))
                return std::nullopt;
            pids.push_back(0); // not loaded: nothing runs
            continue;
        }
        const QVariant value = reply.arguments().value(0).value<QDBusVariant>().variant();
        pids.push_back(value.toLongLong());
    }
    return pids;
}
