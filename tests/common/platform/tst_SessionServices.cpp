#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusArgument>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

#include "common/platform/SessionServices.h"

namespace {

constexpr const char* kMockPython = "/usr/bin/python3";

// A private message bus of the test, stopped with the object.
struct TPrivateBus {
    QString address;
    qint64 pid = 0;

    bool Start()
    {
        QProcess daemon;
        daemon.start("dbus-daemon",
                     {"--session", "--fork", "--print-address=1", "--print-pid=1", "--nosyslog"});
        if (!daemon.waitForFinished(10000) || daemon.exitCode() != 0)
            return false;
        const QStringList lines =
            QString::fromUtf8(daemon.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        address = lines.value(0).trimmed();
        pid = lines.value(1).trimmed().toLongLong();
        return !address.isEmpty() && pid > 0;
    }
    ~TPrivateBus()
    {
        if (pid > 0)
            kill(static_cast<pid_t>(pid), SIGTERM);
    }
};

// The calls the mock recorded: "Method(arg, arg)".
QStringList RecordedCalls(QDBusConnection& bus)
{
    QDBusMessage get =
        QDBusMessage::createMethodCall("org.freedesktop.login1", "/org/freedesktop/login1",
                                       "org.freedesktop.DBus.Mock", "GetCalls");
    const QDBusMessage reply = bus.call(get);
    QStringList calls;
    const QDBusArgument list = reply.arguments().value(0).value<QDBusArgument>();
    list.beginArray();
    while (!list.atEnd()) {
        quint64 time = 0;
        QString method;
        QVariantList args;
        list.beginStructure();
        list >> time >> method;
        list.beginArray();
        while (!list.atEnd()) {
            QDBusVariant value;
            list >> value;
            args << value.variant();
        }
        list.endArray();
        list.endStructure();
        QStringList texts;
        for (const QVariant& arg : args)
            texts << (arg.typeId() == QMetaType::Bool ? (arg.toBool() ? "true" : "false")
                                                      : arg.toString());
        calls << method + "(" + texts.join(", ") + ")";
    }
    list.endArray();
    return calls;
}

void MockCall(QDBusConnection& bus, const char* method, const QVariantList& args = {})
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        "org.freedesktop.login1", "/org/freedesktop/login1", "org.freedesktop.DBus.Mock", method);
    call.setArguments(args);
    bus.call(call);
}

using TAction = std::function<bool(ISessionService&)>;

} // namespace

Q_DECLARE_METATYPE(TAction)

class tst_SessionServices : public QObject {
    Q_OBJECT

private:
    TPrivateBus bus;
    QProcess mock;
    std::unique_ptr<QDBusConnection> control;

    // The only way this test reaches a service: on the private bus it started itself.
    std::unique_ptr<ISessionService> Service(const QString& address, TConfirmHook confirm = {})
    {
        const QByteArray system = qgetenv("DBUS_SYSTEM_BUS_ADDRESS");
        if (address.isEmpty() || address.contains("/run/dbus/system_bus_socket") ||
            (!system.isEmpty() && address == QString::fromUtf8(system)))
            qFatal("refusing to talk to the system bus");
        return CreateSessionService(address.toStdString(), std::move(confirm));
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            QSKIP("dbus-daemon is not installed");
        if (QProcess::execute(kMockPython, {"-c", "import dbusmock"}) != 0)
            QSKIP("python3-dbusmock is not installed");
        QVERIFY(bus.Start());
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", bus.address);
        env.insert("DBUS_SESSION_BUS_ADDRESS", bus.address);
        mock.setProcessEnvironment(env);
        mock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        mock.start(kMockPython, {"-m", "dbusmock", "--system", "--template", "logind"});
        QVERIFY(mock.waitForStarted());
        control = std::make_unique<QDBusConnection>(
            QDBusConnection::connectToBus(bus.address, "test-control"));
        QVERIFY(control->isConnected());
        QTRY_VERIFY_WITH_TIMEOUT(
            control->interface()->isServiceRegistered("org.freedesktop.login1").value(), 15000);
        qputenv("XDG_SESSION_ID", "c7");
    }

    void cleanupTestCase()
    {
        control.reset();
        QDBusConnection::disconnectFromBus("test-control");
        mock.terminate();
        mock.waitForFinished(5000);
    }

    void init() { MockCall(*control, "ClearCalls"); }

    void actions_data()
    {
        QTest::addColumn<TAction>("action");
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("log off") << TAction([](ISessionService& s) {
            return s.ExitWindowsSession("", kExitLogOff | kExitForceIfHung, kReasonPlanned);
        }) << QStringList{"TerminateSession(c7)"};
        QTest::newRow("session end with the reboot flag") << TAction([](ISessionService& s) {
            return s.ExitWindowsSession("", kExitReboot | kExitForce, kReasonPlanned);
        }) << QStringList{"Reboot(false)"};
        QTest::newRow("session end with the power-off flag") << TAction([](ISessionService& s) {
            return s.ExitWindowsSession("", kExitPowerOff, kReasonPlanned);
        }) << QStringList{"PowerOff(false)"};
        QTest::newRow("shut down") << TAction([](ISessionService& s) {
            return s.ShutdownComputer("", false, kReasonPlanned);
        }) << QStringList{"PowerOff(false)"};
        QTest::newRow("restart") << TAction([](ISessionService& s) {
            return s.ShutdownComputer("", true, kReasonPlanned);
        }) << QStringList{"Reboot(false)"};
        QTest::newRow("standby") << TAction([](ISessionService& s) {
            return s.SuspendComputer(false, false, false);
        }) << QStringList{"CanSuspend()", "Suspend(false)"};
        QTest::newRow("hibernate")
            << TAction([](ISessionService& s) { return s.SuspendComputer(true, false, false); })
            << QStringList{"CanHibernate()", "Hibernate(false)"};
        QTest::newRow("lock") << TAction([](ISessionService& s) { return s.LockWorkStation(); })
                              << QStringList{"LockSession(c7)"};
    }

    void actions()
    {
        QFETCH(TAction, action);
        QFETCH(QStringList, calls);
        auto service = Service(bus.address);
        QVERIFY(service->EnableShutdownPrivilege());
        QVERIFY(action(*service));
        QCOMPARE(service->LastError(), std::string());
        QCOMPARE(RecordedCalls(*control), calls);
    }

    void confirmation_data()
    {
        QTest::addColumn<int>("answer"); // -1: nobody to ask
        QTest::addColumn<QStringList>("calls");
        QTest::newRow("yes") << 1 << QStringList{"PowerOff(false)", "TerminateSession(c7)"};
        QTest::newRow("no") << 0 << QStringList{};
        QTest::newRow("nobody to ask") << -1 << QStringList{};
    }

    void confirmation()
    {
        QFETCH(int, answer);
        QFETCH(QStringList, calls);
        QStringList asked;
        TConfirmHook confirm;
        if (answer >= 0)
            confirm = [&](const std::string& text) {
                asked << QString::fromStdString(text);
                return answer == 1;
            };
        auto service = Service(bus.address, confirm);
        QCOMPARE(service->ShutdownComputer("Shut down now?", false, 0), answer == 1);
        QCOMPARE(service->ExitWindowsSession("Log off now?", kExitLogOff, 0), answer == 1);
        QCOMPARE(RecordedCalls(*control), calls);
        const QStringList questions = {"Shut down now?", "Log off now?"};
        QCOMPARE(asked, answer >= 0 ? questions : QStringList());
    }

    void hibernationNotOffered()
    {
        MockCall(*control, "AddMethod",
                 {"org.freedesktop.login1.Manager", "CanHibernate", "", "s", "ret = 'na'"});
        auto service = Service(bus.address);
        QVERIFY(!service->SuspendComputer(true, false, false));
        QVERIFY(!service->LastError().empty());
        QCOMPARE(RecordedCalls(*control), QStringList{"CanHibernate()"});
        MockCall(*control, "AddMethod",
                 {"org.freedesktop.login1.Manager", "CanHibernate", "", "s", "ret = 'yes'"});
    }

    void noLoginManager_data()
    {
        QTest::addColumn<bool>("reachable");
        QTest::newRow("bus without a login manager") << true;
        QTest::newRow("bus that cannot be reached") << false;
    }

    void noLoginManager()
    {
        QFETCH(bool, reachable);
        TPrivateBus empty;
        if (reachable)
            QVERIFY(empty.Start());
        else
            empty.address = "unix:path=/nonexistent/kv-test-bus";
        auto service = Service(empty.address);
        QVERIFY(!service->ExitWindowsSession("", kExitLogOff, kReasonPlanned));
        QVERIFY(!service->LastError().empty());
        QVERIFY(!service->ShutdownComputer("", false, kReasonPlanned));
        QVERIFY(!service->ShutdownComputer("", true, kReasonPlanned));
        QVERIFY(!service->SuspendComputer(false, false, false));
        QVERIFY(!service->SuspendComputer(true, false, false));
        QVERIFY(!service->LockWorkStation());
    }
};

QTEST_GUILESS_MAIN(tst_SessionServices)
#include "tst_SessionServices.moc"
