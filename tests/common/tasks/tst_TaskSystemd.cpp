#include <csignal>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QTimeZone>

#include "common/tasks/NextRunTime.h"
#include "common/tasks/TaskSystemd.h"
#include "common/tasks/WinTask.h"
#include "support/TestFiles.h"

namespace {

QDateTime At(int y, int mo, int d, int h = 0, int mi = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi));
}

struct TAnalyze {
    int exitCode = -1;
    QString out;
};

TAnalyze Analyze(const QStringList& arguments, const QString& runtimeDir = QString())
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    if (!runtimeDir.isEmpty())
        env.insert("XDG_RUNTIME_DIR", runtimeDir);
    env.insert("SYSTEMD_PAGER", "");
    p.setProcessEnvironment(env);
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start("systemd-analyze", arguments);
    if (!p.waitForFinished(60000))
        return {};
    return {p.exitCode(), QString::fromUtf8(p.readAll())};
}

// The next `count` elapses of all expressions together, as systemd computes them.
QList<QDateTime> SystemdElapses(const QStringList& expressions, const QDateTime& base, int count)
{
    QList<QDateTime> all;
    const TAnalyze r = Analyze(QStringList{"calendar", "--iterations=" + QString::number(count),
                                           "--base-time=" + base.toString("yyyy-MM-dd HH:mm:ss")} +
                               expressions);
    static const QRegularExpression utc(
        "\\(in UTC\\): \\w+ (\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d) UTC");
    for (auto it = utc.globalMatch(r.out); it.hasNext();) {
        QDateTime t = QDateTime::fromString(it.next().captured(1), "yyyy-MM-dd HH:mm:ss");
        t.setTimeZone(QTimeZone::utc());
        all << t.toLocalTime();
    }
    std::sort(all.begin(), all.end());
    all.erase(std::unique(all.begin(), all.end()), all.end());
    return all.mid(0, count);
}

QList<QDateTime> StoreElapses(const TTaskTriggerData& trigger, QDateTime after, int count)
{
    QList<QDateTime> runs;
    for (int i = 0; i < count; ++i) {
        after = NextTriggerRun(trigger, after);
        if (!after.isValid())
            break;
        runs << after;
    }
    return runs;
}

struct TTriggerCase {
    const char* name;
    TWinTaskTriggerType type;
    QDateTime start, end;
    std::function<void(TWinTaskTrigger&)> set;
    QDateTime base;
};

const std::vector<TTriggerCase>& Cases()
{
    static const std::vector<TTriggerCase> cases = {
        {"one time", ttTime, At(2025, 5, 17, 14, 5), {}, [](TWinTaskTrigger&) {}, At(2025, 3, 1)},
        {"daily from mid-month to another year", ttDaily, At(2025, 11, 20, 6, 30),
         At(2026, 2, 3, 6, 30), [](TWinTaskTrigger&) {}, At(2025, 1, 1)},
        {"daily through the end of summer time",
         ttDaily,
         At(2025, 1, 1, 6, 30),
         {},
         [](TWinTaskTrigger&) {},
         At(2025, 10, 20)},
        {"weekly",
         ttWeekly,
         At(2025, 3, 19, 22, 0),
         {},
         [](TWinTaskTrigger& t) { t.SetDaysOfWeek(0x22); },
         At(2025, 3, 1)},
        {"monthly days and last day",
         ttMonthly,
         At(2024, 1, 15, 10, 0),
         {},
         [](TWinTaskTrigger& t) {
             t.SetDaysOfMonth(int(0x80000001u | (1 << 30)));
             t.SetMonthsOfYear(0x0A2); // February, June, August
         },
         At(2024, 1, 1)},
        {"monthly first and last sunday", ttMonthlyDow, At(2025, 3, 10, 10, 0), At(2026, 7, 1),
         [](TWinTaskTrigger& t) {
             t.SetWeeksOfMonth(0x11);
             t.SetDaysOfWeek(1);
             t.SetMonthsOfYear(0xFFF);
         },
         At(2025, 2, 1)},
    };
    return cases;
}

QString Tool()
{
    return QStandardPaths::findExecutable("systemd-analyze");
}

using kvtest::ReadFile;

// The value of a setting in the [Service] section of a unit text, else the default.
QString ServiceSetting(const QString& unit, const QString& key, const QString& fallback)
{
    const QString service = unit.section("[Service]", 1).section("\n[", 0, 0);
    for (const QString& line : service.split(u'\n'))
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1);
    return fallback;
}

// The mount point of the unified (version 2) control group hierarchy, empty when there is none.
QString UnifiedCgroupRoot()
{
    for (const QByteArray& line : ReadFile("/proc/self/mounts").split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() > 2 && fields[2] == "cgroup2")
            return QString::fromUtf8(fields[1]);
    }
    return {};
}

bool Alive(qint64 pid)
{
    const QByteArray stat = ReadFile("/proc/" + QString::number(pid) + "/stat");
    return !stat.isEmpty() && stat.mid(stat.lastIndexOf(')') + 2, 1) != "Z";
}

// What the service manager does to a unit's control group when its main process has ended,
// after systemd.service(5) (ExitType=) and systemd.kill(5) (KillMode=): with ExitType=cgroup the
// unit lives on until the group is empty and nothing is signalled; otherwise the unit stops,
// and control-group sends SIGTERM to every process of the group, mixed SIGTERM to the main
// process and the closing SIGKILL to the rest, process signals the main process only.
void EndOfMainProcess(const QString& unitText, const QString& group)
{
    if (ServiceSetting(unitText, "ExitType", "main") == "cgroup")
        return;
    const QString mode = ServiceSetting(unitText, "KillMode", "control-group");
    if (mode == "process" || mode == "none")
        return;
    const int signal = mode == "mixed" ? SIGKILL : SIGTERM;
    for (const QByteArray& pid : ReadFile(group + "/cgroup.procs").split('\n'))
        if (pid.toLongLong() > 0)
            ::kill(pid_t(pid.toLongLong()), signal);
}

// A control group of our own below the unified hierarchy; its processes are killed and the
// group removed at the end.
struct TTestCgroup {
    QString path;
    bool Create()
    {
        const QString root = UnifiedCgroupRoot();
        path = root + "/kvtest-unit-" + QString::number(QCoreApplication::applicationPid());
        return !root.isEmpty() && QDir().mkdir(path);
    }
    ~TTestCgroup()
    {
        if (path.isEmpty())
            return;
        QFile kill(path + "/cgroup.kill");
        if (kill.open(QIODevice::WriteOnly))
            kill.write("1");
        kill.close();
        for (int i = 0; i < 50 && !ReadFile(path + "/cgroup.procs").trimmed().isEmpty(); ++i)
            QThread::msleep(20);
        QDir().rmdir(path);
    }
};

} // namespace

class tst_TaskSystemd : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QStringList FCommands;
    int FExitCode = 0;
    QString FShow = "MainPID=0\nExecMainCode=1\nExecMainStatus=4\n"
                    "ExecMainStartTimestamp=@1740830400\n\nNextElapseUSecRealtime=@1740893400\n";

    // Stands in for systemctl: the user manager of the developer stays untouched.
    TTaskSystemdStore::TCommandOutput Systemctl(const QStringList& args)
    {
        FCommands << args.join(u' ');
        TTaskSystemdStore::TCommandOutput out;
        out.exitCode = FExitCode;
        if (FExitCode != 0)
            out.err = FExitCode < 0 ? "No such file or directory" : "Access denied";
        else if (args.value(0) == "show")
            out.out = FShow;
        return out;
    }

    std::unique_ptr<TTaskSystemdStore> Store(const QString& sub)
    {
        return std::make_unique<TTaskSystemdStore>(
            FDir.filePath(sub), [this](const QStringList& args) { return Systemctl(args); });
    }

    std::unique_ptr<TWinTask> Task(const TTriggerCase& c)
    {
        auto task = std::make_unique<TWinTask>();
        TWinTaskAction& a = task->NewAction(taExec);
        a.SetExecPath("/bin/true");
        a.SetExecArguments("\"Weekly Full\" /prompt:50% $HOME \"quote\"\"d\"");
        TWinTaskTrigger& t = task->NewTrigger(c.type);
        t.SetStartTime(c.start);
        t.SetEndTime(c.end);
        c.set(t);
        return task;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(FDir.isValid());
        if (Tool().isEmpty())
            QSKIP("systemd-analyze is not installed");
    }

    void unitsPassVerify()
    {
        auto store = Store("verify");
        QStringList files;
        int n = 0;
        std::vector<std::unique_ptr<TWinTask>> tasks;
        for (const TTriggerCase& c : Cases())
            tasks.push_back(Task(c));
        // A schedule of the planner that starts at logon, after a delay.
        tasks.push_back(Task(Cases()[0]));
        tasks.back()->DeleteTrigger(0);
        tasks.back()->NewTrigger(ttLogon).SetDelay(90);
        for (const auto& task : tasks) {
            const QString name = QString("Schedule-Case %1").arg(++n);
            store->Register(name, task->Definition(), "", "");
            const QString base = FDir.filePath("verify/") + SystemdUnitBase(name);
            files << base + ".service" << base + ".timer";
            // The backup that the program leaves running is not the unit's end.
            const QString service = QString::fromUtf8(ReadFile(base + ".service"));
            QCOMPARE(ServiceSetting(service, "ExitType", "main"), QString("cgroup"));
            QCOMPARE(ServiceSetting(service, "KillMode", "control-group"),
                     QString("control-group"));
        }
        QVERIFY(QString::fromUtf8(ReadFile(files.last())).contains("OnStartupSec=90\n"));
        QDir runtime(FDir.filePath("runtime"));
        QVERIFY(runtime.mkpath("."));
        QVERIFY(chmod(QFile::encodeName(runtime.path()).constData(), 0700) == 0);
        const TAnalyze r =
            Analyze(QStringList{"--user", "verify", "--man=no"} + files, runtime.path());
        QVERIFY2(r.exitCode == 0 && !r.out.contains(FDir.path()), qPrintable(r.out));
        QVERIFY(FCommands.contains("daemon-reload"));
        QVERIFY(FCommands
                    .filter(QRegularExpression(
                        "^enable --now kelvara-task-Schedule\\\\x2dCase\\\\x201\\.timer$"))
                    .size() == 1);
    }

    void execLineKeepsWords()
    {
        const TSystemdUnits units = MakeSystemdUnits("A b", Task(Cases()[0])->Definition());
        QCOMPARE(units.baseName, QString("kelvara-task-A\\x20b"));
        const QString exec = "ExecStart=\"/bin/true\" \"Weekly Full\" \"/prompt:50%%\" \"$$HOME\" "
                             "\"quote\\\"d\"";
        QVERIFY2(units.service.contains(exec), qPrintable(units.service));
        QVERIFY(units.timer.contains("AccuracySec=1s"));
        QVERIFY(units.timer.contains("Persistent=false"));
    }

    void calendarsMatchStore_data()
    {
        QTest::addColumn<int>("index");
        for (size_t i = 0; i < Cases().size(); ++i)
            QTest::newRow(Cases()[i].name) << int(i);
    }
    void calendarsMatchStore()
    {
        QFETCH(int, index);
        const TTriggerCase& c = Cases()[size_t(index)];
        auto task = Task(c);
        const TTaskTriggerData& trigger = task->Triggers(0).TaskTrigger();
        const QStringList expressions = CalendarExpressions(trigger);
        QVERIFY(!expressions.isEmpty());
        const int count = 16;
        const QList<QDateTime> expected = StoreElapses(trigger, c.base, count);
        QVERIFY(!expected.isEmpty());
        QCOMPARE(SystemdElapses(expressions, c.base, count), expected);
    }

    void refusesWhatTimersCannotExpress_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("variant");
        QTest::newRow("idle") << int(ttIdle) << 0;
        QTest::newRow("event") << int(ttEvent) << 0;
        QTest::newRow("boot") << int(ttBoot) << 0;
        QTest::newRow("every 2 days") << int(ttDaily) << 1;
        QTest::newRow("every 2 weeks") << int(ttWeekly) << 1;
        QTest::newRow("repetition") << int(ttDaily) << 2;
        QTest::newRow("logon of another user") << int(ttLogon) << 3;
        QTest::newRow("logon and a calendar") << int(ttLogon) << 4;
    }
    void refusesWhatTimersCannotExpress()
    {
        QFETCH(int, type);
        QFETCH(int, variant);
        auto store = Store("refused");
        TWinTask task;
        task.NewAction(taExec).SetExecPath("/bin/true");
        TWinTaskTrigger& t = task.NewTrigger(TWinTaskTriggerType(type));
        if (variant == 1) {
            t.SetDaysInterval(2);
            t.SetWeeksInterval(2);
        } else if (variant == 2) {
            t.SetInterval(3600);
        } else if (variant == 3) {
            t.SetLogonUserId("someone-else");
        } else if (variant == 4) {
            task.NewTrigger(ttDaily).SetStartTime(At(2025, 3, 1, 6, 30));
        }
        try {
            store->Register("Refused", task.Definition(), "", "");
            QFAIL("registered although systemd cannot express it");
        } catch (const EOleSysError& e) {
            QCOMPARE(e.ErrorCode(), TaskResult::kNotImplemented);
        }
        QVERIFY(QDir(FDir.filePath("refused")).entryList(QDir::Files).isEmpty());
    }

    void stateFromSystemctl()
    {
        auto store = Store("state");
        TWinTask task;
        task.NewAction(taExec).SetExecPath("/bin/true");
        task.NewTrigger(ttLogon).SetLogonUserId(QString());
        store->Register("Logon", task.Definition(), "", "");
        QVERIFY(QFile::exists(FDir.filePath("state/kelvara-task-Logon.timer")));
        // Started now, the timer would fire at once: the manager started long ago.
        QVERIFY(FCommands.contains("enable kelvara-task-Logon.timer"));
        QVERIFY(!FCommands.filter("--now kelvara-task-Logon.timer").contains("enable"));
        QVERIFY(FCommands.filter(QRegularExpression("^enable --now kelvara-task-Logon")).isEmpty());
        QCOMPARE(store->TaskNames(), QStringList{"Logon"});
        const TTaskRunInfo info = store->Info("logon");
        QCOMPARE(info.state, TaskState::kReady);
        QCOMPARE(info.lastResult, 4);
        QCOMPARE(info.lastRunTime, QDateTime::fromSecsSinceEpoch(1740830400));
        QCOMPARE(info.nextRunTime, QDateTime::fromSecsSinceEpoch(1740893400));
        store->SetEnabled("Logon", false);
        QCOMPARE(store->Info("Logon").state, TaskState::kDisabled);
        QVERIFY(FCommands.contains("disable --now kelvara-task-Logon.timer"));
        QVERIFY_THROWS_EXCEPTION(EOleSysError, store->Run("Logon"));
        store->Delete("Logon");
        QVERIFY(store->TaskNames().isEmpty());
        QVERIFY(QDir(FDir.filePath("state")).entryList(QDir::Files).isEmpty());
    }

    // The state of the task is that of the scheduled program: the backup it left running keeps
    // the unit active but is not a run of the task.
    void stateOfTheScheduledProgram_data()
    {
        QTest::addColumn<QString>("show");
        QTest::addColumn<int>("state");
        QTest::addColumn<int>("result");
        QTest::newRow("program runs") << "ActiveState=active\nMainPID=4711\nExecMainCode=0\n"
                                      << TaskState::kRunning << TaskResult::kRunning;
        QTest::newRow("program ended, backup runs")
            << "ActiveState=active\nMainPID=0\nExecMainCode=1\nExecMainStatus=0\n"
            << TaskState::kReady << 0;
        QTest::newRow("program failed") << "ActiveState=failed\nMainPID=0\nExecMainCode=1\n"
                                           "ExecMainStatus=2\n"
                                        << TaskState::kReady << 2;
        QTest::newRow("program killed") << "ActiveState=inactive\nMainPID=0\nExecMainCode=2\n"
                                           "ExecMainStatus=15\n"
                                        << TaskState::kReady << TaskResult::kTerminated;
    }
    void stateOfTheScheduledProgram()
    {
        QFETCH(QString, show);
        QFETCH(int, state);
        QFETCH(int, result);
        auto store = Store("program");
        store->Register("Daily", Task(Cases()[1])->Definition(), "", "");
        FShow = show + "\n";
        const TTaskRunInfo info = store->Info("Daily");
        QCOMPARE(info.state, state);
        QCOMPARE(info.lastResult, result);
    }

    // Runs the scheduled program in a control group of its own, as the service manager would,
    // and applies the stop semantics of the unit text when it has ended.
    void backupOutlivesTheScheduledProgram_data()
    {
        QTest::addColumn<QString>("unit");
        QTest::addColumn<bool>("survives");
        const TSystemdUnits units = MakeSystemdUnits("Backup", Task(Cases()[1])->Definition());
        QTest::newRow("our unit") << units.service << true;
        // Proof that the check can fail: systemd's defaults kill the backup.
        QTest::newRow("defaults") << QString("[Service]\nType=exec\n") << false;
        QTest::newRow("mixed") << QString("[Service]\nType=exec\nKillMode=mixed\n") << false;
    }
    void backupOutlivesTheScheduledProgram()
    {
        QFETCH(QString, unit);
        QFETCH(bool, survives);
        TTestCgroup group;
        if (getuid() != 0 || !group.Create())
            QSKIP("needs root and a writable unified control group hierarchy");
        const QString pidFile = FDir.filePath("backup.pid");
        QFile::remove(pidFile);
        // The scheduled program joins the group, starts the "backup" in a session of its own
        // and ends at once.
        QProcess program;
        program.start("/bin/sh", {"-c",
                                  "echo $$ > \"$1\"/cgroup.procs || exit 1\n"
                                  "setsid sleep 30 </dev/null >/dev/null 2>&1 &\necho $! > \"$2\"",
                                  "sh", group.path, pidFile});
        QVERIFY(program.waitForFinished(10000));
        const qint64 backup = ReadFile(pidFile).trimmed().toLongLong();
        QVERIFY(backup > 0);
        QVERIFY(ReadFile(group.path + "/cgroup.procs").contains(QByteArray::number(backup)));
        EndOfMainProcess(unit, group.path);
        QTest::qWait(200);
        QCOMPARE(Alive(backup), survives);
    }

    void linger_data()
    {
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<int>("expected"); // 1 on, 0 off, -1 error
        QTest::newRow("on") << 0 << QByteArray("Linger=yes\n") << 1;
        QTest::newRow("off") << 0 << QByteArray("Linger=no\n") << 0;
        QTest::newRow("no login manager") << 1 << QByteArray() << -1;
        QTest::newRow("no loginctl") << -1 << QByteArray() << -1;
    }
    void linger()
    {
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(int, expected);
        QStringList calls;
        const auto run = [&](const QString& program, const QStringList& args, const QByteArray&) {
            calls << program + u' ' + args.join(u' ');
            return TToolOutput{exitCode, out, exitCode == 0 ? QString() : QString("No such file")};
        };
        try {
            QCOMPARE(LingerEnabled("me", run) ? 1 : 0, expected);
            EnableLinger("me", run);
            QCOMPARE(calls, QStringList({"loginctl show-user me --property=Linger",
                                         "loginctl enable-linger me"}));
        } catch (const EOleSysError& e) {
            QCOMPARE(expected, -1);
            QVERIFY2(e.Message().contains("loginctl show-user me") &&
                         e.Message().contains("No such"),
                     qPrintable(e.Message()));
        }
    }

    void damagedDefinitionIsListed()
    {
        auto store = Store("damaged");
        store->Register("Good", Task(Cases()[1])->Definition(), "", "");
        QFile bad(FDir.filePath("damaged/") + SystemdUnitBase("Bad one") + ".xml");
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("<Task><Actions>");
        bad.close();
        QCOMPARE(store->TaskNames(), QStringList({"Bad one", "Good"}));
        TWinTaskFolder folder(*store);
        QCOMPARE(folder.Refresh(), 0);
        QVERIFY(folder.Tasks(0).Damaged());
        QVERIFY(folder.DeleteTask("Bad one"));
        QVERIFY(!bad.exists());
        QCOMPARE(folder.TaskCount(), 1);
    }

    // Without a working systemctl nothing reports success.
    void systemctlFailures_data()
    {
        QTest::addColumn<int>("exitCode");
        QTest::newRow("missing") << -1;
        QTest::newRow("failing") << 1;
    }
    void systemctlFailures()
    {
        QFETCH(int, exitCode);
        auto store = Store(QString("failing%1").arg(exitCode));
        store->Register("Daily", Task(Cases()[1])->Definition(), "", "");
        FExitCode = exitCode;
        auto fails = [&](const std::function<void()>& call) {
            try {
                call();
            } catch (const EOleSysError& e) {
                return e.Message().startsWith("systemctl --user ") &&
                       e.Message().contains(exitCode < 0 ? "No such file" : "Access denied");
            }
            return false;
        };
        QVERIFY(fails([&] { store->Register("Daily", Task(Cases()[1])->Definition(), "", ""); }));
        QVERIFY(fails([&] { store->Run("Daily"); }));
        QVERIFY(fails([&] { store->Info("Daily"); }));
        if (exitCode < 0)
            QVERIFY(fails([&] { store->Delete("Daily"); }));
        FExitCode = 0;
    }

    void otherAccountsAreCheckedAndRefused()
    {
        auto store = Store("accounts");
        auto task = Task(Cases()[1]);
        try {
            store->Register("Other", task->Definition(), "kv-no-such-account", "x");
            QFAIL("registered for an unknown account");
        } catch (const EOleSysError& e) {
            QCOMPARE(e.ErrorCode(), TaskResult::kNoneMapped);
        }
        QVERIFY(QDir(FDir.filePath("accounts")).entryList(QDir::Files).isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_TaskSystemd)
#include "tst_TaskSystemd.moc"
