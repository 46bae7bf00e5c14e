#include <sys/stat.h>

#include <algorithm>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeZone>

#include "common/tasks/NextRunTime.h"
#include "common/tasks/TaskSystemd.h"
#include "common/tasks/WinTask.h"

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

} // namespace

class tst_TaskSystemd : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QStringList FCommands;

    std::unique_ptr<TTaskSystemdStore> Store(const QString& sub)
    {
        // systemctl is never called for real: the user manager of the developer stays untouched.
        return std::make_unique<TTaskSystemdStore>(FDir.filePath(sub), [this](const QStringList&
                                                                                  args) {
            FCommands << args.join(u' ');
            TTaskSystemdStore::TCommandOutput out;
            out.exitCode = 0;
            if (args.value(0) == "show")
                out.out =
                    "ActiveState=inactive\nExecMainCode=1\nExecMainStatus=4\n"
                    "ExecMainStartTimestamp=@1740830400\n\nNextElapseUSecRealtime=@1740893400\n";
            return out;
        });
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
        for (const TTriggerCase& c : Cases()) {
            const QString name = QString("Schedule-Case %1").arg(++n);
            store->Register(name, Task(c)->Definition(), "", "");
            const QString base = FDir.filePath("verify/") + SystemdUnitBase(name);
            files << base + ".service" << base + ".timer";
        }
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
};

QTEST_GUILESS_MAIN(tst_TaskSystemd)
#include "tst_TaskSystemd.moc"
