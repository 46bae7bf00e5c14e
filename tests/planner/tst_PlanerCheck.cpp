// KvPlaner --check: the real program on a copy of the demo schedule, on days set with
// libfaketime, with the scheduled tasks of the file store.
#include <memory>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "ProgramEnvironment.h"
#include "TestFiles.h"
#include "common/tasks/TaskFileStore.h"
#include "planner/Clock.h"

namespace {

const QDate kMonday(2026, 3, 2);

} // namespace

class tst_PlanerCheck : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> tmp;
    QString demo, work, output;

    QString Path(const QString& name) const { return tmp->filePath(name); }
    QString Ini() const { return demo + "/KvPlaner.ini"; }
    QString Marker() const { return Path("kelvara-ran"); }

    void SetValues(const QList<QPair<QString, QString>>& values)
    {
        QString text = QString::fromUtf8(kvtest::ReadFile(Ini()));
        for (const auto& [key, value] : values)
            text.replace(QRegularExpression("(?m)^" + key + "=.*$"), key + "=" + value);
        QVERIFY(kvtest::WriteFile(Ini(), text.toUtf8()));
    }

    void RegisterTask(const QString& arguments)
    {
        TTaskFileStore store(Path("data/Kelvara6/tasks"));
        store.Connect();
        TTaskDefinitionData definition;
        auto action = std::make_shared<TTaskActionData>();
        action->path = KV_BIN_DIR "/KvPlaner";
        action->arguments = arguments;
        definition.actions.push_back(action);
        store.Register("Schedule-Demo", definition, QString(), QString());
    }

    int Check(const QString& name, const QDate& day)
    {
        QProcess p;
        QProcessEnvironment e = ProgramEnvironment(tmp->path());
        e.insert("HOME", tmp->path());
        e.insert("XDG_CONFIG_HOME", Path("cfg"));
        e.insert("XDG_DATA_HOME", Path("data"));
        if (!SetToday(e, day, "KvPlaner"))
            return -98;
        p.setProcessEnvironment(e);
        p.setWorkingDirectory(work);
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(KV_BIN_DIR "/KvPlaner", {"--check", name, "/ini:" + Ini()});
        if (!p.waitForFinished(30000))
            return -99;
        output = QString::fromUtf8(p.readAllStandardOutput());
        return p.exitCode();
    }

private slots:
    void init()
    {
        if (FakeTimeLibrary().isEmpty())
            QSKIP("libfaketime is not installed");
        tmp = std::make_unique<QTemporaryDir>();
        demo = Path("demo");
        work = Path("work");
        QVERIFY(kvtest::CopyDemo(KV_SOURCE_DIR "/demo/data", demo));
        QDir().mkpath(work);
        QDir().mkpath(Path("cfg/Kelvara6"));
        QVERIFY(kvtest::WriteFile(Path("cfg/Kelvara6/registry.ini"),
                                  "[Software\\Kelvara6]\nTaskScheduler=files\n"));
        // The backup program found first leaves a mark when anything starts it.
        QVERIFY(kvtest::WriteFile(work + "/Kelvara",
                                  QString("#!/bin/sh\ntouch %1\n").arg(Marker()).toUtf8()));
        QFile(work + "/Kelvara").setPermissions(QFile::ReadOwner | QFile::ExeOwner);
    }

    void cleanup()
    {
        if (tmp)
            QVERIFY(!QFile::exists(Marker()));
    }

    // The demo as shipped: today's run makes the full backup of step 1. Nothing schedules
    // tasks here (file store), which is the only warning, as is a missing task.
    void demoSaysTodaysStep()
    {
        const QByteArray before = kvtest::ReadFile(Ini());
        QCOMPARE(Check("Demo", kMonday), 1);
        QVERIFY2(output.contains("WARN No scheduled task runs \"Demo\""), qPrintable(output));
        RegisterTask("\"Demo\" /hide");
        QCOMPARE(Check("demo", kMonday), 1);
        QVERIFY2(output.contains("OK   Today's run: step 1, Full backup, folder \"Bu01F\""),
                 qPrintable(output));
        QVERIFY(output.contains("OK   Task file"));
        QVERIFY(output.contains("OK   Destination"));
        QCOMPARE(output.count("WARN"), 1);
        QVERIFY(output.contains("WARN Scheduled task \"Schedule-Demo\" exists"));
        QCOMPARE(kvtest::ReadFile(Ini()), before);
    }

    // What the run of the day makes, from the run's own rule: counted and weekly rotations,
    // a day whose backup is done, a weekly rotation that waits for its first weekday, and
    // numbers that cannot run.
    void stepOfTheDay_data()
    {
        QTest::addColumn<QString>("values");
        QTest::addColumn<QDate>("day");
        QTest::addColumn<QString>("expected");
        const QString today = QString::number(DaysSince1899(kMonday));
        QTest::newRow("counted, second step")
            << "NextCycle=2" << kMonday
            << "OK   Today's run: step 2, Differential backup, folder \"Bu02D\"";
        QTest::newRow("done today: tomorrow")
            << "NextCycle=4;LastDay=" + today << kMonday
            << "tomorrow's run: step 4, Full backup, folder \"Bu04F\"";
        QTest::newRow("incremental") << "NextCycle=3;Differential=0" << kMonday
                                     << "step 3, Incremental backup, folder \"Bu03I\"";
        QTest::newRow("weekly, first day")
            << "Steps=7;FirstDay=1" << kMonday << "step 1, Full backup, folder \"BuMo1F\"";
        QTest::newRow("weekly, waiting")
            << "Steps=7;FirstDay=1" << kMonday.addDays(2) << "no backup, the first full backup";
        QTest::newRow("weekly, catch-up")
            << "Steps=7;FirstDay=1;NextCycle=10;LastFull=1" << kMonday.addDays(2)
            << "the missing full backup of this cycle first, folder \"BuMo2F\"";
        QTest::newRow("invalid numbers")
            << "Cycles=0" << kMonday << "FAIL The number of cycles or steps";
    }

    void stepOfTheDay()
    {
        QFETCH(QString, values);
        QFETCH(QDate, day);
        QFETCH(QString, expected);
        QList<QPair<QString, QString>> pairs;
        for (const QString& value : values.split(';'))
            pairs.append({value.section('=', 0, 0), value.section('=', 1)});
        SetValues(pairs);
        RegisterTask("Demo");
        Check("Demo", day);
        QVERIFY2(output.contains(expected), qPrintable(output));
    }

    void unknownSchedule()
    {
        QCOMPARE(Check("Nightly", kMonday), 2);
        QVERIFY2(output.contains("FAIL Schedule \"Nightly\" not found!"), qPrintable(output));
    }
};

QTEST_GUILESS_MAIN(tst_PlanerCheck)
#include "tst_PlanerCheck.moc"
