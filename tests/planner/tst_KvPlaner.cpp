#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ProgramEnvironment.h"
#include "common/infra/IniFileUtils.h"

// The program as a scheduled task starts it: no display, no terminal, one run a day.
class tst_KvPlaner : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    QString work; // current folder of the runs, holding the backup program
    QString ini;  // the default settings file
    QString log;  // what the backup program was started with
    QString task;

    // The program sees `day` as today (an invalid day: the real one).
    QProcessEnvironment Environment(const QDate& day) const
    {
        QProcessEnvironment env = ProgramEnvironment(dir->path());
        env.insert("HOME", dir->path());
        env.insert("XDG_CONFIG_HOME", dir->filePath("config"));
        env.insert("FAKE_KELVARA_LOG", log);
        if (day.isValid() && !SetToday(env, day, "KvPlaner"))
            qWarning("libfaketime is not installed");
        return env;
    }
    // Runs the program in a new session (without a controlling terminal); its standard error.
    QByteArray Run(const QStringList& args, const QDate& day,
                   const QProcessEnvironment* env = nullptr)
    {
        QProcess p;
        p.setProgram(KV_BIN_DIR "/KvPlaner");
        p.setArguments(args);
        p.setWorkingDirectory(work);
        p.setProcessEnvironment(env ? *env : Environment(day));
        p.setChildProcessModifier([] { ::setsid(); });
        p.start();
        if (!p.waitForFinished(20000))
            qWarning("KvPlaner did not end");
        if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
            qWarning("KvPlaner ended abnormally: %d", p.exitCode());
        return p.readAllStandardError();
    }
    // The log's lines once it holds at least count of them (the program is not waited for).
    QStringList LogLines(int count) const
    {
        QStringList lines;
        for (int i = 0; i < 100; ++i) {
            QFile f(log);
            if (f.open(QIODevice::ReadOnly))
                lines = QString::fromUtf8(f.readAll()).split('\n', Qt::SkipEmptyParts);
            if (lines.size() >= count)
                break;
            QTest::qWait(50);
        }
        return lines;
    }
    int Stored(const char* key) const
    {
        return TUnicodeIniFile::CreateForRead(ini)->ReadInteger("Sched00", key, -99);
    }

private slots:
    void init()
    {
        dir = std::make_unique<QTemporaryDir>();
        work = dir->filePath("work");
        QDir().mkpath(work);
        QVERIFY(QFile::link(KV_BIN_DIR "/fake-kelvara", work + "/Kelvara"));
        QDir().mkpath(dir->filePath("config/Kelvara6"));
        ini = dir->filePath("config/Kelvara6/KvPlaner.ini");
        log = dir->filePath("kelvara.log");
        task = dir->filePath("Documents/week.buj");
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(QString("[Config]\nCount=1\n[Sched00]\nName=Week\nTask=%1\nCycles=2\nSteps=7\n"
                        "FirstDay=1\nDifferential=0\nSilent=0\n")
                    .arg(task)
                    .toUtf8());
    }

    // A week and two days: the folders of the rotation and the counters in KvPlaner.ini.
    void weekOfScheduledRuns()
    {
        const QStringList folders = {"BuMo1F", "BuTu1I", "BuWe1I", "BuTh1I", "BuFr1I",
                                     "BuSa1I", "BuSu1I", "BuMo2F", "BuTu2I"};
        const QDate monday(2025, 6, 2);
        int calls = 0;
        for (int day = 0; day < folders.size(); ++day) {
            QCOMPARE(Run({"Week"}, monday.addDays(day)), QByteArray());
            // The second Monday first makes the cycle's full backup, then its own.
            calls += day == 7 ? 2 : 1;
            const QStringList lines = LogLines(calls);
            QCOMPARE(lines.size(), calls);
            if (day == 7)
                QCOMPARE(lines[calls - 2], lines[calls - 1]);
            const QStringList args = lines.last().split('\t');
            QCOMPARE(args.mid(1),
                     QStringList({task, "/startapp:kvplaner",
                                  day % 7 ? "/mode:incremental" : "/mode:full",
                                  "/backupdir:" + folders[day], "/force", "/hide", "/logmode:1"}));
            QCOMPARE(Stored("NextCycle"), day + 2);
            QCOMPARE(Stored("LastFull"), day < 7 ? 1 : 8);
            QCOMPARE(Stored("LastDay"), int(QDate(1899, 12, 30).daysTo(monday.addDays(day))));
        }
        // The same day again from the scheduled task changes nothing.
        Run({"Week"}, monday.addDays(8));
        QTest::qWait(200);
        QCOMPARE(LogLines(calls + 1).size(), calls);
        QCOMPARE(Stored("NextCycle"), 10);
    }

    void unknownScheduleEndsQuietly()
    {
        QCOMPARE(Run({"Nightly", "/prompt:quiet"}, QDate(2025, 6, 2)), QByteArray());
        QTest::qWait(200);
        QVERIFY(!QFile::exists(log));
        QCOMPARE(RecordedSyslog(dir->path()),
                 QStringList{"Kelvara: event 0xC000001A (error, category 2): \"Nightly\" \"" + ini +
                             '"'});
    }

    // The day comes from the system's clock alone: no variable of the environment moves it.
    void environmentDoesNotSetTheDay()
    {
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QString("[Config]\nCount=1\n[Sched00]\nName=Daily\nTask=%1\nCycles=1\nSteps=3\n")
                    .arg(task)
                    .toUtf8());
        f.close();
        QProcessEnvironment env = Environment(QDate());
        env.insert("KVPLANER_TODAY", "2001-01-01");
        const QDate before = QDate::currentDate();
        Run({"Daily"}, {}, &env);
        QCOMPARE(LogLines(1).size(), 1);
        const int stored = Stored("LastDay");
        QVERIFY(stored == int(QDate(1899, 12, 30).daysTo(before)) ||
                stored == int(QDate(1899, 12, 30).daysTo(QDate::currentDate())));
    }

    // A display that the environment names but that does not answer must not stop the run.
    void unreachableDisplayStillRuns()
    {
        QProcessEnvironment env = Environment(QDate(2025, 6, 2));
        env.insert("DISPLAY", ":97");
        env.insert("XDG_RUNTIME_DIR", dir->path());
        Run({"Week"}, {}, &env);
        QCOMPARE(LogLines(1).size(), 1);
        QCOMPARE(Stored("NextCycle"), 2);
    }

    // The language chosen for KvPlaner's texts stays its own: the backup program gets the
    // user's environment.
    void backupProgramKeepsTheUsersLanguage_data()
    {
        QTest::addColumn<QString>("userLanguage"); // empty: not set
        QTest::newRow("set") << "sv:en";
        QTest::newRow("not set") << "";
    }
    void backupProgramKeepsTheUsersLanguage()
    {
        QFETCH(QString, userLanguage);
        const QString seen = dir->filePath("language.txt");
        QFile::remove(work + "/Kelvara");
        QFile script(work + "/Kelvara");
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QString("#!/bin/sh\necho \"${LANGUAGE-unset}\" > '%1'\n").arg(seen).toUtf8());
        script.close();
        QVERIFY(script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QProcessEnvironment env = Environment(QDate(2025, 6, 2));
        env.remove("LANGUAGE");
        if (!userLanguage.isEmpty())
            env.insert("LANGUAGE", userLanguage);
        Run({"Week", "/lang:de"}, {}, &env);
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(seen).size() > 0, 30000);
        QFile out(seen);
        QVERIFY(out.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(out.readAll()).trimmed(),
                 userLanguage.isEmpty() ? QString("unset") : userLanguage);
    }

    // From a terminal without a display the messages go to standard error: in the chosen
    // language, and a bar in a name is text like any other, not the end of a title.
    void terminalRunTellsOnStandardError_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("message");
        QTest::newRow("plain") << "Nightly"
                               << "Error: Schedule \"Nightly\" not found!";
        QTest::newRow("bar in the name") << "'Night|ly'"
                                         << "Error: Schedule \"Night|ly\" not found!";
        QTest::newRow("German") << "Nightly /lang:de"
                                << "Zeitplan \"Nightly\" nicht gefunden!";
    }
    void terminalRunTellsOnStandardError()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, message);
        QProcess p;
        p.setProgram("script");
        p.setArguments(
            {"-qec", QString("'%1' %2").arg(KV_BIN_DIR "/KvPlaner", arguments), "/dev/null"});
        p.setWorkingDirectory(work);
        p.setProcessEnvironment(Environment(QDate(2025, 6, 2)));
        p.start();
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        const QString output = QString::fromUtf8(p.readAll());
        QVERIFY2(output.contains(message), qPrintable(output));
        QVERIFY(!QFile::exists(log));
    }
};

QTEST_GUILESS_MAIN(tst_KvPlaner)
#include "tst_KvPlaner.moc"
