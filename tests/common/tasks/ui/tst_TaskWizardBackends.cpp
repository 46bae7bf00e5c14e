// The wizard and the task list over the backends that really schedule: a daily task for a
// group of the starter and one for a schedule of the planner are made as a user would, then
// listed with their next run, run, disabled and deleted. The tools (crontab, systemctl) are
// stood in for; what they are given is checked.

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>

#include "common/backup/Options.h"
#include "common/tasks/TaskCron.h"
#include "common/tasks/TaskSystemd.h"
#include "common/tasks/WinTask.h"
#include "common/tasks/ui/SelSchedTaskDlg.h"
#include "common/tasks/ui/TaskSchedDlg.h"
#include "common/tasks/ui/TaskSchedForm.h"
#include "common/ui/ShowMessageDlg.h"

namespace {

struct TKindCase {
    TKvAction kind;
    QString program; // file name of the scheduled program
    QString task, options;
    QString taskName, arguments;
};

const TKindCase kCases[] = {
    {kaStarter, "KvStarter", "Nightly", "Docs,Mail /force /logmode:1", "Starter-Nightly",
     "Docs,Mail /force /logmode:1"},
    {kaSchedule, "KvPlaner", "Weekly Full", "/delay:5", "Schedule-Weekly Full",
     "\"Weekly Full\" /hide /prompt:delay /wait:3 /delay:5"},
};

} // namespace

class tst_TaskWizardBackends : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    QByteArray FCrontab;
    QStringList FSystemctl;
    int FMainPid = 0;
    QStringList FMessages;

    QString ProgramPath(const TKindCase& c) { return FDir.filePath("bin/" + c.program); }

    // A stand-in for the program: it writes its arguments beside itself.
    bool MakeProgram(const TKindCase& c)
    {
        QDir().mkpath(FDir.filePath("bin"));
        QFile script(ProgramPath(c));
        if (!script.open(QIODevice::WriteOnly))
            return false;
        script.write("#!/bin/sh\nprintf '%s|' \"$@\" > \"$0.ran\"\n");
        script.close();
        return script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    TToolRunner Crontab()
    {
        return [this](const QString&, const QStringList& args, const QByteArray& input) {
            if (args.contains("-l"))
                return FCrontab.isEmpty() ? TToolOutput{1, {}, "no crontab for me\n"}
                                          : TToolOutput{0, FCrontab, {}};
            FCrontab = input;
            return TToolOutput{0, {}, {}};
        };
    }

    TTaskSystemdStore::TCommandOutput Systemctl(const QStringList& args)
    {
        FSystemctl << args.join(u' ');
        TTaskSystemdStore::TCommandOutput out{0, {}, {}};
        if (args.value(0) == "show") {
            // One block per unit asked; the timer's next elapse tomorrow at 06:30.
            const qint64 next =
                QDateTime(QDate::currentDate().addDays(1), QTime(6, 30)).toSecsSinceEpoch();
            QStringList blocks;
            for (const QString& unit : args.filter(QRegularExpression("\\.(service|timer)$")))
                blocks << (unit.endsWith(".timer")
                               ? QString("NextElapseUSecRealtime=@%1").arg(next)
                               : QString("MainPID=%1\nExecMainCode=0").arg(FMainPid));
            out.out = blocks.join("\n\n") + '\n';
        }
        return out;
    }

    // The wizard as a user goes through it: daily at 06:30, Next, Next, Done.
    int CreateDaily(TWinTaskScheduler& scheduler, const TKindCase& c)
    {
        SetScheduledProgramPath(ProgramPath(c));
        SetTaskScheduleAnswerHook([](TTaskScheduleForm& f) {
            while (f.isVisible() && f.Page() != wpSchedule)
                f.btnNext->click();
            f.SetCycle(cyDaily);
            f.tpStartDaily->setTime(QTime(6, 30));
            f.btnNext->click();
            f.btnNext->click();
        });
        TTaskScheduleDialog wizard;
        wizard.InitTaskScheduler(&scheduler);
        return wizard.Execute(-1, c.kind, FDir.filePath("jobs"), c.task, c.options);
    }

    // Opens the task list and lets the user act in it.
    int InList(TWinTaskScheduler& scheduler, const TKindCase& c,
               std::function<void(TSelectSchedTaskDialog&)> user)
    {
        SetSelectSchedTaskAnswerHook([&](TSelectSchedTaskDialog& d) {
            user(d);
            if (d.isVisible())
                d.reject();
        });
        int task = -1, trigger = -1;
        return SelectScheduledTask("x", scheduler, c.program, task, trigger);
    }

private slots:
    void initTestCase()
    {
        QVERIFY(FDir.isValid());
        SetMessageAnswerHook([this](TShowMsgDialog& box) {
            FMessages << box.Message();
            return int(mrYes);
        });
        for (const TKindCase& c : kCases)
            QVERIFY(MakeProgram(c));
    }

    void cronTasks()
    {
        if (!TTaskCronStore::CronInstalled())
            QSKIP("cron is not installed (Debian package cron)");
        for (const TKindCase& c : kCases) {
            FCrontab = "MAILTO=\"\"\n";
            TWinTaskScheduler scheduler(
                std::make_unique<TTaskCronStore>(FDir.filePath("cron-" + c.program), QString(),
                                                 Crontab(), FDir.filePath("cron.d/")));
            QCOMPARE(scheduler.Init(), 0);
            QCOMPARE(CreateDaily(scheduler, c), int(mrOk));
            QVERIFY2(FCrontab.startsWith("MAILTO=\"\"\n"), FCrontab.constData());
            QVERIFY2(FCrontab.contains("30 6 * * * "), FCrontab.constData());
            QVERIFY2(FCrontab.contains(ProgramPath(c).toUtf8()), FCrontab.constData());
            QCOMPARE(scheduler.TaskFolder()->Tasks(0).Definition().Actions(0).ExecArguments(),
                     c.arguments);

            QCOMPARE(InList(scheduler, c,
                            [&](TSelectSchedTaskDialog& d) {
                                QTreeWidgetItem* row = d.lvTasks->topLevelItem(0);
                                QCOMPARE(row->text(0), c.taskName);
                                QVERIFY2(row->text(3).contains("6:30") ||
                                             row->text(3).contains("06:30"),
                                         qPrintable(row->text(3)));
                                d.btbRun->click();
                                QTRY_VERIFY(QFile::exists(ProgramPath(c) + ".ran"));
                                QTRY_COMPARE_WITH_TIMEOUT(d.lvTasks->topLevelItem(0)->text(1),
                                                          QString("Ready"), 5000);
                                d.tsStatus->click();
                                QCOMPARE(d.lvTasks->topLevelItem(0)->text(1), QString("Disabled"));
                                QVERIFY(!FCrontab.contains("30 6 * * * "));
                                d.btnDelete->click();
                            }),
                     int(mrYes));
            QFile ran(ProgramPath(c) + ".ran");
            QVERIFY(ran.open(QIODevice::ReadOnly));
            QCOMPARE(QString::fromUtf8(ran.readAll()).split('|', Qt::SkipEmptyParts).join(' '),
                     SplitCommandLineForTest(c.arguments));
            QCOMPARE(FCrontab, QByteArray("MAILTO=\"\"\n"));
            QCOMPARE(scheduler.TaskFolder()->TaskCount(), 0);
        }
    }

    void systemdTasks()
    {
        for (const TKindCase& c : kCases) {
            FSystemctl.clear();
            const QString units = FDir.filePath("units-" + c.program + "/");
            TWinTaskScheduler scheduler(std::make_unique<TTaskSystemdStore>(
                units, [this](const QStringList& args) { return Systemctl(args); }));
            QCOMPARE(scheduler.Init(), 0);
            SetLingerToolRunner([](const QString&, const QStringList&, const QByteArray&) {
                return TToolOutput{0, "Linger=yes\n", {}};
            });
            QCOMPARE(CreateDaily(scheduler, c), int(mrOk));
            SetLingerToolRunner({});
            const QString base = SystemdUnitBase(c.taskName);
            QFile service(units + base + ".service"), timer(units + base + ".timer");
            QVERIFY(service.open(QIODevice::ReadOnly) && timer.open(QIODevice::ReadOnly));
            const QString serviceText = QString::fromUtf8(service.readAll());
            QVERIFY2(serviceText.contains("ExecStart=" + SystemdExecWord(ProgramPath(c))),
                     qPrintable(serviceText));
            QVERIFY2(QString::fromUtf8(timer.readAll()).contains(" 06:30:00\n"),
                     qPrintable(timer.fileName()));
            QVERIFY(FSystemctl.contains("enable --now " + base + ".timer"));

            FMainPid = 0;
            QCOMPARE(InList(scheduler, c,
                            [&](TSelectSchedTaskDialog& d) {
                                QTreeWidgetItem* row = d.lvTasks->topLevelItem(0);
                                QCOMPARE(row->text(0), c.taskName);
                                QVERIFY2(row->text(3).contains("6:30"), qPrintable(row->text(3)));
                                d.btbRun->click();
                                QVERIFY(
                                    FSystemctl.contains("start --no-block " + base + ".service"));
                                FMainPid = 4711;
                                QVERIFY(d.CheckStates());
                                QCOMPARE(d.lvTasks->topLevelItem(0)->text(1), QString("Running"));
                                FMainPid = 0;
                                QVERIFY(d.CheckStates());
                                d.tsStatus->click();
                                QVERIFY(FSystemctl.contains("disable --now " + base + ".timer"));
                                QCOMPARE(d.lvTasks->topLevelItem(0)->text(1), QString("Disabled"));
                                d.btnDelete->click();
                            }),
                     int(mrYes));
            QVERIFY(!QFile::exists(units + base + ".service"));
            QVERIFY(!QFile::exists(units + base + ".timer"));
        }
    }

private:
    static QString SplitCommandLineForTest(const QString& line);
};

QString tst_TaskWizardBackends::SplitCommandLineForTest(const QString& line)
{
    return SplitCommandLine(line).join(' ');
}

QTEST_MAIN(tst_TaskWizardBackends)
#include "tst_TaskWizardBackends.moc"
