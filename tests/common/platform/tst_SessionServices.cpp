#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusArgument>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>

#include <csignal>

#include "LogindMock.h"
#include "ScopedEnv.h"
#include "common/platform/SessionServices.h"

namespace {

using TAction = std::function<bool(ISessionService&)>;

} // namespace

Q_DECLARE_METATYPE(TAction)

class tst_SessionServices : public QObject {
    Q_OBJECT

private:
    TLogindMock bus;
    std::unique_ptr<ScopedEnv> sessionId;
    QProcess mock;

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
        if (const QString why = bus.Start(); !why.isEmpty())
            QSKIP(qPrintable(why));
        sessionId = std::make_unique<ScopedEnv>("XDG_SESSION_ID", "c7");
    }
    void cleanupTestCase() { sessionId.reset(); }

    void init() { bus.ClearCalls(); }

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
        auto service = Service(bus.Address());
        QVERIFY(service->EnableShutdownPrivilege());
        QVERIFY(action(*service));
        QCOMPARE(service->LastError(), std::string());
        QCOMPARE(bus.Calls(), calls);
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
        auto service = Service(bus.Address(), confirm);
        QCOMPARE(service->ShutdownComputer("Shut down now?", false, 0), answer == 1);
        QCOMPARE(service->ExitWindowsSession("Log off now?", kExitLogOff, 0), answer == 1);
        QCOMPARE(bus.Calls(), calls);
        const QStringList questions = {"Shut down now?", "Log off now?"};
        QCOMPARE(asked, answer >= 0 ? questions : QStringList());
    }

    void hibernationNotOffered()
    {
        bus.Call("AddMethod",
                 {"org.freedesktop.login1.Manager", "CanHibernate", "", "s", "ret = 'na'"});
        auto service = Service(bus.Address());
        QVERIFY(!service->SuspendComputer(true, false, false));
        QVERIFY(!service->LastError().empty());
        QCOMPARE(bus.Calls(), QStringList{"CanHibernate()"});
        bus.Call("AddMethod",
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
        TLogindMock empty;
        if (reachable)
            QVERIFY(empty.StartBus().isEmpty());
        const QString address =
            reachable ? empty.Address() : QStringLiteral("unix:path=/nonexistent/kv-test-bus");
        auto service = Service(address);
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
