#include <QTest>

#include "common/tasks/WinTask.h"
#include "common/tasks/ui/TaskSchedDlg.h"
#include "common/tasks/ui/TaskSchedLogic.h"

Q_DECLARE_METATYPE(TSchedOptions)
Q_DECLARE_METATYPE(TUnitValue)

class tst_TaskSchedLogic : public QObject {
    Q_OBJECT

    static TSchedOptions With(std::function<void(TSchedOptions&)> change)
    {
        TSchedOptions options;
        change(options);
        return options;
    }

private slots:
    void optionsRoundTrip_data()
    {
        QTest::addColumn<TSchedOptions>("options");
        QTest::addColumn<QString>("text");
        QTest::newRow("presets") << TSchedOptions() << " /hide /prompt:delay /wait:3";
        QTest::newRow("all") << With([](TSchedOptions& o) {
            o.hide = false;
            o.parallel = true;
            o.prompt = pmError;
            o.wait = 12;
            o.errorActions = 5;
            o.priority = peLow;
            o.iniFile = "/home/me/my settings.ini";
            o.logMode = 2;
            o.endAction = eaShutdown;
        })
                             << " /parallel /prompt:error /wait:12 /erractions:5 /speed:slow"
                                " \"/ini:/home/me/my settings.ini\" /logmode:2 /end:shutdown";
        QTest::newRow("no wait without delay") << With([](TSchedOptions& o) {
            o.prompt = pmSilent;
            o.priority = peHigh;
            o.endAction = eaHibernate;
        }) << " /hide /prompt:silent /speed:fast /suspend:hibernate";
    }
    void optionsRoundTrip()
    {
        QFETCH(TSchedOptions, options);
        QFETCH(QString, text);
        QCOMPARE(BuildSchedOptions(kaSchedule, options, true), text);
        TSchedOptions allOff;
        allOff.hide = false;
        const TParsedArguments parsed =
            ParseSchedArguments("\"Weekly Full\"" + text, kaSchedule, "/jobs/", allOff);
        QCOMPARE(parsed.options, options);
        QCOMPARE(parsed.tasks, QStringList{"\"Weekly Full\""});
        QCOMPARE(parsed.userOptions, QString());
    }

    void parseKeepsForeignOptionsAndAbbreviations()
    {
        TSchedOptions start;
        const TParsedArguments parsed = ParseSchedArguments(
            "/jobs/a.buj \"/other dir/b c.buj\" -par /q /e:re /sched /startapp:x -Zip /size:3",
            kaBackup, "/jobs/", start);
        QCOMPARE(parsed.tasks, (QStringList{"a.buj", "\"/other dir/b c.buj\""}));
        QVERIFY(parsed.options.parallel);
        QCOMPARE(parsed.options.prompt, int(pmQuiet));
        QCOMPARE(parsed.options.endAction, int(eaRestart));
        QCOMPARE(parsed.userOptions, QString("/Zip /size:3"));
        // The starter's options are not the page's to build.
        QCOMPARE(BuildSchedOptions(kaStarter, start, false),
                 QString(" /hide /prompt:delay /wait:3"));
        QCOMPARE(BuildSchedOptions(kaBackup, start, false).left(28),
                 QString(" /force /startapp:scheduler "));
    }

    void namesAndFirstArguments()
    {
        QCOMPARE(NewTaskName(kaSchedule, "Weekly Full"), QString("Schedule-Weekly Full"));
        QCOMPARE(NewTaskName(kaStarter, "Nightly"), QString("Starter-Nightly"));
        QCOMPARE(NewTaskName(kaBackup, "\"/j/my docs.buj\",b.buj"), QString("Backup-my docs"));
        QCOMPARE(NewTaskArguments(kaSchedule, "Weekly Full", "/delay:5", "/j/"),
                 QString("\"Weekly Full\" /delay:5"));
        QCOMPARE(NewTaskArguments(kaSchedule, "a,b", "", "/j/"), QString("\"a,b\" "));
        QCOMPARE(NewTaskArguments(kaStarter, "Nightly", "Docs,Mail /force", "/j/"),
                 QString("Docs,Mail /force"));
        QCOMPARE(RebuildArguments(kaSchedule, {"\"Weekly Full\""}, TSchedOptions(), "/x", "/j/"),
                 QString("\"Weekly Full\" /hide /prompt:delay /wait:3 /x"));
        QCOMPARE(SplitTaskList("a, \"b,c\" ,,d"), (QStringList{"a", "\"b,c\"", "d"}));
    }

    void unitChoice_data()
    {
        QTest::addColumn<int>("kind"); // 0 delay (seconds), 1 repetition, 2 limit (minutes)
        QTest::addColumn<int>("amount");
        QTest::addColumn<TUnitValue>("shown");
        QTest::newRow("delay 90 s") << 0 << 90 << TUnitValue{tuSeconds, 90, 599};
        QTest::newRow("delay 2 h") << 0 << 7200 << TUnitValue{tuHours, 2, 24};
        QTest::newRow("delay 50000 s") << 0 << 50000 << TUnitValue{tuHours, 13, 24};
        QTest::newRow("delay 10 min") << 0 << 600 << TUnitValue{tuMinutes, 10, 719};
        QTest::newRow("delay 1830 s") << 0 << 1830 << TUnitValue{tuMinutes, 30, 719};
        QTest::newRow("interval 60") << 1 << 60 << TUnitValue{tuHours, 1, 167};
        QTest::newRow("interval 30") << 1 << 30 << TUnitValue{tuMinutes, 30, 1439};
        QTest::newRow("limit 4320") << 2 << 4320 << TUnitValue{tuDays, 3, 365};
        QTest::newRow("limit 90") << 2 << 90 << TUnitValue{tuMinutes, 90, 1439};
        QTest::newRow("limit 120") << 2 << 120 << TUnitValue{tuHours, 2, 167};
        QTest::newRow("limit 8 days") << 2 << 11520 << TUnitValue{tuDays, 8, 365};
        QTest::newRow("limit 10079") << 2 << 10079 << TUnitValue{tuHours, 167, 167};
    }
    void unitChoice()
    {
        QFETCH(int, kind);
        QFETCH(int, amount);
        QFETCH(TUnitValue, shown);
        const TUnitValue got = kind == 0   ? DelayUnitValue(std::uint32_t(amount))
                               : kind == 1 ? RepeatUnitValue(amount)
                                           : LimitUnitValue(amount);
        QCOMPARE(got, shown);
    }

    void weekdayOrder()
    {
        QCOMPARE(MondayFirstToSundayFirst(1 << 6), 1); // Sunday alone
        QCOMPARE(MondayFirstToSundayFirst(1), 2);      // Monday
        for (int mask = 1; mask < 128; ++mask)
            QCOMPARE(SundayFirstToMondayFirst(MondayFirstToSundayFirst(mask)), mask);
    }

    void startBoundaryRoundsToMinute()
    {
        const QDateTime date(QDate(2026, 3, 4), QTime(1, 2, 3));
        QCOMPARE(StartBoundary(date, QDateTime(QDate(2000, 1, 1), QTime(10, 29, 40))),
                 QDateTime(QDate(2026, 3, 4), QTime(10, 30)));
        QCOMPARE(StartBoundary(date, QDateTime(QDate(2000, 1, 1), QTime(23, 59, 31))),
                 QDateTime(QDate(2026, 3, 5), QTime(0, 0)));
        QVERIFY(!StartBoundary({}, {}).isValid());
    }

    void triggerSettingsRoundTrip()
    {
        TWinTask task;
        TWinTaskTrigger& trigger = task.NewTrigger(ttDaily);
        const QDateTime start(QDate(2026, 5, 1), QTime(6, 30));
        TAdvancedSettings set = DefaultAdvancedSettings(start);
        set.UseEndDate = true;
        set.EndDate = start.addDays(-3); // before the start: one minute after it
        set.RepeatTask = true;
        set.MinutesInterval = 90;
        set.MinutesDuration = 600;
        set.StopEndDuration = true;
        set.UseLimit = true;
        set.MinutesLimit = 120;
        WriteTriggerSettings(set, start, trigger);
        QCOMPARE(trigger.EndTime(), start.addSecs(60));
        QCOMPARE(trigger.Interval(), 5400u);
        QCOMPARE(trigger.ExecutionTimeLimit(), 7200u);

        TAdvancedSettings read = DefaultAdvancedSettings(start);
        ReadTriggerSettings(trigger, start, start.addDays(-10), read);
        QVERIFY(read.UseEndDate);
        QCOMPARE(read.EndDate, QDateTime(start.date(), QTime(23, 59, 59)));
        QCOMPARE(read.MinutesInterval, 90);
        QCOMPARE(read.MinutesDuration, 600);
        QVERIFY(read.StopEndDuration && read.UseLimit);
        QCOMPARE(read.MinutesLimit, 120);

        // Expired: the end is no longer used; the offered end is a year after registration.
        ReadTriggerSettings(trigger, start, start.addDays(10), read);
        QVERIFY(!read.UseEndDate);
        QCOMPARE(read.EndDate, start.addDays(366).addSecs(-1));
        set.UseEndDate = set.RepeatTask = set.UseLimit = false;
        WriteTriggerSettings(set, start, trigger);
        QVERIFY(!trigger.EndTime().isValid());
        QCOMPARE(trigger.Interval() + trigger.Duration() + trigger.ExecutionTimeLimit(), 0u);
    }

    void registrationErrors()
    {
        QVERIFY(MayRetryRegistration(TaskResult::kLogonFailure));
        QVERIFY(MayRetryRegistration(TaskResult::kNoneMapped));
        QVERIFY(MayRetryRegistration(TaskResult::kInvalidArg));
        QVERIFY(!MayRetryRegistration(TaskResult::kAccessDenied));
        QVERIFY(!MayRetryRegistration(TaskResult::kNotImplemented));
        QCOMPARE(SchedulerErrorText(TaskResult::kAccessDenied),
                 QString("Access is denied. (0x80070005)"));
        QCOMPARE(SchedulerErrorText(0x12345), QString("Error code = 0x00012345"));
        QCOMPARE(TaskSchedulerErrorText(HRESULT(0xA0001322)),
                 QString("Windows Task Scheduler 2.0 is not available on Windows XP"));
        QVERIFY(TaskSchedulerErrorText(TaskResult::kServiceNotRunning)
                    .startsWith("Error on connecting to Windows Task Scheduler:\r\n"));
        QVERIFY(HasInvalidTaskNameCharacters("a/b") && HasInvalidTaskNameCharacters("a\tb"));
        QVERIFY(!HasInvalidTaskNameCharacters("Backup-My docs (2)"));
        QCOMPARE(TriggerCaption(0), QString("1st Schedule"));
        QCOMPARE(TriggerCaption(3), QString("4th Schedule"));
    }
};

QTEST_GUILESS_MAIN(tst_TaskSchedLogic)
#include "tst_TaskSchedLogic.moc"
