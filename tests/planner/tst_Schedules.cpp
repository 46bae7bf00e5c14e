#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "common/backup/KvUtils.h"
#include "common/infra/IniFileUtils.h"
#include "planner/Schedules.h"
#include "support/RecordingReporter.h"

class tst_Schedules : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString ini;
    QString task; // an existing task file

    static void WriteText(const QString& path, const QByteArray& text)
    {
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
    static QByteArray ReadBytes(const QString& path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static TSchedTask Named(const QString& name, int cycles = 2, int steps = 7)
    {
        TSchedTask t;
        t.SName = name;
        t.Cycles = cycles;
        t.Steps = steps;
        return t;
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        ini = dir->filePath("KvPlaner.ini");
        task = dir->filePath("daily.buj");
        WriteText(task, "[Global]\n");
    }

    void missingFileGivesNoSchedules()
    {
        const TPlanerSettings s = LoadPlanerSettings(dir->filePath("none.ini"), "/jobs/");
        QVERIFY(s.Schedules.empty());
        QCOMPARE(s.JobDir, QString("/jobs/"));
    }

    // Count beyond the sections present, missing keys, numbers that are none, garbage lines
    // and out-of-range counters all read as the defaults.
    void badValuesReadAsDefaults()
    {
        WriteText(ini, "garbage without equals\n=\n[Config]\nCount=3\nJobDir=/j/\n"
                       "[Sched00]\nName=Week\nCycles=abc\nSteps=99999999999\nNextCycle=-4\n"
                       "LastFull=x\nDifferential=maybe\nSilent=1\n[[broken\n");
        const TPlanerSettings s = LoadPlanerSettings(ini, "/default/");
        QCOMPARE(s.JobDir, QString("/j/"));
        QCOMPARE(s.Schedules.size(), size_t(3));
        const TSchedTask& first = s.Schedules[0];
        QCOMPARE(first.SName, QString("Week"));
        QCOMPARE(first.Cycles, 2);
        QCOMPARE(first.Steps, 7);
        QCOMPARE(first.NextCyc, 0);
        QCOMPARE(first.LastFull, 0);
        QVERIFY(first.Silent);
        for (int i : {1, 2}) {
            const TSchedTask& t = s.Schedules[size_t(i)];
            QCOMPARE(t.SName, ScheduleSection(i));
            QCOMPARE(t.Task, QString());
            QCOMPARE(t.Cycles, 2);
            QCOMPARE(t.Steps, 7);
            QCOMPARE(t.FirstDay, 1);
            QVERIFY(t.Diff);
            QVERIFY(!t.Silent);
            QCOMPARE(t.NextCyc, 0);
        }
    }

    void hugeCountIsBounded()
    {
        WriteText(ini, "[Config]\nCount=2147483647\n[Sched00]\nName=A\n");
        QCOMPARE(LoadPlanerSettings(ini, "").Schedules.size(), size_t(kMaxStoredSchedules));
        WriteText(ini, "[Config]\nCount=-5\n");
        QVERIFY(LoadPlanerSettings(ini, "").Schedules.empty());
    }

    void saveLoadRoundTripAndLimit()
    {
        TPlanerSettings s;
        s.Top = 12;
        s.Left = 34;
        s.JobDir = "/jobs with blank/";
        for (int i = 0; i < 100; ++i) {
            TSchedTask t = Named(QString("S%1").arg(i), 3, 4 + i % 5);
            t.Task = task;
            t.FirstDay = i % 8;
            t.NextCyc = i % 12;
            t.LastFull = i % 3;
            t.LastDay = 45658 + i;
            t.Diff = i % 2;
            t.Silent = i % 3 == 0;
            s.Schedules.push_back(t);
        }
        SavePlanerSettings(ini, s);
        const TPlanerSettings back = LoadPlanerSettings(ini, "");
        QCOMPARE(back.Top, 12);
        QCOMPARE(back.Left, 34);
        QCOMPARE(back.JobDir, s.JobDir);
        QCOMPARE(back.Schedules.size(), size_t(99));
        for (size_t i = 0; i < back.Schedules.size(); ++i) {
            const TSchedTask &a = s.Schedules[i], &b = back.Schedules[i];
            QCOMPARE(b.SName, a.SName);
            QCOMPARE(b.Task, a.Task);
            QCOMPARE(b.Cycles, a.Cycles);
            QCOMPARE(b.Steps, a.Steps);
            QCOMPARE(b.NextCyc, a.NextCyc);
            QCOMPARE(b.LastFull, a.LastFull);
            QCOMPARE(b.LastDay, a.LastDay);
            QCOMPARE(b.Diff, a.Diff);
            QCOMPARE(b.Silent, a.Silent);
        }
        QVERIFY(!TUnicodeIniFile::CreateForRead(ini)->SectionExists("Sched99"));
        QCOMPARE(TUnicodeIniFile::CreateForRead(ini)->ReadString("Unicode", "Program", ""),
                 ProgramName());
    }

    void removeRenumbersSectionsOnSave()
    {
        TPlanerSettings s;
        s.Schedules = {Named("A"), Named("B"), Named("C")};
        SavePlanerSettings(ini, s);
        RecordingReporter r;
        r.answers = {false, true};
        QVERIFY(!RemoveSchedule(s.Schedules, 0, r));
        QVERIFY(RemoveSchedule(s.Schedules, 0, r));
        QCOMPARE(r.Hints().last(), QString("Remove selected backup schedule \"A\" from list?"));
        QVERIFY(!RemoveSchedule(s.Schedules, 5, r));
        SavePlanerSettings(ini, s);
        const auto file = TUnicodeIniFile::CreateForRead(ini);
        QCOMPARE(file->ReadString("Sched00", "Name", ""), QString("B"));
        QCOMPARE(file->ReadString("Sched01", "Name", ""), QString("C"));
        QVERIFY(!file->SectionExists("Sched02"));
        QCOMPARE(file->ReadInteger("Config", "Count", 0), 2);
    }

    // Only the three counters change; comments, other keys and other sections stay.
    void progressUpdateWritesOnlyCounters()
    {
        WriteText(ini, "[Config]\nCount=2\nJobDir=/j/\n[Sched00]\nName=A\nCycles=3\nloose line\n"
                       "[Sched01]\nName=B\nExtra=keep\n");
        TSchedTask b = Named("B");
        b.NextCyc = 5;
        b.LastFull = 1;
        b.LastDay = 45660;
        RecordingReporter r;
        QVERIFY(WriteProgress(ini, 1, b, r));
        QVERIFY(r.messages.empty());
        const auto file = TUnicodeIniFile::CreateForRead(ini);
        QCOMPARE(file->ReadInteger("Sched01", "NextCycle", 0), 5);
        QCOMPARE(file->ReadInteger("Sched01", "LastFull", 0), 1);
        QCOMPARE(file->ReadInteger("Sched01", "LastDay", 0), 45660);
        QCOMPARE(file->ReadString("Sched01", "Extra", ""), QString("keep"));
        QVERIFY(!file->ValueExists("Sched00", "NextCycle"));
        QVERIFY(file->Text().contains("loose line"));
        QStringList keys;
        file->ReadSection("Sched01", keys);
        QCOMPARE(keys, QStringList({"Name", "Extra", "NextCycle", "LastFull", "LastDay"}));
    }

    // A window that rebuilt the file since the run read it moved the schedule to another
    // section: its counters follow its name, not the old section number.
    void progressFollowsTheScheduleName()
    {
        WriteText(ini, "[Config]\nCount=2\n[Sched00]\nName=B\n[Sched01]\nName=C\n");
        TSchedTask b = Named("b");
        b.NextCyc = 3;
        RecordingReporter r;
        QVERIFY(WriteProgress(ini, 1, b, r));
        const auto file = TUnicodeIniFile::CreateForRead(ini);
        QCOMPARE(file->ReadInteger("Sched00", "NextCycle", 0), 3);
        QVERIFY(!file->ValueExists("Sched01", "NextCycle"));
    }

    void failedProgressUpdateKeepsFile()
    {
        WriteText(ini, "[Config]\nCount=1\n[Sched00]\nName=A\nNextCycle=2\n");
        const QByteArray before = ReadBytes(ini);
        QFile::setPermissions(ini, QFileDevice::ReadOwner);
        TSchedTask a = Named("A");
        a.NextCyc = 3;
        RecordingReporter r;
        QVERIFY(!WriteProgress(ini, 0, a, r));
        QFile::setPermissions(ini, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
        QCOMPARE(r.Hints(), QStringList({QString("Error writing to \"%1\"").arg(ini)}));
        QCOMPARE(r.messages[0].kind, RecordingReporter::Message::Error);
        QCOMPARE(ReadBytes(ini), before);
    }

    void findByNameIgnoresCase()
    {
        const TSchedules list = {Named("Daily"), Named("DAILY"), Named("Weekly")};
        QCOMPARE(FindSchedule(list, "daily"), 0);
        QCOMPARE(FindSchedule(list, "WEEKLY"), 2);
        QCOMPARE(FindSchedule(list, "Week"), -1);
    }

    void checkRules_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("validTask");
        QTest::addColumn<int>("cycles");
        QTest::addColumn<int>("steps");
        QTest::addColumn<int>("except");
        QTest::addColumn<int>("code");
        QTest::addColumn<QString>("message");
        QTest::newRow("ok") << "New" << true << 2 << 7 << -1 << 0 << "";
        QTest::newRow("empty name")
            << "" << true << 2 << 7 << -1 << 1 << "Please specify a name for this schedule!";
        QTest::newRow("name in other case") << "daily" << true << 2 << 7 << -1 << 1
                                            << "Please select a unique name for this schedule!";
        QTest::newRow("own name when replacing") << "daily" << true << 2 << 7 << 0 << 0 << "";
        QTest::newRow("no task") << "New" << false << 2 << 7 << -1 << 2
                                 << "Please select a valid backup task!";
        QTest::newRow("99 weeks") << "New" << true << 99 << 7 << -1 << 0 << "";
        QTest::newRow("100 weeks") << "New" << true << 100 << 7 << -1 << 3
                                   << "The total number of steps exceeds the maximum of 693!";
        QTest::newRow("999 steps") << "New" << true << 111 << 9 << -1 << 0 << "";
        QTest::newRow("1000 steps") << "New" << true << 125 << 8 << -1 << 4
                                    << "The total number of steps exceeds the maximum of 999!";
    }
    void checkRules()
    {
        QFETCH(QString, name);
        QFETCH(bool, validTask);
        QFETCH(int, cycles);
        QFETCH(int, steps);
        QFETCH(int, except);
        QFETCH(int, code);
        QFETCH(QString, message);
        const TSchedules list = {Named("Daily")};
        TSchedTask edited = Named(name, cycles, steps);
        edited.Task = validTask ? task : dir->filePath("missing.buj");
        RecordingReporter r;
        QCOMPARE(CheckScheduleValues(list, edited, except, r), code);
        QCOMPARE(r.Hints(), message.isEmpty() ? QStringList() : QStringList({message}));
    }

    void addStartsUnstartedAndNotWeeklyHasNoWeekday()
    {
        TSchedules list;
        RecordingReporter r;
        TSchedTask edited = Named("Ten", 3, 10);
        edited.Task = task;
        edited.FirstDay = 4;
        edited.NextCyc = 7;
        edited.LastDay = 9;
        QCOMPARE(AddSchedule(list, edited, r), 0);
        QCOMPARE(list.size(), size_t(1));
        QCOMPARE(list[0].FirstDay, 0);
        QCOMPARE(list[0].NextCyc, 0);
        QCOMPARE(list[0].LastDay, 0);
        QCOMPARE(AddSchedule(list, edited, r), 1);
        QCOMPARE(list.size(), size_t(1));
    }

    void replaceResetsProgressOnlyWhenConfirmed()
    {
        TSchedTask running = Named("Daily");
        running.Task = task;
        running.NextCyc = 9;
        running.LastFull = 8;
        running.LastDay = 45700;
        TSchedules list = {running};
        RecordingReporter r;
        r.answers = {false, true};
        QCOMPARE(ReplaceSchedule(list, 0, running, r), -1);
        QCOMPARE(list[0].NextCyc, 9);
        QCOMPARE(ReplaceSchedule(list, 0, running, r), 0);
        QCOMPARE(r.Hints().last(),
                 QString("Replace and reset selected backup schedule \"Daily\"?"));
        QCOMPARE(list[0].NextCyc, 0);
        QCOMPARE(list[0].LastFull, 0);
        QCOMPARE(list[0].LastDay, 0);
        QCOMPARE(list[0].FirstDay, 1);
        QCOMPARE(ReplaceSchedule(list, 3, running, r), -1);
    }
};

QTEST_GUILESS_MAIN(tst_Schedules)
#include "tst_Schedules.moc"
