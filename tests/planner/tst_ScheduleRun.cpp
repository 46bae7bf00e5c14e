#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "common/backup/Options.h"
#include "common/infra/IniFileUtils.h"
#include "planner/BackupLauncher.h"
#include "planner/Clock.h"
#include "planner/ScheduleRun.h"
#include "support/RecordingReporter.h"
#include "support/ScopedEnv.h"

namespace {

class FixedClock : public TClock {
public:
    QDate today;
    QDate Today() const override { return today; }
};

// Starts the real program and records each command line; the program is always waited for,
// so that what it did is complete when the run returns.
class RecordingLauncher : public TProcessLauncher {
public:
    struct Call {
        QStringList words;
        bool wait;
    };
    std::vector<Call> calls;
    TSpawnLauncher real;

    TLaunchOutcome Start(const QString& commandLine, bool wait,
                         const std::function<void()>& events) override
    {
        calls.push_back({SplitCommandLine(commandLine), wait});
        return real.Start(commandLine, true, events);
    }
    // "mode:folder" of each start, "+" marking one that was waited for.
    QStringList Steps() const
    {
        QStringList steps;
        for (const Call& c : calls) {
            const QString mode = c.words.value(3).section(u':', 1);
            const QString folder = c.words.value(4).section(u':', 1);
            steps << (c.wait ? "+" : "") + mode + ":" + folder;
        }
        return steps;
    }
};

const QString kFake = QStringLiteral(KV_BIN_DIR "/fake-kelvara");

} // namespace

class tst_ScheduleRun : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString ini;
    QString task;
    RecordingReporter reporter;
    RecordingLauncher launcher;
    FixedClock clock;

    void WriteSchedule(int cycles, int steps, bool diff = true, int firstDay = 1,
                       const QString& extra = QString())
    {
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QString("[Config]\nCount=2\n[Sched00]\nName=Other\n[Sched01]\nName=Daily\n"
                        "Task=%1\nCycles=%2\nSteps=%3\nDifferential=%4\nFirstDay=%5\n%6")
                    .arg(task)
                    .arg(cycles)
                    .arg(steps)
                    .arg(diff ? 1 : 0)
                    .arg(firstDay)
                    .arg(extra)
                    .toUtf8());
    }
    QByteArray FileBytes() const
    {
        QFile f(ini);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int Stored(const char* key) const
    {
        return TUnicodeIniFile::CreateForRead(ini)->ReadInteger("Sched01", key, -99);
    }
    std::unique_ptr<TPlanerRun> MakeRun(const QStringList& args, bool batch, bool intAct = false)
    {
        auto run = std::make_unique<TPlanerRun>(reporter, launcher, clock);
        run->AppPath = dir->path() + "/";
        run->IniName = ini;
        run->KvPath = kFake;
        run->IsBatch = batch;
        run->IntAct = intAct;
        run->EventSource = true;
        run->ReadCommandLine(args);
        run->Settings = LoadPlanerSettings(run->IniName, "");
        run->BuildDefOptions();
        return run;
    }
    // One day's run of the schedule "Daily"; the starts of that day.
    QStringList Day(const QDate& date, bool batch = true, bool intAct = false,
                    const QStringList& more = {})
    {
        clock.today = date;
        launcher.calls.clear();
        reporter.Clear();
        auto run = MakeRun(QStringList{"Daily"} + more, batch, intAct);
        if (!run->CheckSchedule())
            return {"window"};
        return launcher.Steps();
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        ini = dir->filePath("KvPlaner.ini");
        task = dir->filePath("my task.buj");
        QFile t(task);
        QVERIFY(t.open(QIODevice::WriteOnly));
        launcher.calls.clear();
        reporter.Clear();
        reporter.answers.clear();
    }

    void daysAreCountedFrom1899()
    {
        QCOMPARE(DaysSince1899(QDate(2025, 1, 1)), 45658);
        QCOMPARE(DaysSince1899(QDate(1899, 12, 30)), 0);
    }

    // 3 cycles of 4 steps, one start a day, two whole rotations and the start of a third.
    void countedRotationWrapsTwice()
    {
        WriteSchedule(3, 4);
        const QStringList rotation = {
            "full:Bu01F", "differential:Bu02D", "differential:Bu03D", "differential:Bu04D",
            "full:Bu05F", "differential:Bu06D", "differential:Bu07D", "differential:Bu08D",
            "full:Bu09F", "differential:Bu10D", "differential:Bu11D", "differential:Bu12D"};
        const QDate first(2025, 3, 1);
        for (int day = 0; day < 25; ++day) {
            const int step = day % 12 + 1;
            QCOMPARE(Day(first.addDays(day)), QStringList{rotation[day % 12]});
            QCOMPARE(Stored("NextCycle"), step % 12 + 1);
            QCOMPARE(Stored("LastDay"), DaysSince1899(first.addDays(day)));
            QCOMPARE(reporter.EventIds(), std::vector<uint32_t>{kEvBackupStarted});
            QCOMPARE(reporter.events[0].strings,
                     QStringList({"Daily", task, step % 4 == 1 ? "Full" : "Differential",
                                  QString::number(step % 12 + 1)}));
        }
        const QStringList words = launcher.calls[0].words;
        QCOMPARE(words, QStringList({kFake, task, "/startapp:kvplaner", "/mode:full",
                                     "/backupdir:Bu01F", "/force", "/hide", "/logmode:1"}));
    }

    void hundredStepsUseThreeDigits()
    {
        WriteSchedule(10, 10, false);
        QCOMPARE(Day(QDate(2025, 3, 1)), QStringList{"full:Bu001F"});
        QCOMPARE(Day(QDate(2025, 3, 2)), QStringList{"incremental:Bu002I"});
    }

    // A weekly schedule started on a Wednesday waits for Monday, then runs its two weeks
    // twice over.
    void weeklyRotationFromWednesday()
    {
        WriteSchedule(2, 7);
        const QByteArray untouched = FileBytes();
        const QDate wednesday(2025, 1, 1);
        for (int day = 0; day < 5; ++day) {
            QCOMPARE(Day(wednesday.addDays(day), false), QStringList());
            QCOMPARE(reporter.Hints(),
                     QStringList({"First full backup on next \"Monday\"!\r\nSchedule: "
                                  "Daily\r\nBackup task: " +
                                  task}));
            QCOMPARE(reporter.messages[0].delay, 5);
        }
        QCOMPARE(FileBytes(), untouched);
        const QStringList days = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};
        const QDate monday(2025, 1, 6);
        for (int day = 0; day < 29; ++day) {
            const int step = day % 14 + 1;
            const int cycle = (step - 1) / 7 + 1;
            const bool full = day % 7 == 0;
            const QString folder =
                "Bu" + days[day % 7] + QString::number(cycle) + (full ? "F" : "D");
            // From the second start weekday on, the cycle's full backup is made first (waited
            // for) and then the day's own full backup into the same folder.
            QStringList expected{(full ? "full:" : "differential:") + folder};
            if (full && day > 0)
                expected.prepend("+full:" + folder); // "+": waited for
            QCOMPARE(Day(monday.addDays(day)), expected);
            QCOMPARE(Stored("NextCycle"), step % 14 + 1);
            QCOMPARE(Stored("LastFull"), cycle == 1 ? 1 : 8);
        }
    }

    // The start weekday was missed: the cycle's full backup is made first, and waited for.
    void missedStartWeekdayCatchesUp()
    {
        WriteSchedule(2, 7, true, 1, "NextCycle=8\nLastFull=1\n");
        const QDate tuesday(2025, 1, 14);
        QCOMPARE(Day(tuesday, false), QStringList({"+full:BuMo2F", "differential:BuTu2D"}));
        QCOMPARE(Stored("LastFull"), 8);
        QCOMPARE(Stored("NextCycle"), 9);
        QCOMPARE(reporter.Hints(),
                 QStringList({"Backup started for schedule: Daily\r\nBackup task: " + task +
                                  "\r\nMode: Full / Step: 8",
                              "Backup started for schedule: Daily\r\nBackup task: " + task +
                                  "\r\nMode: Differential / Step: 9"}));
        QCOMPARE(Day(tuesday.addDays(1)), QStringList{"differential:BuWe2D"});
    }

    void incrementalWeekly()
    {
        WriteSchedule(2, 7, false, 2, "NextCycle=1\n");
        QCOMPARE(Day(QDate(2025, 1, 7)), QStringList{"full:BuTu1F"});
        QCOMPARE(Day(QDate(2025, 1, 8), false), QStringList{"incremental:BuWe1I"});
        QVERIFY(reporter.Hints().value(0).endsWith("Mode: Incremental / Step: 3"));
    }

    void sameDayRepeat_data()
    {
        QTest::addColumn<bool>("batch");
        QTest::addColumn<bool>("intAct");
        QTest::addColumn<bool>("answer");
        QTest::addColumn<QStringList>("starts");
        QTest::newRow("scheduled task") << true << false << false << QStringList();
        QTest::newRow("interactive session") << false << false << false << QStringList();
        QTest::newRow("shortcut, No") << false << true << false << QStringList();
        QTest::newRow("shortcut, Yes")
            << false << true << true << QStringList{"differential:Bu02D"};
    }
    void sameDayRepeat()
    {
        QFETCH(bool, batch);
        QFETCH(bool, intAct);
        QFETCH(bool, answer);
        QFETCH(QStringList, starts);
        WriteSchedule(3, 4);
        const QDate day(2025, 3, 1);
        Day(day.addDays(-1));
        QCOMPARE(Day(day), QStringList{"differential:Bu02D"});
        const QByteArray before = FileBytes();
        reporter.answers = {answer};
        QCOMPARE(Day(day, batch, intAct), starts);
        QCOMPARE(Stored("NextCycle"), 3);
        if (starts.isEmpty())
            QCOMPARE(FileBytes(), before);
        const QString done = "Backup already done for this day!\r\nSchedule: Daily\r\nBackup "
                             "task: " +
                             task;
        if (batch) {
            QCOMPARE(reporter.EventIds(), std::vector<uint32_t>{kEvAlreadyDone});
            QCOMPARE(reporter.events[0].strings, QStringList({"Daily", task}));
        } else {
            QCOMPARE(reporter.messages[0].hint, intAct ? done + "\r\nRun again?" : done);
            QCOMPARE(reporter.messages[0].kind, intAct ? RecordingReporter::Message::Confirm
                                                       : RecordingReporter::Message::Information);
        }
    }

    // The earlier run of the day had wrapped the rotation: the repeat makes its last step.
    void repeatAfterWrapMakesLastStep()
    {
        WriteSchedule(3, 4, true, 0, "NextCycle=12\n");
        const QDate day(2025, 3, 1);
        QCOMPARE(Day(day), QStringList{"differential:Bu12D"});
        QCOMPARE(Stored("NextCycle"), 1);
        reporter.answers = {true};
        QCOMPARE(Day(day, false, true), QStringList{"differential:Bu12D"});
        QCOMPARE(Stored("NextCycle"), 1);
        QCOMPARE(Day(day.addDays(1)), QStringList{"full:Bu01F"});
    }

    void unknownSchedule_data()
    {
        QTest::addColumn<bool>("batch");
        QTest::addColumn<QString>("name");
        QTest::newRow("batch") << true << "Nightly";
        QTest::newRow("interactive") << false << "Nightly";
        QTest::newRow("batch, no name") << true << "";
        QTest::newRow("interactive, no name") << false << "";
    }
    void unknownSchedule()
    {
        QFETCH(bool, batch);
        QFETCH(QString, name);
        WriteSchedule(3, 4);
        auto run = MakeRun(name.isEmpty() ? QStringList() : QStringList{name}, batch);
        QCOMPARE(run->CheckSchedule(), batch);
        QVERIFY(launcher.calls.empty());
        if (batch) {
            QCOMPARE(reporter.EventIds(), std::vector<uint32_t>{kEvScheduleNotFound});
            QCOMPARE(reporter.events[0].type, TEventType::Error);
            QCOMPARE(reporter.events[0].strings, QStringList({name, ini}));
        } else {
            QVERIFY(reporter.events.empty());
            QCOMPARE(reporter.Hints(), name.isEmpty()
                                           ? QStringList()
                                           : QStringList{"Schedule \"Nightly\" not found!"});
        }
    }

    void missingSettingsFileAndProgram()
    {
        ini = dir->filePath("absent.ini");
        auto run = MakeRun({"Daily"}, false);
        run->KvPath.clear();
        QVERIFY(!run->CheckSchedule());
        QCOMPARE(reporter.Hints(),
                 QStringList({"\"Kelvara\" not found on this system!",
                              "Kelvara\r\nFile\r\n\"" + ini + "\"\r\nnot found!"}));
        reporter.Clear();
        auto batchRun = MakeRun({"Daily"}, true);
        batchRun->KvPath.clear();
        QVERIFY(batchRun->CheckSchedule());
        QCOMPARE(reporter.EventIds(),
                 std::vector<uint32_t>({kEvProgramNotFound, kEvScheduleNotFound}));
        QVERIFY(!QFile::exists(ini));
    }

    // Cycles or steps of 0 or less cannot run: told like an unknown schedule, file untouched.
    void rotationWithoutStepsIsNotStarted_data()
    {
        QTest::addColumn<int>("cycles");
        QTest::addColumn<int>("steps");
        QTest::addColumn<bool>("batch");
        QTest::newRow("no cycles, batch") << 0 << 4 << true;
        QTest::newRow("no steps, interactive") << 3 << 0 << false;
        QTest::newRow("negative both") << -2 << -7 << false;
        QTest::newRow("product beyond 32 bits") << 2000000 << 2000000 << true;
    }
    void rotationWithoutStepsIsNotStarted()
    {
        QFETCH(int, cycles);
        QFETCH(int, steps);
        QFETCH(bool, batch);
        WriteSchedule(cycles, steps, true, 1, "NextCycle=1\n");
        const QByteArray before = FileBytes();
        QCOMPARE(Day(QDate(2025, 3, 3), batch), batch ? QStringList() : QStringList{"window"});
        QVERIFY(launcher.calls.empty());
        QCOMPARE(FileBytes(), before);
        if (batch) {
            QCOMPARE(reporter.EventIds(), std::vector<uint32_t>{kEvScheduleNotFound});
            QCOMPARE(reporter.events[0].strings, QStringList({"Daily", ini}));
        } else {
            QCOMPARE(reporter.messages.size(), size_t(1));
            QCOMPARE(reporter.messages[0].kind, RecordingReporter::Message::Error);
            QVERIFY(reporter.messages[0].hint.contains("\"Daily\""));
        }
    }

    void commandLine_data()
    {
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("iniName"); // empty: the default
        QTest::addColumn<int>("wait");
        QTest::addColumn<QString>("flags"); // i interactive, d dark
        QTest::addColumn<QString>("other");
        QTest::addColumn<QString>("schedName");
        const QString app = "@/";
        QTest::newRow("name only") << QStringList{"Daily"} << "" << 5 << ""
                                   << ""
                                   << "Daily";
        QTest::newRow("last name wins") << QStringList{"A", "B"} << "" << 5 << ""
                                        << ""
                                        << "B";
        QTest::newRow("/i: absolute") << QStringList{"/i:/x/plan"} << "/x/plan.ini" << 5 << ""
                                      << ""
                                      << "";
        QTest::newRow("/ini: bare name") << QStringList{"/ini:plan"} << app + "plan.ini" << 5 << ""
                                         << ""
                                         << "";
        QTest::newRow("dot in a folder only")
            << QStringList{"-INI:/home/john.doe/plan"} << "/home/john.doe/plan.ini" << 5 << ""
            << ""
            << "";
        QTest::newRow("extension kept") << QStringList{"/ini:/x/p.cfg"} << "/x/p.cfg" << 5 << ""
                                        << ""
                                        << "";
        QTest::newRow("delay no number") << QStringList{"/delay:abc"} << "" << 5 << ""
                                         << ""
                                         << "";
        QTest::newRow("delay 20") << QStringList{"/de:20 s"} << "" << 20 << ""
                                  << ""
                                  << "";
        QTest::newRow("short options") << QStringList{"/i", "/d"} << "" << 5 << "id"
                                       << ""
                                       << "";
        QTest::newRow("slash alone") << QStringList{"/"} << "" << 5 << "i"
                                     << ""
                                     << "";
        QTest::newRow("others passed on")
            << QStringList{"Daily", "/prompt:quiet", "-lang:de", "/interactiveX", "/delay"} << ""
            << 5 << ""
            << " /prompt:quiet -lang:de /interactiveX /delay"
            << "Daily";
    }
    void commandLine()
    {
        QFETCH(QStringList, args);
        QFETCH(QString, iniName);
        QFETCH(int, wait);
        QFETCH(QString, flags);
        QFETCH(QString, other);
        QFETCH(QString, schedName);
        auto run = MakeRun(args, false);
        iniName.replace("@/", run->AppPath);
        QCOMPARE(run->IniName, iniName.isEmpty() ? ini : iniName);
        QCOMPARE(run->UseAltIni, !iniName.isEmpty());
        QCOMPARE(run->Wait, wait);
        QCOMPARE(run->IntAct, flags.contains('i'));
        QCOMPARE(run->UseDarkMode, flags.contains('d'));
        QCOMPARE(run->OtherOptions, other);
        QCOMPARE(run->SchedName, schedName);
        QCOMPARE(run->DefOptions,
                 " /hide /logmode:1" +
                     (iniName.isEmpty() ? QString() : OptionText("ini", run->IniName)));
    }

    void defOptionsQuoteAPathWithBlank()
    {
        auto run = MakeRun({"/ini:/my dir/plan"}, false);
        QCOMPARE(run->DefOptions, QString(" /hide /logmode:1 \"/ini:/my dir/plan.ini\""));
    }

    void passedOptionsReplaceDefaults()
    {
        WriteSchedule(3, 4);
        Day(QDate(2025, 3, 1), true, false, {"/prompt:quiet"});
        QCOMPARE(launcher.calls.size(), size_t(1));
        QCOMPARE(launcher.calls[0].words.mid(5), QStringList({"/force", "/prompt:quiet"}));
    }

    void failedStartStoresNothing_data()
    {
        QTest::addColumn<bool>("batch");
        QTest::newRow("quiet") << true;
        QTest::newRow("messages") << false;
    }
    void failedStartStoresNothing()
    {
        QFETCH(bool, batch);
        WriteSchedule(3, 4);
        const QByteArray before = FileBytes();
        clock.today = QDate(2025, 3, 1);
        auto run = MakeRun({"Daily"}, batch);
        run->KvPath = dir->filePath("no-such-program");
        QVERIFY(run->CheckSchedule());
        QCOMPARE(FileBytes(), before);
        const QString error = SystemErrorText(ENOENT);
        if (batch) {
            QCOMPARE(reporter.EventIds(), std::vector<uint32_t>{kEvStartFailed});
            QCOMPARE(reporter.events[0].type, TEventType::Error);
            QCOMPARE(reporter.events[0].strings, QStringList({error, "Daily", task}));
        } else {
            QCOMPARE(reporter.Hints(),
                     QStringList{
                         "Error " + error +
                         " on starting \"Kelvara\"!\r\nSchedule: Daily\r\nBackup task: " + task});
        }
    }

    // The waited-for full backup failing is told; the day's own backup still runs and counts.
    void catchUpExitCodeIsReported()
    {
        WriteSchedule(2, 7, true, 1, "NextCycle=8\nLastFull=1\n");
        const ScopedEnv exit("FAKE_KELVARA_EXIT", "259"); // only the low byte reaches the caller
        QCOMPARE(Day(QDate(2025, 1, 14)), QStringList({"+full:BuMo2F", "differential:BuTu2D"}));
        QCOMPARE(reporter.EventIds(), std::vector<uint32_t>({kEvStartFailed, kEvBackupStarted}));
        QCOMPARE(reporter.events[0].type, TEventType::Information);
        QCOMPARE(reporter.events[0].strings, QStringList({"ExitCode = 3", "Daily", task}));
        QCOMPARE(Stored("NextCycle"), 9);
        WriteSchedule(2, 7, true, 1, "NextCycle=8\nLastFull=1\n");
        Day(QDate(2025, 1, 14), false);
        QCOMPARE(reporter.Hints().value(0),
                 "\"Kelvara\" returned exit code: 3\r\nSchedule: Daily\r\nBackup task: " + task);
    }

    void progressWriteFailureIsReported()
    {
        WriteSchedule(3, 4);
        QFile::setPermissions(ini, QFileDevice::ReadOwner);
        const QByteArray before = FileBytes();
        QCOMPARE(Day(QDate(2025, 3, 1)), QStringList{"full:Bu01F"});
        QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(reporter.Hints(), QStringList{"Error writing to \"" + ini + "\""});
        QCOMPARE(FileBytes(), before);
    }

    void launchWaitsInSlicesAndKeepsEventsFlowing()
    {
        TSpawnLauncher real;
        int events = 0;
        {
            // Without waiting the start returns while the program still runs: it ends only
            // once the gate file exists (were it waited for, this would never return).
            const QString gate = dir->filePath("gate");
            const ScopedEnv exit("FAKE_KELVARA_EXIT", "4");
            const ScopedEnv held("FAKE_KELVARA_GATE", QFile::encodeName(gate));
            QCOMPARE(LaunchBackupProgram(real, kFake, "x", false, [&] { ++events; }), 0u);
            QFile open(gate);
            QVERIFY(open.open(QIODevice::WriteOnly));
        }
        {
            const ScopedEnv sleep("FAKE_KELVARA_SLEEP", "0.35");
            const ScopedEnv exit("FAKE_KELVARA_EXIT", "4");
            QCOMPARE(LaunchBackupProgram(real, kFake, "x", true, [&] { ++events; }),
                     kExitCodeFlag | 4u);
            QVERIFY(events >= 3);
        }
        QCOMPARE(LaunchBackupProgram(real, kFake, "x", true, {}), 0u);
        QCOMPARE(LaunchBackupProgram(real, "", "x", true, {}), uint32_t(ENOENT));
    }

    void weekdayNamesFollowTheLocale()
    {
        QCOMPARE(WeekdayName(1, true), QString("Monday"));
        QCOMPARE(WeekdayName(7, false), QString("Sun"));
        QLocale::setDefault(QLocale(QLocale::German));
        QCOMPARE(WeekdayName(1, true), QString("Montag"));
        QLocale::setDefault(QLocale::c());
        QCOMPARE(WeekdayName(0, true), QString());
    }
};

QTEST_GUILESS_MAIN(tst_ScheduleRun)
#include "tst_ScheduleRun.moc"
