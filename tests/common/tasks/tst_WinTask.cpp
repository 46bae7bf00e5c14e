#include <QTemporaryDir>
#include <QTest>

#include "common/platform/LogonCheck.h"
#include "common/tasks/TaskFileStore.h"
#include "common/tasks/WinTask.h"

namespace {

QDateTime At(int y, int mo, int d, int h = 0, int mi = 0, int s = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi, s));
}

// Passes everything to a file store and remembers the account a registration was sent with.
class TRecordingBackend : public TTaskFileStore {
public:
    using TTaskFileStore::TTaskFileStore;
    void Register(const QString& name, const TTaskDefinitionData& definition, const QString& user,
                  const QString& password) override
    {
        sentUser = user;
        sentPassword = password;
        TTaskFileStore::Register(name, definition, user, password);
    }
    QString sentUser, sentPassword;
};

class TUnavailableBackend : public TTaskFileStore {
public:
    using TTaskFileStore::TTaskFileStore;
    bool Available() override { return false; }
};

std::unique_ptr<TWinTask> ExecTask(const QString& path)
{
    auto task = std::make_unique<TWinTask>();
    task->NewAction(taExec).SetExecPath(path);
    return task;
}

} // namespace

class tst_WinTask : public QObject {
    Q_OBJECT

private slots:
    void durations_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<uint>("seconds");
        QTest::addColumn<bool>("writesBack"); // SecondsToDuration(seconds) == text
        QTest::newRow("empty") << "" << 0u << true;
        QTest::newRow("a minute") << "PT1M" << 60u << true;
        QTest::newRow("h m s") << "PT1H1M1S" << 3661u << true;
        QTest::newRow("hour and a half") << "PT1H30M" << 5400u << true;
        QTest::newRow("below a day") << "PT23H59M59S" << 86399u << true;
        QTest::newRow("a day") << "P1D" << 86400u << true;
        QTest::newRow("days drop the rest") << "P2D" << 172800u << true;
        QTest::newRow("nothing after the days") << "P1DT2H" << 86400u << false;
        QTest::newRow("PT alone") << "PT" << 0u << false;
        QTest::newRow("no leading P") << "1H" << 0u << false;
        QTest::newRow("days without D") << "P3" << 0u << false;
        // Beyond 16 bits: a long duration is not cut down.
        QTest::newRow("large seconds") << "PT90000S" << 90000u << false;
    }
    void durations()
    {
        QFETCH(QString, text);
        QFETCH(uint, seconds);
        QFETCH(bool, writesBack);
        QCOMPARE(DurationToSeconds(text), seconds);
        if (writesBack)
            QCOMPARE(SecondsToDuration(seconds), text);
    }
    void secondsToDurationDropsPartOfDay()
    {
        QCOMPARE(SecondsToDuration(90000), QString("P1D"));
        QCOMPARE(SecondsToDuration(172805), QString("P2D"));
        QCOMPARE(SecondsToDuration(59), QString("PT59S"));
    }

    void taskTimes_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QDateTime>("value");
        QTest::addColumn<bool>("zone");
        QTest::newRow("plain") << "2025-03-01T14:05:00" << At(2025, 3, 1, 14, 5) << false;
        QTest::newRow("offset") << "2025-03-01T14:05:00+01:00" << At(2025, 3, 1, 14, 5) << true;
        QTest::newRow("utc") << "2025-03-01T14:05:00Z" << At(2025, 3, 1, 14, 5) << true;
        QTest::newRow("invalid date") << "2025-02-30T00:00:00" << QDateTime() << false;
        QTest::newRow("empty") << "" << QDateTime() << false;
        QTest::newRow("garbage") << "soon" << QDateTime() << false;
    }
    void taskTimes()
    {
        QFETCH(QString, text);
        QFETCH(QDateTime, value);
        QFETCH(bool, zone);
        bool hasZone = !zone;
        QCOMPARE(TaskTimeToDateTime(text, &hasZone), value);
        QCOMPARE(hasZone, zone);
    }
    void dateTimeToTaskTime()
    {
        QCOMPARE(DateTimeToTaskTime(At(2025, 3, 1, 14, 5), false), QString("2025-03-01T14:05:00"));
        // The offset is that of the date itself: winter and summer time in Berlin.
        QCOMPARE(DateTimeToTaskTime(At(2025, 3, 1, 14, 5), true),
                 QString("2025-03-01T14:05:00+01:00"));
        QCOMPARE(DateTimeToTaskTime(At(2025, 7, 1, 8, 0), true),
                 QString("2025-07-01T08:00:00+02:00"));
        QCOMPARE(DateTimeToTaskTime(QDateTime(), true), QString());
        QCOMPARE(DateTimeToTaskTime(At(1899, 12, 30), false), QString());
    }
    void taskTimeToDisplay()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        QCOMPARE(TaskTimeToDisplay(At(1999, 12, 31, 23, 0)), QString());
        QCOMPARE(TaskTimeToDisplay(QDateTime()), QString());
        QCOMPARE(TaskTimeToDisplay(At(2025, 3, 3)), QString("3/3/2025"));
        QCOMPARE(TaskTimeToDisplay(At(2025, 3, 3, 22, 5, 9)), QString("3/3/2025 10:05:09 PM"));
    }

    void enumerationsReadBack()
    {
        QCOMPARE(TriggerTypeFromConstant(10), ttCustom);
        QCOMPARE(TriggerTypeFromConstant(11), ttSessionStateChange);
        QCOMPARE(TriggerTypeFromConstant(99), ttCustom);
        QCOMPARE(TriggerTypeConstant(ttCustom), 12);
        const int priorities[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
        const TThreadPriority expected[] = {tpTimeCritical, tpHighest, tpHigher, tpHigher,
                                            tpNormal,       tpNormal,  tpNormal, tpLower,
                                            tpLower,        tpLowest,  tpIdle};
        for (int i : priorities)
            QCOMPARE(PriorityFromConstant(i), expected[i]);
        for (int p = tpIdle; p <= tpTimeCritical; ++p)
            QCOMPARE(PriorityFromConstant(PriorityConstant(TThreadPriority(p))),
                     TThreadPriority(p));

        TWinTask task;
        for (int raw : {0, 7, -1}) {
            task.Definition().principal.logonType = raw;
            QCOMPARE(task.LogonType(), ltNone);
        }
        task.Definition().principal.logonType = 6;
        QCOMPARE(task.LogonType(), ltTokenPassword);
        task.Definition().settings.compatibility = 6;
        QCOMPARE(task.Settings().Compatibility(), tcWin10);

        task.Definition().actions.push_back(std::make_shared<TTaskActionData>());
        task.Definition().actions.back()->type = 3; // no known action type
        task.Refresh();
        QCOMPARE(task.Actions(0).ActionType(), taExec);

        QCOMPARE(OsCompatibilityFor(false, 10, 0), tcAT);
        QCOMPARE(OsCompatibilityFor(true, 5, 1), tcXP);
        QCOMPARE(OsCompatibilityFor(true, 6, 0), tcVista);
        QCOMPARE(OsCompatibilityFor(true, 6, 3), tcWin7);
        QCOMPARE(OsCompatibilityFor(true, 10, 0), tcWin10);
    }

    void settingsUnits()
    {
        TWinTask task;
        TWinTaskSettings& s = task.Settings();
        s.SetExecutionTimeLimit(72);
        QCOMPARE(task.Definition().settings.executionTimeLimit, QString("P3D"));
        QCOMPARE(s.ExecutionTimeLimit(), 72u);
        task.Definition().settings.executionTimeLimit = "PT90M";
        QCOMPARE(s.ExecutionTimeLimit(), 1u); // rounded down
        s.SetRestartInterval(5);
        QCOMPARE(task.Definition().settings.restartInterval, QString("PT5M"));
        QCOMPARE(s.RestartInterval(), 5u);
        s.SetDeleteExpiredTaskAfter(-1);
        QCOMPARE(s.DeleteExpiredTaskAfter(), -1);
        s.SetDeleteExpiredTaskAfter(0);
        QCOMPARE(task.Definition().settings.deleteExpiredTaskAfter, QString("PT0S"));
        QCOMPARE(s.DeleteExpiredTaskAfter(), 0);
        s.SetDeleteExpiredTaskAfter(48);
        QCOMPARE(s.DeleteExpiredTaskAfter(), 48);
        s.IdleSettings().SetIdleDuration(600);
        QCOMPARE(task.Definition().settings.idle.duration, QString("PT10M"));
    }

    // Each row: trigger type, property, value written, value read back afterwards.
    void triggerSetters_data()
    {
        QTest::addColumn<int>("type");
        QTest::addColumn<QString>("property");
        QTest::addColumn<int>("value");
        QTest::addColumn<int>("readBack");
        QTest::newRow("days interval on daily") << int(ttDaily) << "DaysInterval" << 3 << 3;
        QTest::newRow("days interval 0") << int(ttDaily) << "DaysInterval" << 0 << 1;
        QTest::newRow("days interval on weekly") << int(ttWeekly) << "DaysInterval" << 3 << 0;
        QTest::newRow("weeks interval") << int(ttWeekly) << "WeeksInterval" << 2 << 2;
        QTest::newRow("weeks interval on daily") << int(ttDaily) << "WeeksInterval" << 2 << 0;
        QTest::newRow("days of week") << int(ttWeekly) << "DaysOfWeek" << 127 << 127;
        QTest::newRow("days of week 0") << int(ttWeekly) << "DaysOfWeek" << 0 << 2;
        QTest::newRow("days of week 128") << int(ttWeekly) << "DaysOfWeek" << 128 << 2;
        QTest::newRow("days of week on monthly") << int(ttMonthly) << "DaysOfWeek" << 4 << 0;
        QTest::newRow("months 4095") << int(ttMonthly) << "MonthsOfYear" << 4095 << 4095;
        QTest::newRow("months 4096") << int(ttMonthly) << "MonthsOfYear" << 4096 << 4095;
        QTest::newRow("months on weekly") << int(ttWeekly) << "MonthsOfYear" << 5 << 0;
        QTest::newRow("days of month with last day")
            << int(ttMonthly) << "DaysOfMonth" << int(0x80004001u) << int(0x80004001u);
        QTest::newRow("days of month 0") << int(ttMonthly) << "DaysOfMonth" << 0 << 1;
        QTest::newRow("days of month on dow") << int(ttMonthlyDow) << "DaysOfMonth" << 3 << 0;
        QTest::newRow("weeks of month with last")
            << int(ttMonthlyDow) << "WeeksOfMonth" << 17 << 17;
        QTest::newRow("weeks of month 32") << int(ttMonthlyDow) << "WeeksOfMonth" << 32 << 1;
        QTest::newRow("random delay on time") << int(ttTime) << "RandomDelay" << 30 << 30;
        QTest::newRow("random delay on logon") << int(ttLogon) << "RandomDelay" << 30 << 0;
        QTest::newRow("delay on boot") << int(ttBoot) << "Delay" << 90 << 90;
        QTest::newRow("delay on daily") << int(ttDaily) << "Delay" << 90 << 0;
    }
    void triggerSetters()
    {
        QFETCH(int, type);
        QFETCH(QString, property);
        QFETCH(int, value);
        QFETCH(int, readBack);
        TWinTask task;
        TWinTaskTrigger& t = task.NewTrigger(TWinTaskTriggerType(type));
        const QString before = task.XmlText();
        struct TProp {
            const char* name;
            std::function<void(int)> set;
            std::function<int()> get;
        };
        const TProp props[] = {
            {"DaysInterval", [&](int v) { t.SetDaysInterval(short(v)); },
             [&] { return int(t.DaysInterval()); }},
            {"WeeksInterval", [&](int v) { t.SetWeeksInterval(v); },
             [&] { return t.WeeksInterval(); }},
            {"DaysOfWeek", [&](int v) { t.SetDaysOfWeek(v); }, [&] { return t.DaysOfWeek(); }},
            {"MonthsOfYear", [&](int v) { t.SetMonthsOfYear(v); },
             [&] { return t.MonthsOfYear(); }},
            {"DaysOfMonth", [&](int v) { t.SetDaysOfMonth(v); }, [&] { return t.DaysOfMonth(); }},
            {"WeeksOfMonth", [&](int v) { t.SetWeeksOfMonth(v); },
             [&] { return t.WeeksOfMonth(); }},
            {"RandomDelay", [&](int v) { t.SetRandomDelay(uint(v)); },
             [&] { return int(t.RandomDelay()); }},
            {"Delay", [&](int v) { t.SetDelay(uint(v)); }, [&] { return int(t.Delay()); }},
        };
        for (const TProp& p : props)
            if (property == QLatin1String(p.name)) {
                p.set(value);
                QCOMPARE(p.get(), readBack);
            }
        if (readBack != value)
            QCOMPARE(task.XmlText(), before); // an ignored write changes nothing
    }
    void lastWeekBitFollowsWeeksOfMonth()
    {
        TWinTask task;
        TWinTaskTrigger& t = task.NewTrigger(ttMonthlyDow);
        t.SetWeeksOfMonth(0x11); // first and last
        QVERIFY(t.RunOnLastWeekOfMonth());
        t.SetWeeksOfMonth(0x01); // last week unticked again
        QVERIFY(!t.RunOnLastWeekOfMonth());
        QCOMPARE(t.WeeksOfMonth(), 1);
        t.SetRunOnLastWeekOfMonth(true);
        QCOMPARE(t.WeeksOfMonth(), 0x11);
    }
    void boundariesAndDefaults()
    {
        TWinTask task;
        task.SetUserId("me");
        TWinTaskTrigger& t = task.NewTrigger(ttLogon);
        QCOMPARE(t.LogonUserId(), QString("me"));
        QVERIFY(qAbs(t.StartTime().secsTo(QDateTime::currentDateTime())) < 5);
        QVERIFY(!t.UseTimeZone());
        t.SetEndTime(At(2025, 3, 1, 14, 5));
        QCOMPARE(t.TaskTrigger().endBoundary, QString("2025-03-01T14:05:00"));
        t.SetEndTime(At(1899, 12, 30, 12)); // below 1: cleared
        QCOMPARE(t.TaskTrigger().endBoundary, QString());
        t.SetInterval(3600);
        t.SetInterval(0);
        QCOMPARE(t.TaskTrigger().repetition.interval, QString());
        // A boundary read with a zone is written with one.
        auto data = std::make_shared<TTaskTriggerData>();
        data->startBoundary = "2025-03-01T14:05:00Z";
        TWinTaskTrigger zoned(data);
        QVERIFY(zoned.UseTimeZone());
        zoned.SetStartTime(At(2025, 7, 1, 8, 0));
        QCOMPARE(data->startBoundary, QString("2025-07-01T08:00:00+02:00"));
    }

    void indexOfApp_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<int>("index");
        QTest::newRow("quoted windows path")
            << QStringList{"\"C:\\Program Files\\X\\KvStarter.exe\""} << 0;
        QTest::newRow("backup copy") << QStringList{"C:\\X\\KvStarter.exe.bak"} << -1;
        QTest::newRow("longer name") << QStringList{"/opt/x/MyKvStarter.exe"} << -1;
        QTest::newRow("second action")
            << QStringList{"/usr/bin/other", "/opt/kv/kvstarter.exe"} << 1;
        QTest::newRow("bare name") << QStringList{"KVSTARTER.EXE"} << 0;
        QTest::newRow("doubled quote inside") << QStringList{"\"/opt/a\"\"b/KvStarter.exe\""} << 0;
        QTest::newRow("none") << QStringList{} << -1;
    }
    void indexOfApp()
    {
        QFETCH(QStringList, paths);
        QFETCH(int, index);
        TWinTask task;
        for (const QString& p : paths)
            task.NewAction(taExec).SetExecPath(p);
        QCOMPARE(task.IndexOfApp("kvstarter.exe"), index);
        QCOMPARE(task.SelectedAction(), index);
    }
    void execPathUnquoting()
    {
        QCOMPARE(UnquotedExecPath("\"C:\\A B\\x.exe\""), QString("C:\\A B\\x.exe"));
        QCOMPARE(UnquotedExecPath("\"a\"\"b\""), QString("a\"b"));
        QCOMPARE(UnquotedExecPath("/usr/bin/x"), QString("/usr/bin/x"));
        QCOMPARE(UnquotedExecPath("\"\"inner\"\""), QString("\"inner\""));
    }
    void indexOfNextExecAction()
    {
        TWinTask task;
        task.NewAction(taMail);
        task.NewAction(taExec);
        task.NewAction(taExec);
        QCOMPARE(task.SelectedAction(), 2);
        QCOMPARE(task.IndexOfNextExecAction(0), 1);
        QCOMPARE(task.IndexOfNextExecAction(2), 2);
        QCOMPARE(task.IndexOfNextExecAction(3), -1);
        QCOMPARE(task.Actions(0).ExecPath(), QString()); // not an exec action
    }

    void xmlRoundTrip()
    {
        TWinTask task;
        task.SetDescription("Nightly <backup> & more");
        task.SetAuthor("me");
        task.SetDate(At(2025, 3, 1, 14, 5));
        task.SetUserId("HOST\\me");
        task.SetLogonType(ltPassword);
        task.SetHighestRunLevel(true);
        task.SetUserData("Schedule-Weekly Full");
        task.Settings().SetRunIfMissed(true);
        task.Settings().SetWakeToRun(true);
        task.Settings().SetPriority(tpLowest);
        task.Settings().SetMultipleInstances(miParallel);
        TWinTaskAction& a = task.NewAction(taExec);
        a.SetExecPath("\"/opt/Kv Tools/KvPlaner\"");
        a.SetExecArguments("\"Weekly Full\" /hide");
        a.SetExecWorkingDirectory("/tmp");
        TWinTaskTrigger& w = task.NewTrigger(ttWeekly);
        w.SetStartTime(At(2025, 3, 3, 22, 0));
        w.SetWeeksInterval(2);
        w.SetDaysOfWeek(0x22);
        w.SetInterval(3600);
        w.SetDuration(8 * 3600);
        TWinTaskTrigger& m = task.NewTrigger(ttMonthly);
        m.SetDaysOfMonth(int(0x80004001u));
        m.SetMonthsOfYear(0x0F0);
        m.SetEnabled(false);
        TWinTaskTrigger& d = task.NewTrigger(ttMonthlyDow);
        d.SetWeeksOfMonth(0x13);
        d.SetDaysOfWeek(1);
        TWinTaskTrigger& e = task.NewTrigger(ttEvent);
        e.SetSubscription("<QueryList><Query Id=\"0\"/></QueryList>");
        e.SetDelay(30);
        // A trigger of a kind this program does not know survives unchanged.
        task.Definition().triggers.push_back(std::make_shared<TTaskTriggerData>());
        task.Definition().triggers.back()->type = TriggerKind::kCustom;
        task.Definition().triggers.back()->rawXml =
            "<WnfStateChangeTrigger><StateName>7</StateName></WnfStateChangeTrigger>";

        TWinTask copy;
        copy.SetXmlText(task.XmlText());
        QCOMPARE(copy.XmlText(), task.XmlText());
        QCOMPARE(copy.TriggerCount(), 5);
        QCOMPARE(copy.Description(), task.Description());
        QCOMPARE(copy.Date(), At(2025, 3, 1, 14, 5));
        QCOMPARE(copy.LogonType(), ltPassword);
        QVERIFY(copy.HighestRunLevel());
        QCOMPARE(copy.UserData(), QString("Schedule-Weekly Full"));
        QVERIFY(copy.Settings().RunIfMissed());
        QCOMPARE(copy.Settings().Priority(), tpLowest);
        QCOMPARE(copy.Settings().MultipleInstances(), miParallel);
        QCOMPARE(copy.Actions(0).ExecPath(), QString("/opt/Kv Tools/KvPlaner"));
        QCOMPARE(copy.Actions(0).ExecArguments(), QString("\"Weekly Full\" /hide"));
        QCOMPARE(copy.Triggers(0).WeeksInterval(), 2);
        QCOMPARE(copy.Triggers(0).DaysOfWeek(), 0x22);
        QCOMPARE(copy.Triggers(0).Duration(), 8u * 3600);
        QCOMPARE(copy.Triggers(1).DaysOfMonth(), int(0x80004001u));
        QVERIFY(!copy.Triggers(1).Enabled());
        QCOMPARE(copy.Triggers(2).WeeksOfMonth(), 0x13);
        QCOMPARE(copy.Triggers(3).Delay(), 30u);
        QCOMPARE(copy.Triggers(4).TriggerType(), ttCustom);
        QVERIFY(copy.XmlText().contains("<StateName>7</StateName>"));
    }
    void malformedXmlLeavesDefinition()
    {
        TWinTask task;
        task.SetDescription("kept");
        QVERIFY_THROWS_EXCEPTION(EOleSysError, task.SetXmlText("<Task><Triggers>"));
        QVERIFY_THROWS_EXCEPTION(EOleSysError, task.SetXmlText("<NotATask/>"));
        QCOMPARE(task.Description(), QString("kept"));
    }
    void deleteTrigger()
    {
        TWinTask task;
        task.NewTrigger(ttDaily);
        task.NewTrigger(ttWeekly);
        QVERIFY(task.DeleteTrigger(5));
        QVERIFY(task.DeleteTrigger(-1));
        QCOMPARE(task.TriggerCount(), 2);
        QVERIFY(task.DeleteTrigger(0));
        QCOMPARE(task.TriggerCount(), 1);
        QCOMPARE(task.Triggers(0).TriggerType(), ttWeekly);
        QCOMPARE(int(task.Definition().triggers.size()), 1);
    }

    void folderRegisterAndLogonRule()
    {
        QTemporaryDir dir;
        auto owned = std::make_unique<TRecordingBackend>(dir.path());
        TRecordingBackend* backend = owned.get();
        std::unique_ptr<TWinTaskScheduler> scheduler;
        QCOMPARE(InitWinTaskScheduler(scheduler, std::move(owned)), 0);
        TWinTaskFolder* folder = scheduler->TaskFolder();
        QVERIFY(folder);
        QCOMPARE(folder->TaskCount(), 0);

        auto task = ExecTask("/bin/true");
        task->SetLogonType(ltToken);
        QCOMPARE(folder->RegisterTask("Starter-B", *task, "someone", "secret"), 0);
        QCOMPARE(backend->sentUser, QString());
        QCOMPARE(backend->sentPassword, QString());
        const QString self = QString::fromStdString(CurrentAccountName());
        task->SetLogonType(ltService);
        QCOMPARE(folder->RegisterTask("starter-a", *task, self, "secret"), 0);
        QCOMPARE(backend->sentUser, self);
        QCOMPARE(backend->sentPassword, QString());
        task->SetLogonType(ltPassword);
        QCOMPARE(folder->RegisterTask("STARTER-B", *task, self, "p"), 1); // updates, keeps its name
        QCOMPARE(backend->sentPassword, QString("p"));
        QCOMPARE(folder->TaskCount(), 2);
        QCOMPARE(folder->Tasks(1).TaskName(), QString("Starter-B"));
        QCOMPARE(folder->Tasks(1).Path(), QString("\\Starter-B"));
        QCOMPARE(folder->IndexOfTask("starter-b"), 1);
        QCOMPARE(folder->IndexOfTask("missing"), -1);

        auto empty = std::make_unique<TWinTask>();
        QCOMPARE(folder->RegisterTask("No action", *empty, "", ""), -1);
        QVERIFY(folder->ErrorCode() < 0);
        QVERIFY(!folder->ErrorMessage().isEmpty());
        QVERIFY(!folder->DeleteTask("missing"));
        QCOMPARE(folder->ErrorCode(), TaskResult::kFileNotFound);
        QVERIFY(folder->DeleteTask("starter-a"));
        QCOMPARE(folder->ErrorCode(), 0);
        QCOMPARE(folder->TaskCount(), 1);
    }
    void corruptTaskFileIsReported()
    {
        QTemporaryDir dir;
        TTaskFileStore store(dir.path());
        auto task = ExecTask("/bin/true");
        store.Register("Good", task->Definition(), "", "");
        QFile bad(dir.filePath("Bad.xml"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("<Task><Actions>");
        bad.close();
        TWinTaskFolder folder(store);
        // Listed as damaged, and the list goes on past it.
        QCOMPARE(folder.Refresh(), 0);
        QCOMPARE(folder.TaskCount(), 2);
        TWinRegisteredTask& damaged = folder.Tasks(folder.IndexOfTask("Bad"));
        QVERIFY(damaged.Damaged());
        QCOMPARE(damaged.StatusAsString(), QString("Damaged"));
        QCOMPARE(damaged.LastResult(), TaskResult::kMalformedXml);
        QCOMPARE(damaged.Definition().ActionCount(), 0);
        QVERIFY(!folder.Tasks(folder.IndexOfTask("Good")).Damaged());
        QVERIFY(folder.DeleteTask("Bad"));
        QCOMPARE(folder.TaskCount(), 1);
        QVERIFY(QFile::exists(dir.filePath("Good.xml")));
    }
    void connectionResults()
    {
        QTemporaryDir dir;
        std::unique_ptr<TWinTaskScheduler> scheduler;
        QCOMPARE(InitWinTaskScheduler(scheduler, std::make_unique<TUnavailableBackend>(dir.path())),
                 TaskResult::kServiceNotRunning);
        QVERIFY(!scheduler);
        // A folder that cannot be made: a file is in the way.
        QFile blocker(dir.filePath("file"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        const HRESULT result = InitWinTaskScheduler(
            scheduler, std::make_unique<TTaskFileStore>(dir.filePath("file/tasks")));
        QVERIFY(result < 0);
        QVERIFY(scheduler); // handed over all the same
        QVERIFY(!scheduler->TaskFolder());
    }
    void newTaskCompatibility()
    {
        QTemporaryDir dir;
        TWinTaskScheduler scheduler(std::make_unique<TTaskFileStore>(dir.path()));
        QCOMPARE(scheduler.NewTask()->Settings().Compatibility(), GetOsCompatibility());
        QCOMPARE(scheduler.Init(), 0);
        scheduler.SetPath("\\Other");
        QVERIFY(!scheduler.TaskFolder());
    }
};

QTEST_GUILESS_MAIN(tst_WinTask)
#include "tst_WinTask.moc"
