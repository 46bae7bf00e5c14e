// The task list reads the state of systemd timers' services over systemd's interface on the
// user's bus; here a private bus carries a mock of the manager with two services.

#include <csignal>

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "common/tasks/TaskSystemd.h"
#include "common/tasks/WinTask.h"
#include "common/tasks/ui/SystemdBus.h"

namespace {

constexpr const char* kPython = "/usr/bin/python3";

const char* kAddService = R"(
import dbus, sys
bus = dbus.SessionBus()
owner = bus.get_name_owner('org.freedesktop.systemd1')
manager = bus.get_object(owner, '/org/freedesktop/systemd1', introspect=False)
mock = dbus.Interface(manager, 'org.freedesktop.DBus.Mock')
mock.AddObject(sys.argv[1], 'org.freedesktop.systemd1.Service',
               {'MainPID': dbus.UInt32(int(sys.argv[2]))}, dbus.Array([], signature='(ssss)'))
)";

} // namespace

class tst_SystemdBus : public QObject {
    Q_OBJECT

    qint64 FDaemonPid = 0;
    QString FAddress;
    QProcess FMock;
    QTemporaryDir FDir;

    bool AddService(const QString& unit, int pid)
    {
        QProcess add;
        add.start(kPython, {"-c", kAddService, SystemdUnitObjectPath(unit), QString::number(pid)});
        const bool added = add.waitForFinished(10000) && add.exitCode() == 0;
        if (!added)
            qWarning("%s", add.readAllStandardError().constData());
        return added;
    }

private slots:
    void initTestCase()
    {
        if (QProcess::execute(kPython, {"-c", "import dbusmock"}) != 0)
            QSKIP("python3-dbusmock is not installed");
        if (QStandardPaths::findExecutable("dbus-daemon").isEmpty())
            QSKIP("dbus-daemon is not installed");
        QProcess daemon;
        daemon.start("dbus-daemon",
                     {"--session", "--fork", "--print-address=1", "--print-pid=1", "--nosyslog"});
        QVERIFY(daemon.waitForFinished(10000) && daemon.exitCode() == 0);
        const QStringList lines =
            QString::fromUtf8(daemon.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        FAddress = lines.value(0).trimmed();
        FDaemonPid = lines.value(1).trimmed().toLongLong();
        QVERIFY(!FAddress.isEmpty() && FDaemonPid > 0);
        // Before the first use of the session bus in this process.
        qputenv("DBUS_SESSION_BUS_ADDRESS", FAddress.toUtf8());
    }
    void cleanupTestCase()
    {
        if (FMock.state() != QProcess::NotRunning) {
            FMock.terminate();
            FMock.waitForFinished(5000);
        }
        if (FDaemonPid > 0)
            ::kill(pid_t(FDaemonPid), SIGTERM);
    }

    void objectPathsAsSystemdEscapesThem()
    {
        QCOMPARE(SystemdUnitObjectPath("kelvara-task-Starter\\x2dNightly.service"),
                 QString("/org/freedesktop/systemd1/unit/"
                         "kelvara_2dtask_2dStarter_5cx2dNightly_2eservice"));
    }

    void noManagerOnTheBus() { QVERIFY(!SystemdBusMainPids({"a.service"}).has_value()); }

    void mainProcessesOfTheServices()
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", FAddress);
        FMock.setProcessEnvironment(env);
        FMock.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        FMock.start(kPython, {"-m", "dbusmock", "org.freedesktop.systemd1",
                              "/org/freedesktop/systemd1", "org.freedesktop.systemd1.Manager"});
        QVERIFY(FMock.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QDBusConnection::sessionBus().interface()->isServiceRegistered(
                                     "org.freedesktop.systemd1"),
                                 15000);
        QVERIFY(AddService("kelvara-task-A.service", 4711));
        QVERIFY(AddService("kelvara-task-B.service", 0));

        const auto pids = SystemdBusMainPids(
            {"kelvara-task-A.service", "kelvara-task-B.service", "kelvara-task-C.service"});
        QVERIFY(pids.has_value());
        QCOMPARE(*pids, (std::vector<qint64>{4711, 0, 0}));

        // The store asks the bus, not systemctl, once the reader is set.
        QStringList calls;
        TTaskSystemdStore store(FDir.filePath("units"), [&](const QStringList& args) {
            calls << args.join(' ');
            return TTaskSystemdStore::TCommandOutput{0, {}, {}};
        });
        store.Connect();
        for (const QString name : {"A", "B"}) {
            TWinTask task;
            TWinTaskAction& action = task.NewAction(taExec);
            action.SetExecPath("/opt/kv/bin/KvStarter");
            task.NewTrigger(ttDaily);
            store.Register(name, task.Definition(), {}, {});
        }
        QCOMPARE(SystemdUnitBase("A"), QString("kelvara-task-A"));
        store.SetMainPidReader(SystemdBusMainPids);
        calls.clear();
        QCOMPARE(store.States({"A", "B"}),
                 (std::vector<int>{TaskState::kRunning, TaskState::kReady}));
        QCOMPARE(calls, QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_SystemdBus)
#include "tst_SystemdBus.moc"
