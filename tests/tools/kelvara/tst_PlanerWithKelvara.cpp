// KvPlaner's rotation driving the real backup program over a source tree that changes from day
// to day: each backup folder must hold exactly the files of its mode.
#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include "ProgramEnvironment.h"

class tst_PlanerWithKelvara : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp;

    QString Path(const QString& name) const { return tmp.filePath(name); }

    void Write(const QString& name, const QByteArray& content)
    {
        const QString path = Path("src/" + name);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(content);
    }

    int FinishedRuns() const
    {
        QFile log(Path("task.log"));
        if (!log.open(QIODevice::ReadOnly))
            return 0;
        return int(log.readAll().count("\n  Finished: "));
    }

    // One day of the scheduled task: KvPlaner starts the backup and does not wait for it.
    void Day(const QDate& day)
    {
        const int before = FinishedRuns();
        QProcess planer;
        QProcessEnvironment env = ProgramEnvironment(tmp.path());
        // The backup program keeps the real clock, so the file times it compares stay true.
        QVERIFY2(SetToday(env, day, "KvPlaner"), "libfaketime is not installed");
        env.insert("XDG_CONFIG_HOME", Path("config"));
        planer.setProcessEnvironment(env);
        planer.setWorkingDirectory(tmp.path());
        planer.setStandardInputFile(QProcess::nullDevice());
        // The backup program outlives KvPlaner and inherits its output pipes, which close when
        // KvPlaner has ended: the backup must go on regardless.
        planer.start(KV_BIN_DIR "/KvPlaner", {"Rotation", "/ini:" + Path("KvPlaner.ini")});
        QVERIFY(planer.waitForFinished(30000));
        QCOMPARE(planer.exitCode(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(FinishedRuns(), before + 1, 30000);
    }

    QStringList Files(const QString& folder) const
    {
        QStringList files;
        const QString root = Path("backup/" + folder);
        QDirIterator it(root, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
        while (it.hasNext())
            files << QDir(root).relativeFilePath(it.next());
        files.sort();
        return files;
    }

private slots:
    void initTestCase()
    {
        QFile task(Path("task.buj"));
        QVERIFY(task.open(QIODevice::WriteOnly));
        task.write(QString("[Global]\nDestination=%1\nLogName=%taskname%.log\nTimeMargin=0\n"
                           "[Dir000]\nFolder=%2\n")
                       .arg(Path("backup"), Path("src"))
                       .toUtf8());
        task.close();
        QFile ini(Path("KvPlaner.ini"));
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write(QString("[Config]\nCount=1\n[Sched00]\nName=Rotation\nTask=%1\nCycles=2\n"
                          "Steps=3\nFirstDay=1\nDifferential=1\nSilent=1\n")
                      .arg(Path("task.buj"))
                      .toUtf8());
        ini.close();
        QDir().mkpath(Path("backup"));
        Write("a.txt", "a1");
        Write("b.txt", "b1");
        Write("sub/c.txt", "c1");
    }

    void rotationOverTwoCycles()
    {
        const QDate monday(2025, 3, 3);
        struct TStep {
            std::function<void()> change; // done before the day's run
            QString folder;
            QStringList files;
        };
        const QList<TStep> steps = {
            {[] {}, "Bu01F", {"src/a.txt", "src/b.txt", "src/sub/c.txt"}},
            {[&] { Write("a.txt", "a2"); }, "Bu02D", {"src/a.txt"}},
            {[&] { Write("d.txt", "d1"); }, "Bu03D", {"src/a.txt", "src/d.txt"}},
            {[&] { QFile::remove(Path("src/b.txt")); },
             "Bu04F",
             {"src/a.txt", "src/d.txt", "src/sub/c.txt"}},
            {[&] { Write("sub/c.txt", "c2"); }, "Bu05D", {"src/sub/c.txt"}},
            {[] {}, "Bu06D", {"src/sub/c.txt"}},
            // The rotation starts again: the reused folder holds only what is there now.
            {[&] { Write("e.txt", "e1"); },
             "Bu01F",
             {"src/a.txt", "src/d.txt", "src/e.txt", "src/sub/c.txt"}},
            {[&] { Write("d.txt", "d2"); }, "Bu02D", {"src/d.txt"}},
        };
        for (int day = 0; day < steps.size(); ++day) {
            steps[day].change();
            // A change made in the same second as the last backup must still count as later.
            QTest::qWait(20);
            Day(monday.addDays(day));
            QCOMPARE(Files(steps[day].folder), steps[day].files);
        }
        QFile copy(Path("backup/Bu02D/src/d.txt"));
        QVERIFY(copy.open(QIODevice::ReadOnly));
        QCOMPARE(copy.readAll(), QByteArray("d2"));
    }
};

QTEST_GUILESS_MAIN(tst_PlanerWithKelvara)
#include "tst_PlanerWithKelvara.moc"
