// A task made with the wizard over the cron backend, under the real cron daemon: it fires at
// its minute, runs the planner on a schedule of its own, and the backup the planner started
// completes.

#include <grp.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QDateEdit>
#include <QLineEdit>
#include <QTimeEdit>
#include <QTemporaryDir>
#include <QTest>

#include "common/tasks/TaskCron.h"
#include "common/tasks/WinTask.h"
#include "common/tasks/ui/TaskSchedDlg.h"
#include "common/tasks/ui/TaskSchedForm.h"
#include "support/TestAccounts.h"
#include "support/TestFiles.h"

namespace {

const QString kCron = "/usr/sbin/cron";
const QString kPlaner = KV_BIN_DIR "/KvPlaner";
const QString kKelvara = KV_BIN_DIR "/Kelvara";

using kvtest::CopyDemo;
using kvtest::ReadFile;
using kvtest::WriteFile;

bool Bind(const QString& source, const QString& target)
{
    return ::mount(QFile::encodeName(source).constData(), QFile::encodeName(target).constData(),
                   nullptr, MS_BIND, nullptr) == 0;
}

// Foreign lines of the account's crontab that must come through untouched.
const QByteArray kForeign = "# my own jobs\n"
                            "MAILTO=\"\"\n"
                            "GREETING=hello world\n"
                            "0 0 1 1 *   /bin/echo '50%' >/dev/null   # new year\n";

} // namespace

class tst_TaskCronDaemon : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QProcess FDaemon;
    std::unique_ptr<kvtest::TTestAccount> FAccount;

    // The cron daemon sees only what this test gives it: its own spool, no system crontab,
    // no cron.d entries. The mounts live in a mount namespace of this process alone.
    QString PrivateCronSetup()
    {
        if (::unshare(CLONE_NEWNS) != 0 ||
            ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            return "no private mount namespace";
        const QString spool = FDir.filePath("crontabs");
        const group* crontab = ::getgrnam("crontab");
        if (!QDir().mkpath(spool) || !QDir().mkpath(FDir.filePath("cron.d")) ||
            !WriteFile(FDir.filePath("crontab"), "SHELL=/bin/sh\n"))
            return "cannot make the private files";
        if (::chown(QFile::encodeName(spool).constData(), 0, crontab ? crontab->gr_gid : 0) != 0 ||
            ::chmod(QFile::encodeName(spool).constData(), 01730) != 0)
            return "cannot set up the private spool";
        if (!Bind(spool, "/var/spool/cron/crontabs") ||
            !Bind(FDir.filePath("cron.d"), "/etc/cron.d") ||
            !Bind(FDir.filePath("crontab"), "/etc/crontab"))
            return "cannot mount the private cron files";
        return {};
    }

private slots:
    void initTestCase()
    {
        if (getuid() != 0)
            QSKIP("the cron daemon is started as root; run as root to test it");
        if (!QFile::exists(kCron) || !TTaskCronStore::CronInstalled())
            QSKIP("cron is not installed (Debian package cron)");
        QVERIFY(QFile::exists(kPlaner) && QFile::exists(kKelvara));
        QVERIFY(FDir.isValid());
        QVERIFY(QFile::setPermissions(
            FDir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther |
                             QFile::ExeOther | QFile::ReadGroup | QFile::ExeGroup));
        if (const QString failure = PrivateCronSetup(); !failure.isEmpty())
            QSKIP(qPrintable("no private setup for the cron daemon: " + failure));
        kvtest::RemoveLeftoverAccounts("kvcron");
        FAccount = std::make_unique<kvtest::TTestAccount>("kvcron");
        QVERIFY(FAccount->Create());
    }
    void cleanupTestCase()
    {
        if (FDaemon.state() != QProcess::NotRunning) {
            FDaemon.terminate();
            if (!FDaemon.waitForFinished(5000))
                FDaemon.kill();
            FDaemon.waitForFinished(5000);
        }
        FAccount.reset();
    }

    void taskFiresAndBackupCompletes()
    {
        const QString user = FAccount->name;
        const QString demo = FDir.filePath("demo");
        QVERIFY(CopyDemo(KV_SOURCE_DIR "/demo/data", demo));
        QCOMPARE(kvtest::Run("chown", {"-R", user, demo}), 0);
        QCOMPARE(kvtest::Run("crontab", {"-u", user, "-"}, kForeign), 0);
        const QByteArray schedule = ReadFile(demo + "/KvPlaner.ini");

        // Due at the next minute that the daemon will still see coming.
        QDateTime due = QDateTime::currentDateTime().addSecs(60);
        if (due.time().second() > 45)
            due = due.addSecs(60);
        due.setTime(QTime(due.time().hour(), due.time().minute()));
        // Made with the wizard as a user would: a daily schedule at the due minute.
        TWinTaskScheduler scheduler(std::make_unique<TTaskCronStore>(FDir.filePath("tasks"), user));
        QCOMPARE(scheduler.Init(), 0);
        SetScheduledProgramPath(kPlaner);
        SetTaskScheduleAnswerHook([&](TTaskScheduleForm& f) {
            // The planner keeps its own settings file to itself: the backup program is told
            // where to write its log as a further option.
            f.edUserOptions->setText("/logdir:" + demo);
            f.btnNext->click();
            f.SetCycle(cyDaily);
            f.dpStartDaily->setDate(due.date());
            f.tpStartDaily->setTime(due.time());
            f.btnNext->click();
            f.btnNext->click(); // Done
        });
        TTaskScheduleDialog wizard;
        wizard.InitTaskScheduler(&scheduler);
        // The options the planner hands the wizard: its defaults for the backup program.
        QCOMPARE(wizard.Execute(-1, kaSchedule, demo, "Demo",
                                "/hide /logmode:1 /ini:" + demo + "/KvPlaner.ini"),
                 1);

        const QByteArray crontab = [&] {
            QProcess list;
            list.start("crontab", {"-u", user, "-l"});
            list.waitForFinished();
            return list.readAllStandardOutput();
        }();
        QVERIFY2(crontab.startsWith(kForeign), crontab.constData());
        QVERIFY(crontab.contains("# BEGIN kelvara-task Schedule-Demo\n"));

        // Started after the crontab was written: cron notices changes by the folder's time
        // in whole seconds, so a change in the second of its own start could go unseen.
        FDaemon.start(kCron, {"-f"});
        QVERIFY(FDaemon.waitForStarted());

        const QString log = demo + "/Documents.log";
        QElapsedTimer waited;
        waited.start();
        const qint64 limit = QDateTime::currentDateTime().msecsTo(due) + 90000;
        while (!ReadFile(log).contains("Backup completed") && waited.elapsed() < limit) {
            QVERIFY2(FDaemon.state() == QProcess::Running, "the cron daemon ended");
            QTest::qWait(500);
        }
        QVERIFY2(ReadFile(log).contains("Backup completed"),
                 qPrintable("no completed backup in " + log + ":\n" + ReadFile(log)));
        QVERIFY(QFileInfo(demo + "/backup/Bu01F").isDir());
        // The planner stored its progress: it ran to its end, not only the backup.
        QVERIFY(ReadFile(demo + "/KvPlaner.ini") != schedule);
        QVERIFY(scheduler.TaskFolder()->DeleteTask("Schedule-Demo"));
        QProcess list;
        list.start("crontab", {"-u", user, "-l"});
        list.waitForFinished();
        QCOMPARE(list.readAllStandardOutput(), kForeign);
    }
};

QTEST_MAIN(tst_TaskCronDaemon)
#include "tst_TaskCronDaemon.moc"
