#include <QTest>

#include "common/tasks/NextRunTime.h"
#include "common/tasks/WinTask.h"

namespace {

QDateTime At(int y, int mo, int d, int h = 0, int mi = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi));
}

} // namespace

// Times are local clock times in Europe/Berlin (set by the test's environment).
class tst_NextRunTime : public QObject {
    Q_OBJECT

private slots:
    void nextRun_data()
    {
        QTest::addColumn<QString>("xml"); // the trigger element
        QTest::addColumn<QDateTime>("after");
        QTest::addColumn<QDateTime>("next");
        const auto daily = [](int days, const char* start) {
            return QString("<CalendarTrigger><StartBoundary>%1</StartBoundary><ScheduleByDay>"
                           "<DaysInterval>%2</DaysInterval></ScheduleByDay></CalendarTrigger>")
                .arg(start)
                .arg(days);
        };
        QTest::newRow("one time ahead")
            << "<TimeTrigger><StartBoundary>2025-03-01T14:05:00</StartBoundary></TimeTrigger>"
            << At(2025, 2, 1) << At(2025, 3, 1, 14, 5);
        QTest::newRow("one time passed")
            << "<TimeTrigger><StartBoundary>2025-03-01T14:05:00</StartBoundary></TimeTrigger>"
            << At(2025, 3, 1, 14, 5) << QDateTime();
        QTest::newRow("one time repeating")
            << "<TimeTrigger><Repetition><Interval>PT1H</Interval><Duration>PT3H</Duration>"
               "</Repetition><StartBoundary>2025-03-01T14:05:00</StartBoundary></TimeTrigger>"
            << At(2025, 3, 1, 15, 30) << At(2025, 3, 1, 16, 5);
        QTest::newRow("repetition over")
            << "<TimeTrigger><Repetition><Interval>PT1H</Interval><Duration>PT3H</Duration>"
               "</Repetition><StartBoundary>2025-03-01T14:05:00</StartBoundary></TimeTrigger>"
            << At(2025, 3, 1, 16, 30) << QDateTime();
        QTest::newRow("daily later today")
            << daily(1, "2025-01-01T06:30:00") << At(2025, 3, 5, 6, 0) << At(2025, 3, 5, 6, 30);
        QTest::newRow("daily tomorrow")
            << daily(1, "2025-01-01T06:30:00") << At(2025, 3, 5, 6, 30) << At(2025, 3, 6, 6, 30);
        QTest::newRow("every 3 days across february of a leap year")
            << daily(3, "2024-02-26T06:30:00") << At(2024, 2, 27) << At(2024, 2, 29, 6, 30);
        QTest::newRow("every 3 days, common year")
            << daily(3, "2025-02-26T06:30:00") << At(2025, 2, 27) << At(2025, 3, 1, 6, 30);
        QTest::newRow("daily not before start")
            << daily(1, "2025-06-01T06:30:00") << At(2025, 3, 1) << At(2025, 6, 1, 6, 30);
        QTest::newRow("daily past end")
            << "<CalendarTrigger><StartBoundary>2025-01-01T06:30:00</StartBoundary>"
               "<EndBoundary>2025-03-05T12:00:00</EndBoundary><ScheduleByDay><DaysInterval>1"
               "</DaysInterval></ScheduleByDay></CalendarTrigger>"
            << At(2025, 3, 5, 7, 0) << QDateTime();
        QTest::newRow("disabled")
            << "<CalendarTrigger><StartBoundary>2025-01-01T06:30:00</StartBoundary><Enabled>false"
               "</Enabled><ScheduleByDay><DaysInterval>1</DaysInterval></ScheduleByDay></"
               "CalendarTrigger>"
            << At(2025, 3, 5) << QDateTime();
        const QString weekly =
            "<CalendarTrigger><StartBoundary>2025-03-03T22:00:00</StartBoundary><ScheduleByWeek>"
            "<DaysOfWeek><Monday/><Friday/></DaysOfWeek><WeeksInterval>2</WeeksInterval>"
            "</ScheduleByWeek></CalendarTrigger>";
        QTest::newRow("weekly same week") << weekly << At(2025, 3, 4) << At(2025, 3, 7, 22, 0);
        QTest::newRow("weekly skips a week") << weekly << At(2025, 3, 8) << At(2025, 3, 17, 22, 0);
        const QString monthly =
            "<CalendarTrigger><StartBoundary>2024-01-01T10:00:00</StartBoundary><ScheduleByMonth>"
            "<DaysOfMonth><Day>31</Day><Day>Last</Day></DaysOfMonth><Months><February/><April/>"
            "<May/></Months></ScheduleByMonth></CalendarTrigger>";
        QTest::newRow("last day of a leap february")
            << monthly << At(2024, 2, 1) << At(2024, 2, 29, 10, 0);
        QTest::newRow("last day of april, no 31st")
            << monthly << At(2024, 3, 1) << At(2024, 4, 30, 10, 0);
        QTest::newRow("31st and last day once")
            << monthly << At(2024, 5, 1) << At(2024, 5, 31, 10, 0);
        QTest::newRow("next year's february")
            << monthly << At(2024, 6, 1) << At(2025, 2, 28, 10, 0);
        QTest::newRow("29 february only in leap years")
            << "<CalendarTrigger><StartBoundary>2025-01-01T10:00:00</"
               "StartBoundary><ScheduleByMonth>"
               "<DaysOfMonth><Day>29</Day></DaysOfMonth><Months><February/></Months>"
               "</ScheduleByMonth></CalendarTrigger>"
            << At(2025, 1, 1) << At(2028, 2, 29, 10, 0);
        const QString lastSunday =
            "<CalendarTrigger><StartBoundary>2025-01-01T10:00:00</StartBoundary>"
            "<ScheduleByMonthDayOfWeek><Weeks><Week>Last</Week></Weeks><DaysOfWeek><Sunday/>"
            "</DaysOfWeek><Months><March/><November/></Months></ScheduleByMonthDayOfWeek>"
            "</CalendarTrigger>";
        QTest::newRow("last sunday of march")
            << lastSunday << At(2025, 3, 1) << At(2025, 3, 30, 10, 0);
        QTest::newRow("last sunday of november")
            << lastSunday << At(2025, 3, 31) << At(2025, 11, 30, 10, 0);
        QTest::newRow("second tuesday")
            << "<CalendarTrigger><StartBoundary>2025-01-01T10:00:00</StartBoundary>"
               "<ScheduleByMonthDayOfWeek><Weeks><Week>2</Week></Weeks><DaysOfWeek><Tuesday/>"
               "</DaysOfWeek><Months><April/></Months></ScheduleByMonthDayOfWeek></CalendarTrigger>"
            << At(2025, 1, 1) << At(2025, 4, 8, 10, 0);
        QTest::newRow("logon never")
            << "<LogonTrigger><StartBoundary>2025-01-01T10:00:00</StartBoundary></LogonTrigger>"
            << At(2025, 1, 1) << QDateTime();
        QTest::newRow("boot never") << "<BootTrigger/>" << At(2025, 1, 1) << QDateTime();
        QTest::newRow("event never")
            << "<EventTrigger><Subscription>q</Subscription></EventTrigger>" << At(2025, 1, 1)
            << QDateTime();
        QTest::newRow("idle never") << "<IdleTrigger/>" << At(2025, 1, 1) << QDateTime();
    }
    void nextRun()
    {
        QFETCH(QString, xml);
        QFETCH(QDateTime, after);
        QFETCH(QDateTime, next);
        const TTaskDefinitionData def =
            DefinitionFromXml("<Task><Triggers>" + xml + "</Triggers></Task>");
        QCOMPARE(int(def.triggers.size()), 1);
        QCOMPARE(NextTaskRun(def, after), next);
    }

    void daylightSavingChanges()
    {
        TWinTask task;
        TWinTaskTrigger& t = task.NewTrigger(ttDaily);
        t.SetStartTime(At(2025, 3, 1, 6, 30));
        // Across the change the clock time stays; the day is 23 or 25 hours long.
        const QDateTime spring = NextTriggerRun(t.TaskTrigger(), At(2025, 3, 30, 6, 30));
        QCOMPARE(spring, At(2025, 3, 31, 6, 30));
        QCOMPARE(At(2025, 3, 30, 6, 30).secsTo(spring), 24 * 3600);
        const QDateTime before = NextTriggerRun(t.TaskTrigger(), At(2025, 3, 28, 7, 0));
        QCOMPARE(before.secsTo(NextTriggerRun(t.TaskTrigger(), before)), 23 * 3600);
        const QDateTime autumn = NextTriggerRun(t.TaskTrigger(), At(2025, 10, 24, 7, 0));
        QCOMPARE(autumn.secsTo(NextTriggerRun(t.TaskTrigger(), autumn)), 25 * 3600);
        // An hourly repetition counts real hours through the changed night.
        t.SetStartTime(At(2025, 3, 29, 23, 0));
        t.SetInterval(3600);
        t.SetDuration(6 * 3600);
        const QDateTime night = NextTriggerRun(t.TaskTrigger(), At(2025, 3, 30, 1, 30));
        QCOMPARE(night, At(2025, 3, 30, 3, 0)); // 02:00 does not exist that night
        // A start in the missing hour runs when the clock has gone past it.
        TWinTask gap;
        TWinTaskTrigger& g = gap.NewTrigger(ttDaily);
        g.SetStartTime(At(2025, 3, 1, 2, 30));
        const QDateTime shifted = NextTriggerRun(g.TaskTrigger(), At(2025, 3, 30, 0, 0));
        QCOMPARE(shifted.date(), QDate(2025, 3, 30));
        QVERIFY(shifted.time() >= QTime(3, 0));
    }

    void earliestTriggerWins()
    {
        TWinTask task;
        task.NewTrigger(ttTime).SetStartTime(At(2025, 5, 1, 8, 0));
        task.NewTrigger(ttLogon);
        task.NewTrigger(ttTime).SetStartTime(At(2025, 4, 1, 8, 0));
        QCOMPARE(NextTaskRun(task.Definition(), At(2025, 1, 1)), At(2025, 4, 1, 8, 0));
        QCOMPARE(NextTaskRun(task.Definition(), At(2025, 4, 2)), At(2025, 5, 1, 8, 0));
    }
};

QTEST_GUILESS_MAIN(tst_NextRunTime)
#include "tst_NextRunTime.moc"
