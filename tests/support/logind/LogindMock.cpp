#include "LogindMock.h"

#include <csignal>

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QStandardPaths>
#include <QTest>

namespace {

constexpr const char* kPython = "/usr/bin/python3";
const QString kControlName = QStringLiteral("kv-logind-mock-control");

QString ArgumentText(const QVariant& arg)
{
    if (arg.typeId() == QMetaType::Bool)
        return arg.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return arg.toString();
}

} // namespace

TLogindMock::~TLogindMock()
{
    FControl.reset();
    QDBusConnection::disconnectFromBus(kControlName);
    if (FMock.state() != QProcess::NotRunning) {
        FMock.terminate();
        FMock.waitForFinished(5000);
    }
    if (FDaemonPid > 0)
        ::kill(static_cast<pid_t>(FDaemonPid), SIGTERM);
}

QString TLogindMock::StartBus()
{
    if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
        return QStringLiteral("dbus-daemon is not installed");
    QProcess daemon;
    daemon.start("dbus-daemon",
                 {"--session", "--fork", "--print-address=1", "--print-pid=1", "--nosyslog"});
    if (!daemon.waitForFinished(10000) || daemon.exitCode() != 0)
        return QStringLiteral("dbus-daemon did not start");
    const QStringList lines =
        QString::fromUtf8(daemon.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    FAddress = lines.value(0).trimmed();
    FDaemonPid = lines.value(1).trimmed().toLongLong();
    if (FAddress.isEmpty() || FDaemonPid <= 0)
        return QStringLiteral("dbus-daemon gave no address");
    return QString();
}

QString TLogindMock::Start()
{
    if (QProcess::execute(kPython, {"-c", "import dbusmock"}) != 0)
        return QStringLiteral("python3-dbusmock is not installed");
    if (const QString failure = StartBus(); !failure.isEmpty())
        return failure;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("DBUS_SYSTEM_BUS_ADDRESS", FAddress);
    env.insert("DBUS_SESSION_BUS_ADDRESS", FAddress);
    FMock.setProcessEnvironment(env);
    FMock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    FMock.start(kPython, {"-m", "dbusmock", "--system", "--template", "logind"});
    if (!FMock.waitForStarted())
        return QStringLiteral("the login manager mock did not start");
    FControl =
        std::make_unique<QDBusConnection>(QDBusConnection::connectToBus(FAddress, kControlName));
    if (!FControl->isConnected())
        return QStringLiteral("cannot reach the private bus");
    const bool up = QTest::qWaitFor(
        [&] {
            return FControl->interface()->isServiceRegistered("org.freedesktop.login1").value();
        },
        15000);
    return up ? QString() : QStringLiteral("the login manager mock did not register");
}

void TLogindMock::Call(const char* method, const QVariantList& args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.DBus.Mock", method);
    call.setArguments(args);
    FControl->call(call);
}

QStringList TLogindMock::Calls()
{
    QDBusMessage get =
        QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                       "org.freedesktop.DBus.Mock", "GetCalls");
    const QDBusMessage reply = FControl->call(get);
    QStringList calls;
    const QDBusArgument list = reply.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        quint64 time = 0;
        QString method;
        QStringList texts;
        list.beginStructure();
        list >> time >> method;
        list.beginArray();
        while (!list.atEnd()) {
            QDBusVariant value;
            list >> value;
            texts << ArgumentText(value.variant());
        }
        list.endArray();
        list.endStructure();
        calls << method + "(" + texts.join(", ") + ")";
    }
    list.endArray();
    return calls;
}
