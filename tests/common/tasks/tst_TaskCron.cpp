#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "common/platform/LogonCheck.h"
#include "common/platform/WinExecute.h"
#include "common/tasks/TaskCron.h"
#include "common/tasks/WinTask.h"
#include "support/TestAccounts.h"

namespace {

QDateTime At(int y, int mo, int d, int h = 0, int mi = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi));
}

const QString kStart = "[ \"$(date +\\%Y\\%m\\%d\\%H\\%M)\" -ge ";
const QString kPlaner = "exec '/opt/kv/KvPlaner' 'Weekly Full' '/ini:/x/50\\%.ini'";

std::unique_ptr<TWinTask> PlanerTask(TWinTaskTriggerType type, const QDateTime& start)
{
    auto task = std::make_unique<TWinTask>();
    TWinTaskAction& action = task->NewAction(taExec);
    action.SetExecPath("/opt/kv/KvPlaner");
    action.SetExecArguments("\"Weekly Full\" /ini:/x/50%.ini");
    task->NewTrigger(type).SetStartTime(start);
    return task;
}

// A crontab in memory behind the crontab tool's interface.
struct TFakeCrontab {
    QByteArray text;
    bool exists = false;
    int writeExit = 0;            // the exit code of "crontab -"
    std::function<void()> onRead; // a hand edit while the store works
    QStringList calls;

    TToolRunner Runner()
    {
        return [this](const QString& program, const QStringList& args, const QByteArray& input) {
            calls << program + u' ' + args.join(u' ');
            if (args.contains("-l")) {
                if (onRead)
                    onRead();
                if (!exists)
                    return TToolOutput{1, {}, "no crontab for me\n"};
                return TToolOutput{0, text, {}};
            }
            if (writeExit != 0)
                return TToolOutput{writeExit, {}, "errors in crontab file, can't install.\n"};
            text = input;
            exists = true;
            return TToolOutput{0, {}, {}};
        };
    }
};

// Foreign lines of every kind, the last one without a line end.
const QByteArray kForeign = "# m h dom mon dow command\n"
                            "MAILTO=me@example.org\n"
                            "\n"
                            "*/5 * * * * /usr/bin/true   # keep % and  spacing\n"
                            "this line is broken\n"
                            "# BEGIN kelvara-task Other\n"
                            "0 1 * * * exec '/bin/other'\n"
                            "# END kelvara-task Other\n"
                            "@reboot /usr/local/bin/at-boot";

} // namespace

class tst_TaskCron : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;

private slots:
    void initTestCase()
    {
        QVERIFY(FDir.isValid());
        if (getuid() == 0)
            kvtest::RemoveLeftoverAccounts("kvcron");
    }

    void lines_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QDateTime>("start");
        QTest::addColumn<std::function<void(TWinTask&)>>("set");
        QTest::addColumn<QStringList>("lines");
        const std::function<void(TWinTask&)> none = [](TWinTask&) {};
        QTest::newRow("daily") << int(ttDaily) << At(2025, 1, 1, 6, 30) << none
                               << QStringList{"30 6 * * * " + kStart + "202501010630 ] && " +
                                              kPlaner};
        QTest::newRow("weekly, working folder")
            << int(ttWeekly) << At(2025, 3, 3, 22, 0)
            << std::function<void(TWinTask&)>([](TWinTask& t) {
                   t.Triggers(0).SetDaysOfWeek(0x22);
                   t.Actions(0).SetExecWorkingDirectory("\"/tmp/it's here\"");
               })
            << QStringList{"0 22 * * 1,5 " + kStart +
                           "202503032200 ] && cd '/tmp/it'\\''s here' && " + kPlaner};
        QTest::newRow("monthly days and last day")
            << int(ttMonthly) << At(2024, 1, 15, 10, 0)
            << std::function<void(TWinTask&)>([](TWinTask& t) {
                   t.Triggers(0).SetDaysOfMonth(int(0x80000001u | (1 << 14)));
                   t.Triggers(0).SetMonthsOfYear(0x0A2);
               })
            << QStringList{"0 10 1,15 2,6,8 * " + kStart + "202401151000 ] && " + kPlaner,
                           "0 10 28-31 2,6,8 * [ \"$(date -d tomorrow +\\%d)\" = 01 ] && " +
                               kStart + "202401151000 ] && " + kPlaner};
        QTest::newRow("first and last sunday")
            << int(ttMonthlyDow) << At(2025, 3, 10, 10, 0)
            << std::function<void(TWinTask&)>([](TWinTask& t) {
                   t.Triggers(0).SetWeeksOfMonth(0x11);
                   t.Triggers(0).SetDaysOfWeek(1);
                   t.Triggers(0).SetMonthsOfYear(0xFFF);
               })
            << QStringList{"0 10 1-7 * * date +\\%w | grep -qx '[0]' && " + kStart +
                               "202503101000 ] && " + kPlaner,
                           "0 10 22-31 * * date +\\%w | grep -qx '[0]' && [ \"$(date -d '+7 "
                           "days' +\\%m)\" != \"$(date +\\%m)\" ] && " +
                               kStart + "202503101000 ] && " + kPlaner};
        QTest::newRow("one time, random delay")
            << int(ttTime) << At(2025, 5, 17, 14, 5)
            << std::function<void(TWinTask&)>(
                   [](TWinTask& t) { t.Triggers(0).SetRandomDelay(1800); })
            << QStringList{"5 14 17 5 * [ \"$(date +\\%Y)\" = 2025 ] && sleep \"$(shuf -i 0-1800 "
                           "-n 1)\" && " +
                           kPlaner};
        QTest::newRow("daily until an end")
            << int(ttDaily) << At(2025, 1, 1, 6, 30)
            << std::function<void(TWinTask&)>(
                   [](TWinTask& t) { t.Triggers(0).SetEndTime(At(2025, 6, 30, 23, 59)); })
            << QStringList{"30 6 * * * " + kStart +
                           "202501010630 ] && [ \"$(date +\\%Y\\%m\\%d\\%H" +
                           "\\%M)\" -le 202506302359 ] && " + kPlaner};
        QTest::newRow("disabled task") << int(ttDaily) << At(2025, 1, 1, 6, 30)
                                       << std::function<void(TWinTask&)>([](TWinTask& t) {
                                              t.Definition().settings.enabled = false;
                                          })
                                       << QStringList{};
        QTest::newRow("disabled trigger")
            << int(ttDaily) << At(2025, 1, 1, 6, 30)
            << std::function<void(TWinTask&)>([](TWinTask& t) { t.Triggers(0).SetEnabled(false); })
            << QStringList{};
    }
    void lines()
    {
        QFETCH(int, type);
        QFETCH(QDateTime, start);
        QFETCH(std::function<void(TWinTask&)>, set);
        QFETCH(QStringList, lines);
        auto task = PlanerTask(TWinTaskTriggerType(type), start);
        set(*task);
        QCOMPARE(CronLines(task->Definition()), lines);
    }

    void refusals_data()
    {
        QTest::addColumn<std::function<void(TWinTask&)>>("set");
        QTest::addColumn<int>("code");
        QTest::newRow("repetition")
            << std::function<void(TWinTask&)>([](TWinTask& t) { t.Triggers(0).SetInterval(3600); })
            << int(TaskResult::kNotImplemented);
        QTest::newRow("every 2 days")
            << std::function<void(TWinTask&)>([](TWinTask& t) { t.Triggers(0).SetDaysInterval(2); })
            << int(TaskResult::kNotImplemented);
        QTest::newRow("logon") << std::function<void(TWinTask&)>([](TWinTask& t) {
            t.NewTrigger(ttLogon);
        }) << int(TaskResult::kNotImplemented);
        QTest::newRow("run if missed") << std::function<void(TWinTask&)>([](TWinTask& t) {
            t.Settings().SetRunIfMissed(true);
        }) << int(TaskResult::kNotImplemented);
        QTest::newRow("wake to run")
            << std::function<void(TWinTask&)>([](TWinTask& t) { t.Settings().SetWakeToRun(true); })
            << int(TaskResult::kNotImplemented);
        QTest::newRow("line break in an argument")
            << std::function<void(TWinTask&)>(
                   [](TWinTask& t) { t.Actions(0).SetExecArguments("\"a\nb\""); })
            << int(TaskResult::kInvalidArg);
    }
    void refusals()
    {
        QFETCH(std::function<void(TWinTask&)>, set);
        QFETCH(int, code);
        auto task = PlanerTask(ttDaily, At(2025, 1, 1, 6, 30));
        set(*task);
        TFakeCrontab crontab;
        crontab.text = kForeign;
        crontab.exists = true;
        TTaskCronStore store(FDir.filePath("refused"), {}, crontab.Runner());
        try {
            store.Register("Refused", task->Definition(), "", "");
            QFAIL("registered what cron cannot do");
        } catch (const EOleSysError& e) {
            QCOMPARE(e.ErrorCode(), code);
            QVERIFY(!e.Message().isEmpty());
        }
        QCOMPARE(crontab.text, kForeign);
        QVERIFY(store.TaskNames().isEmpty());
    }

    void blocksKeepForeignLines()
    {
        const QStringList lines{"30 6 * * * exec '/bin/a'", "0 7 * * 0 exec '/bin/b'"};
        const QByteArray added = ReplaceCronBlock(kForeign, "Weekly Full", lines);
        QCOMPARE(added, kForeign + "\n# BEGIN kelvara-task Weekly Full\n" + lines[0].toUtf8() +
                            "\n" + lines[1].toUtf8() + "\n# END kelvara-task Weekly Full\n");
        const QByteArray replaced = ReplaceCronBlock(added, "Weekly Full", {"1 2 * * * true"});
        QCOMPARE(replaced, kForeign + "\n# BEGIN kelvara-task Weekly Full\n1 2 * * * true\n"
                                      "# END kelvara-task Weekly Full\n");
        QCOMPARE(ReplaceCronBlock(replaced, "Weekly Full", {}), kForeign + "\n");
        QCOMPARE(ReplaceCronBlock(kForeign, "Other", {}),
                 QByteArray(kForeign).replace("# BEGIN kelvara-task Other\n0 1 * * * "
                                              "exec '/bin/other'\n# END kelvara-task Other\n",
                                              ""));
        // An end mark removed by hand: only our begin mark goes, the lines after it stay.
        const QByteArray cut = "# BEGIN kelvara-task X\n5 5 * * * mine\nMAILTO=x\n";
        QCOMPARE(ReplaceCronBlock(cut, "X", {}), QByteArray("5 5 * * * mine\nMAILTO=x\n"));
        QCOMPARE(CronFileName("Schedule-Weekly Full.1"),
                 QString("kelvara-task-Schedule-Weekly_20Full_2e1"));
    }

    void storeLifecycle()
    {
        TFakeCrontab crontab;
        QDateTime now = At(2025, 3, 1, 12, 0);
        TTaskCronStore store(FDir.filePath("life"), {}, crontab.Runner(), FDir.filePath("cron.d"),
                             [&] { return now; });
        std::unique_ptr<TWinTaskScheduler> scheduler;
        QCOMPARE(
            InitWinTaskScheduler(scheduler, std::make_unique<TTaskCronStore>(
                                                FDir.filePath("life"), QString(), crontab.Runner(),
                                                FDir.filePath("cron.d"), [&] { return now; })),
            0);
        QCOMPARE(scheduler->BackendDescription(), QString("cron"));
        auto task = PlanerTask(ttDaily, At(2025, 1, 1, 6, 30));
        TWinTaskFolder& folder = *scheduler->TaskFolder();
        QCOMPARE(folder.RegisterTask("Schedule-Weekly Full", *task, "", ""), 0);
        QVERIFY(crontab.text.contains("# BEGIN kelvara-task Schedule-Weekly Full\n30 6 * * * "));
        QCOMPARE(folder.Tasks(0).NextRunTime(), At(2025, 3, 2, 6, 30));
        QCOMPARE(folder.Tasks(0).Definition().Triggers(0).DaysInterval(), 1); // read back in full
        QCOMPARE(folder.Tasks(0).LastResult(), TaskResult::kHasNotRun);

        // The command as cron runs it (with "\%" read as "%"): it records its start and result.
        const QByteArray line = crontab.text.split('\n').value(1);
        const QString command = QString::fromUtf8(line).section(u' ', 5).replace("\\%", "%");
        const qint64 before = QDateTime::currentSecsSinceEpoch();
        QProcess shell;
        shell.start("/bin/sh", {"-c", command});
        QVERIFY(shell.waitForFinished(10000));
        QCOMPARE(folder.Tasks(0).LastResult(), 127); // /opt/kv/KvPlaner is not there
        QVERIFY(folder.Tasks(0).LastRunTime().toSecsSinceEpoch() >= before);

        // Edited by hand between two writes: the edit stays.
        crontab.text = "MAILTO=me\n" + crontab.text;
        folder.Tasks(0).SetEnabled(false);
        QCOMPARE(crontab.text, QByteArray("MAILTO=me\n"));
        QCOMPARE(folder.Tasks(0).Status(), tsDisabled);
        QCOMPARE(folder.Tasks(0).NextRunTime(), QDateTime());
        // ... also when it happens while the store reads.
        int reads = 0;
        crontab.onRead = [&] {
            if (++reads == 1)
                crontab.text += "# added meanwhile\n";
        };
        folder.Tasks(0).SetEnabled(true);
        crontab.onRead = nullptr;
        QVERIFY(crontab.text.startsWith("MAILTO=me\n# added meanwhile\n# BEGIN kelvara-task"));

        // crontab refuses: the error is reported and the stored task stays as it was.
        crontab.writeExit = 1;
        task->Triggers(0).SetStartTime(At(2025, 1, 1, 8, 0));
        QCOMPARE(folder.RegisterTask("Schedule-Weekly Full", *task, "", ""), -1);
        QVERIFY2(folder.ErrorMessage().contains("errors in crontab file"),
                 qPrintable(folder.ErrorMessage()));
        QCOMPARE(folder.Refresh(), 0);
        QCOMPARE(folder.Tasks(0).Definition().Triggers(0).StartTime(), At(2025, 1, 1, 6, 30));
        crontab.writeExit = 0;

        QVERIFY(folder.DeleteTask("schedule-weekly full"));
        QCOMPARE(folder.TaskCount(), 0);
        QCOMPARE(crontab.text, QByteArray("MAILTO=me\n# added meanwhile\n"));
    }

    void missingCrontabTool()
    {
        const auto missing = [](const QString&, const QStringList&, const QByteArray&) {
            return TToolOutput{-1, {}, "No such file or directory"};
        };
        TTaskCronStore store(FDir.filePath("missing"), {}, missing);
        auto task = PlanerTask(ttDaily, At(2025, 1, 1, 6, 30));
        try {
            store.Register("A", task->Definition(), "", "");
            QFAIL("registered without crontab");
        } catch (const EOleSysError& e) {
            QVERIFY(e.ErrorCode() < 0);
            QVERIFY2(e.Message().contains("crontab -l failed: No such file"),
                     qPrintable(e.Message()));
        }
    }

    void accounts()
    {
        TFakeCrontab crontab;
        TTaskCronStore store(FDir.filePath("accounts"), {}, crontab.Runner(),
                             FDir.filePath("cron.d"));
        auto task = PlanerTask(ttDaily, At(2025, 1, 1, 6, 30));
        task->SetLogonType(ltPassword);
        const auto codeOf = [&](const QString& user, const QString& password) {
            try {
                store.Register("Other", task->Definition(), user, password);
                return 0;
            } catch (const EOleSysError& e) {
                return int(e.ErrorCode());
            }
        };
        QCOMPARE(codeOf("kv-no-such-account", "x"), int(TaskResult::kNoneMapped));
        if (getuid() != 0)
            QSKIP("a test account can only be made as root");
        kvtest::TTestAccount account("kvcron");
        QVERIFY(account.Create());
        kvtest::TTestPamService service;
        QVERIFY(service.Install(KV_SOURCE_DIR "/src/common/platform/pam/kvstarter"));
        SetLogonOptions({service.name.toStdString(), {}});
        QCOMPARE(codeOf("HOST\\" + account.name, "wrong"), int(TaskResult::kLogonFailure));
        QVERIFY(store.TaskNames().isEmpty());
        QVERIFY(!crontab.exists);

        // As root, with the right password: a cron.d entry that names the account.
        QCOMPARE(codeOf(account.name, account.password), 0);
        SetLogonOptions({});
        QFile file(FDir.filePath("cron.d/") + CronFileName("Other"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArray text = file.readAll();
        const QByteArray line = "\n30 6 * * * " + account.name.toUtf8() + " [ ";
        QVERIFY2(text.contains(line), text.constData());
        QVERIFY(!crontab.text.contains("kelvara-task"));
        QCOMPARE(store.Definition("Other").principal.userId, account.name);
        store.Delete("Other");
        QVERIFY(!file.exists());
    }
};

QTEST_GUILESS_MAIN(tst_TaskCron)
#include "tst_TaskCron.moc"
