#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include "common/tasks/TaskFileStore.h"
#include "common/tasks/WinTask.h"

namespace {

const QString kFake = QStringLiteral(KV_BIN_DIR "/fake-kelvara");

QDateTime At(int y, int mo, int d, int h = 0, int mi = 0)
{
    return QDateTime(QDate(y, mo, d), QTime(h, mi));
}

QString ReadAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

bool WaitFor(const std::function<bool()>& condition, int ms = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > ms)
            return false;
        QTest::qWait(50);
    }
    return true;
}

} // namespace

class tst_TaskFileStore : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QDateTime FNow = At(2025, 3, 1, 12, 0);

    std::unique_ptr<TWinTaskScheduler> MakeScheduler(const QString& sub)
    {
        auto store = std::make_unique<TTaskFileStore>(FDir.filePath(sub), [this] { return FNow; });
        std::unique_ptr<TWinTaskScheduler> scheduler;
        if (InitWinTaskScheduler(scheduler, std::move(store)) != 0)
            return nullptr;
        return scheduler;
    }

    std::unique_ptr<TWinTask> FakeTask(TWinTaskScheduler& scheduler, const QString& arguments)
    {
        auto task = scheduler.NewTask();
        TWinTaskAction& action = task->NewAction(taExec);
        action.SetExecPath(kFake);
        action.SetExecArguments(arguments);
        action.SetExecWorkingDirectory(AlwaysQuotedDir());
        TWinTaskTrigger& t = task->NewTrigger(ttDaily);
        t.SetStartTime(At(2025, 1, 1, 6, 30));
        return task;
    }
    QString AlwaysQuotedDir() const { return u'"' + FDir.path() + u'"'; }

private slots:
    void initTestCase()
    {
        QVERIFY(FDir.isValid());
        QVERIFY(QFile::exists(kFake));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }
    void cleanup()
    {
        qunsetenv("FAKE_KELVARA_SLEEP");
        qunsetenv("FAKE_KELVARA_EXIT");
        qunsetenv("FAKE_KELVARA_LOG");
    }

    void lifecycle()
    {
        auto scheduler = MakeScheduler("life");
        QVERIFY(scheduler);
        TWinTaskFolder& folder = *scheduler->TaskFolder();
        auto task = FakeTask(*scheduler, "\"Weekly Full\" /hide");
        QCOMPARE(folder.RegisterTask("Schedule-Weekly Full", *task, "", ""), 0);
        QCOMPARE(folder.RegisterTask("Another/one", *task, "", ""), 0); // sorted by name
        QCOMPARE(folder.TaskCount(), 2);
        int i = folder.IndexOfTask("schedule-weekly full");
        QCOMPARE(i, 1);
        TWinRegisteredTask* registered = &folder.Tasks(i);
        QCOMPARE(registered->Status(), tsReady);
        QCOMPARE(registered->LastRunTime(), QDateTime());
        QCOMPARE(registered->LastRunTimeAsString(), QString());
        QCOMPARE(registered->LastResult(), TaskResult::kHasNotRun);
        // Nothing starts these tasks at their time: no next run time that would never come.
        QCOMPARE(registered->NextRunTime(), QDateTime());
        QCOMPARE(registered->NextRunTimeAsString(), QString("not scheduled"));
        QCOMPARE(registered->Definition().IndexOfApp("fake-kelvara"), 0);

        // Run: the program gets its words, runs in the working folder, its exit code is kept.
        const QString log = FDir.filePath("argv.log");
        qputenv("FAKE_KELVARA_LOG", log.toUtf8());
        qputenv("FAKE_KELVARA_SLEEP", "1");
        qputenv("FAKE_KELVARA_EXIT", "3");
        registered->Run();
        QCOMPARE(registered->Status(), tsRunning);
        QCOMPARE(registered->LastRunTime(), FNow);
        QVERIFY(WaitFor([&] { return registered->Status() == tsReady; }));
        QCOMPARE(registered->LastResult(), 3);
        const QStringList argv = ReadAll(log).trimmed().split(u'\t');
        QCOMPARE(argv.mid(1), QStringList({"Weekly Full", "/hide"}));

        // Stop a long run: it ends as stopped.
        qputenv("FAKE_KELVARA_SLEEP", "30");
        registered->Run();
        QCOMPARE(registered->Status(), tsRunning);
        QVERIFY_THROWS_EXCEPTION(EOleSysError, registered->Run()); // one instance at a time
        registered->Stop();
        QVERIFY(WaitFor([&] { return registered->Status() == tsReady; }));
        QCOMPARE(registered->LastResult(), TaskResult::kTerminated);

        // Disable: no next run, Run refused.
        registered->SetEnabled(false);
        QCOMPARE(registered->Status(), tsDisabled);
        QCOMPARE(registered->NextRunTime(), QDateTime());
        QVERIFY_THROWS_EXCEPTION(EOleSysError, registered->Run());
        // The state survives a refresh of the folder, the definition keeps the change.
        QCOMPARE(folder.Refresh(), 0);
        registered = &folder.Tasks(folder.IndexOfTask("Schedule-Weekly Full"));
        QCOMPARE(registered->Status(), tsDisabled);
        QCOMPARE(registered->LastResult(), TaskResult::kTerminated);
        QVERIFY(!registered->Definition().Definition().settings.enabled);
        registered->SetEnabled(true);
        QCOMPARE(registered->Status(), tsReady);

        QVERIFY(folder.DeleteTask("SCHEDULE-weekly full"));
        QCOMPARE(folder.TaskCount(), 1);
        QCOMPARE(folder.Tasks(0).TaskName(), QString("Another/one"));
        QCOMPARE(QDir(FDir.filePath("life")).entryList(QDir::Files).size(), 1);
    }

    void runErrors()
    {
        auto scheduler = MakeScheduler("errors");
        QVERIFY(scheduler);
        TWinTaskFolder& folder = *scheduler->TaskFolder();
        auto task = FakeTask(*scheduler, "");
        task->Actions(0).SetExecPath("/nonexistent/program");
        QCOMPARE(folder.RegisterTask("Missing", *task, "", ""), 0);
        try {
            folder.Tasks(0).Run();
            QFAIL("a missing program must not start");
        } catch (const EOleSysError& e) {
            QVERIFY(e.ErrorCode() < 0);
            QVERIFY(e.Message().contains("/nonexistent/program"));
        }
        QCOMPARE(folder.Tasks(0).LastResult(), TaskResult::kHasNotRun);
        task->Actions(0).SetExecPath(kFake);
        task->Actions(0).SetExecWorkingDirectory("/nonexistent/folder");
        QCOMPARE(folder.RegisterTask("Missing", *task, "", ""), 0);
        QVERIFY_THROWS_EXCEPTION(EOleSysError, folder.Tasks(0).Run());
        QCOMPARE(folder.Tasks(0).Status(), tsReady);
    }
};

QTEST_GUILESS_MAIN(tst_TaskFileStore)
#include "tst_TaskFileStore.moc"
