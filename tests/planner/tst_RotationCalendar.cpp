#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ProgramEnvironment.h"
#include "common/backup/Options.h"
#include "common/infra/IniFileUtils.h"
#include "planner/BackupLauncher.h"
#include "planner/Clock.h"
#include "planner/RotationCalendar.h"
#include "planner/ScheduleRun.h"
#include "support/RecordingReporter.h"

namespace {

class FixedClock : public TClock {
public:
    QDate today;
    QDate Today() const override { return today; }
};

// Records the backup folder of every start and reports success; nothing is started.
class FolderRecorder : public TProcessLauncher {
public:
    QStringList folders;
    TLaunchOutcome Start(const QString& commandLine, bool wait,
                         const std::function<void()>&) override
    {
        for (const QString& word : SplitCommandLine(commandLine))
            if (word.startsWith("/backupdir:"))
                folders << (wait ? "+" : "") + word.mid(11);
        return {};
    }
};

// "folder" for a backup, "+catch-up folder" before it; "wait" and "done" for days without one.
QStringList Summary(const QVector<TCalendarDay>& days)
{
    QStringList out;
    for (const TCalendarDay& d : days) {
        if (d.DoneToday)
            out << "done";
        else if (d.Plan.Waiting)
            out << "wait";
        else
            out << (d.Plan.CatchUpFolder.isEmpty() ? QString() : "+" + d.Plan.CatchUpFolder + " ") +
                       d.Plan.Folder;
    }
    return out;
}

TSchedTask Schedule(int cycles, int steps, bool diff, int firstDay, int nextCyc = 0,
                    int lastFull = 0, int lastDay = 0)
{
    TSchedTask s;
    s.SName = "Daily";
    s.Task = "/tasks/daily.buj";
    s.Cycles = cycles;
    s.Steps = steps;
    s.Diff = diff;
    s.FirstDay = firstDay;
    s.NextCyc = nextCyc;
    s.LastFull = lastFull;
    s.LastDay = lastDay;
    return s;
}

const QDate kWednesday(2025, 1, 1);

} // namespace

Q_DECLARE_METATYPE(TSchedTask)

class tst_RotationCalendar : public QObject {
    Q_OBJECT

private slots:
    void daysAhead_data()
    {
        QTest::addColumn<TSchedTask>("schedule");
        QTest::addColumn<QDate>("today");
        QTest::addColumn<int>("skip"); // days from today to the first shown
        QTest::addColumn<QStringList>("days");
        QTest::newRow("3 cycles of 4, new: wraps after 12 steps")
            << Schedule(3, 4, true, 0) << kWednesday << 0
            << QStringList{"Bu01F", "Bu02D", "Bu03D", "Bu04D", "Bu05F", "Bu06D", "Bu07D",
                           "Bu08D", "Bu09F", "Bu10D", "Bu11D", "Bu12D", "Bu01F"};
        QTest::newRow("100 steps use three digits, incremental")
            << Schedule(10, 10, false, 0) << kWednesday << 0
            << QStringList{"Bu001F", "Bu002I", "Bu003I"};
        QTest::newRow("weekly from a Wednesday waits for Monday, then catches up in week 2")
            << Schedule(2, 7, true, 1) << kWednesday << 0
            << QStringList{"wait",   "wait",   "wait",           "wait",   "wait",
                           "BuMo1F", "BuTu1D", "BuWe1D",         "BuTh1D", "BuFr1D",
                           "BuSa1D", "BuSu1D", "+BuMo2F BuMo2F", "BuTu2D"};
        QTest::newRow("missed Monday: catch-up full first, incremental day")
            << Schedule(2, 7, false, 1, 8, 1) << QDate(2025, 1, 7) << 0
            << QStringList{"+BuMo2F BuTu2I", "BuWe2I"};
        QTest::newRow("today's backup done: the next step tomorrow")
            << Schedule(3, 4, true, 0, 5, 0, DaysSince1899(kWednesday)) << kWednesday << 0
            << QStringList{"done", "Bu05F", "Bu06D"};
        QTest::newRow("a later first day continues the rotation")
            << Schedule(3, 4, true, 0, 1) << kWednesday << 12 << QStringList{"Bu01F", "Bu02D"};
        QTest::newRow("two weeks ahead of a weekly rotation")
            << Schedule(2, 7, true, 3, 1, 0) << kWednesday << 14
            << QStringList{"+BuWe1F BuWe1F", "BuTh1D"};
    }

    void daysAhead()
    {
        QFETCH(TSchedTask, schedule);
        QFETCH(QDate, today);
        QFETCH(int, skip);
        QFETCH(QStringList, days);
        const QVector<TCalendarDay> calendar =
            RotationCalendar(schedule, today, today.addDays(skip), int(days.size()));
        QCOMPARE(Summary(calendar), days);
        QCOMPARE(calendar.first().Date, today.addDays(skip));
    }

    // What the calendar foresees is what daily runs of the schedule make.
    void runsMakeWhatTheCalendarForesaw()
    {
        QTemporaryDir dir;
        const QString ini = dir.filePath("KvPlaner.ini");
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Config]\nCount=1\n[Sched00]\nName=Daily\nTask=/t/daily.buj\nCycles=2\n"
                "Steps=7\nFirstDay=5\nDifferential=0\n");
        f.close();
        FixedClock clock;
        clock.today = kWednesday;
        const TSchedTask stored = LoadPlanerSettings(ini, "").Schedules.at(0);
        QStringList foreseen;
        for (const QString& day : Summary(RotationCalendar(stored, kWednesday, kWednesday, 20)))
            if (day != "wait")
                foreseen << day.split(' ');

        RecordingReporter reporter;
        FolderRecorder launcher;
        for (int i = 0; i < 20; ++i) {
            clock.today = kWednesday.addDays(i);
            TPlanerRun run(reporter, launcher, clock);
            run.IniName = ini;
            run.KvPath = "/bin/true";
            run.IsBatch = true;
            run.Settings = LoadPlanerSettings(ini, "");
            run.StartSchedule(0, QString());
        }
        QCOMPARE(launcher.folders, foreseen);
    }

    void nothingForWhatCannotBeForeseen_data()
    {
        QTest::addColumn<TSchedTask>("schedule");
        QTest::addColumn<int>("skip");
        QTest::addColumn<int>("count");
        QTest::newRow("no cycles") << Schedule(0, 4, true, 0) << 0 << 28;
        QTest::newRow("first day in the past") << Schedule(2, 4, true, 0) << -1 << 28;
        QTest::newRow("beyond the reach") << Schedule(2, 4, true, 0) << kMaxCalendarReach + 1 << 1;
        QTest::newRow("no days") << Schedule(2, 4, true, 0) << 0 << 0;
        QTest::newRow("too many days") << Schedule(2, 4, true, 0) << 0 << kMaxCalendarDays + 1;
    }

    void nothingForWhatCannotBeForeseen()
    {
        QFETCH(TSchedTask, schedule);
        QFETCH(int, skip);
        QFETCH(int, count);
        QVERIFY(RotationCalendar(schedule, kWednesday, kWednesday.addDays(skip), count).isEmpty());
    }

    void cellsOfTheTable()
    {
        const TSchedTask weekly = Schedule(2, 7, true, 1, 8, 1);
        const QVector<TCalendarDay> days =
            RotationCalendar(weekly, QDate(2025, 1, 7), QDate(2025, 1, 7), 1);
        QCOMPARE(CalendarCells(weekly, days.first(), "2025-01-07"),
                 (QStringList{"2025-01-07", "Tue", "8", "Differential", "BuTu2D", "BuMo2F"}));
        const TSchedTask waiting = Schedule(2, 7, true, 1);
        QCOMPARE(
            CalendarCells(waiting, RotationCalendar(waiting, kWednesday, kWednesday, 1)[0], "x"),
            (QStringList{"x", "Wed", "", "none, waits for Monday", "", ""}));
    }

    // The program prints the table without a display.
    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QStringList>("out");
        QTest::addColumn<QString>("err");
        QTest::newRow("three days")
            << QStringList{"demo", "3"} << 0
            << QStringList{"Schedule \"Demo\": 2 cycles of 3 steps: a full backup at the start of "
                           "each "
                           "cycle, differential backups in between.",
                           "Date        Day  Step  Mode          Folder  Catch-up full",
                           "2025-01-01  Wed  1     Full          Bu01F",
                           "2025-01-02  Thu  2     Differential  Bu02D",
                           "2025-01-03  Fri  3     Differential  Bu03D",
                           "A day without a run is not made up: the next run makes the step that "
                           "was "
                           "due, so the rest of the rotation moves one day later."}
            << QString();
        QTest::newRow("from a later day")
            << QStringList{"Demo", "2025-01-07", "1"} << 0
            << QStringList{"2025-01-07  Tue  1     Full  Bu01F"} << QString();
        QTest::newRow("28 days by default")
            << QStringList{"Demo"} << 0 << QStringList{"2025-01-28  Tue  4     Full          Bu04F"}
            << QString();
        QTest::newRow("unknown schedule")
            << QStringList{"Nightly"} << 2 << QStringList() << "Schedule \"Nightly\" not found!";
        QTest::newRow("no name") << QStringList() << 2 << QStringList()
                                 << "Usage: KvPlaner --calendar NAME [DAYS] [FIRST-DAY]";
        QTest::newRow("wrong number of days") << QStringList{"Demo", "400"} << 2 << QStringList()
                                              << "\"400\" is neither a number of days";
        QTest::newRow("first day in the past")
            << QStringList{"Demo", "2024-12-31"} << 2 << QStringList() << "lies outside!";
    }

    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exitCode);
        QFETCH(QStringList, out);
        QFETCH(QString, err);
        QTemporaryDir dir;
        const QString ini = dir.filePath("plans.ini");
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[Config]\nCount=1\n[Sched00]\nName=Demo\nTask=/t/demo.buj\nCycles=2\nSteps=3\n"
                "FirstDay=0\n");
        f.close();
        QProcessEnvironment env = ProgramEnvironment(dir.path());
        env.insert("HOME", dir.path());
        env.insert("XDG_CONFIG_HOME", dir.filePath("config"));
        env.insert("LC_ALL", "C");
        env.insert("DISPLAY", ":98"); // a display changes nothing: the calendar loads no window
        if (!SetToday(env, kWednesday, "KvPlaner"))
            QSKIP("libfaketime is not installed");
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(KV_BIN_DIR "/KvPlaner",
                QStringList{"--calendar"} + args + QStringList{"/ini:" + ini});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), exitCode);
        const QString stdOut = QString::fromUtf8(p.readAllStandardOutput());
        for (const QString& line : out)
            QVERIFY2(stdOut.contains(line + "\n"), qPrintable(stdOut));
        QVERIFY2(QString::fromUtf8(p.readAllStandardError()).contains(err), qPrintable(err));
        if (exitCode != 0)
            QVERIFY(stdOut.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_RotationCalendar)
#include "tst_RotationCalendar.moc"
