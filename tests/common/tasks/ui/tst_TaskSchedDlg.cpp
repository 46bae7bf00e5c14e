#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>
#include <QTreeWidget>

#include "common/platform/LogonCheck.h"
#include "common/tasks/TaskFileStore.h"
#include "common/tasks/TaskSystemd.h"
#include "common/tasks/WinTask.h"
#include "common/tasks/ui/SelSchedTaskDlg.h"
#include "common/tasks/ui/TaskSchedDlg.h"
#include "common/tasks/ui/TaskSchedForm.h"
#include "common/ui/ShortcutDlg.h"
#include "common/ui/ShowMessageDlg.h"
#include "support/AccessibleNames.h"

Q_DECLARE_METATYPE(TTaskTriggerData)

namespace {

const QString kPlaner = "/opt/kv dir/bin/KvPlaner";
const QString kStarter = "/opt/kv dir/bin/KvStarter";

TTaskTriggerData Trigger(int type, std::function<void(TTaskTriggerData&)> change = {})
{
    TTaskTriggerData t;
    t.type = type;
    t.startBoundary = "2026-03-02T22:15:00";
    if (change)
        change(t);
    return t;
}

// The fields of a trigger the wizard shows and writes.
QString Describe(const TTaskTriggerData& t)
{
    return QStringList{QString::number(t.type),
                       t.startBoundary,
                       t.endBoundary,
                       t.enabled ? "on" : "off",
                       t.repetition.interval,
                       t.executionTimeLimit,
                       QString::number(t.daysInterval),
                       QString::number(t.weeksInterval),
                       QString::number(t.daysOfWeek),
                       QString::number(t.daysOfMonth),
                       QString::number(t.monthsOfYear),
                       QString::number(t.weeksOfMonth),
                       t.runOnLastDayOfMonth ? "lastday" : "-",
                       t.runOnLastWeekOfMonth ? "lastweek" : "-",
                       t.randomDelay,
                       t.delay,
                       t.subscription,
                       t.userId}
        .join(u'|');
}

void Click(QAbstractButton* button)
{
    button->click();
}

} // namespace

class tst_TaskSchedDlg : public QObject {
    Q_OBJECT

    QTemporaryDir FDir;
    std::unique_ptr<TWinTaskScheduler> FScheduler;
    TTaskScheduleDialog FWizard;
    QStringList FMessages;
    int FAnswer = mrYes;
    bool FShown = false;

    TTaskFileStore& Store() { return static_cast<TTaskFileStore&>(FScheduler->Backend()); }

    int Run(int index, TKvAction kind, const QString& task, const QString& options,
            std::function<void(TTaskScheduleForm&)> user)
    {
        FShown = false;
        SetTaskScheduleAnswerHook([&](TTaskScheduleForm& form) {
            FShown = true;
            user(form);
            if (form.isVisible())
                form.reject();
        });
        return FWizard.Execute(index, kind, "/jobs", task, options);
    }

    static void ToUserPage(TTaskScheduleForm& form)
    {
        while (form.isVisible() && form.Page() != wpUser)
            Click(form.btnNext);
    }
    static void Finish(TTaskScheduleForm& form)
    {
        ToUserPage(form);
        Click(form.btnNext);
    }

    void AddTask(const QString& name, const QString& program, const TTaskTriggerData& trigger)
    {
        TWinTask task;
        TWinTaskAction& action = task.NewAction(taExec);
        action.SetExecPath(program);
        action.SetExecArguments("\"Weekly Full\" /parallel /prompt:silent /Zip");
        task.Definition().triggers.push_back(std::make_shared<TTaskTriggerData>(trigger));
        task.SetDate(QDateTime(QDate(2026, 1, 1), QTime(0, 0)));
        Store().Register(name, task.Definition(), {}, {});
        FScheduler->Refresh();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(FDir.isValid());
        SetMessageAnswerHook([this](TShowMsgDialog& box) {
            FMessages << box.Message();
            return FAnswer;
        });
    }
    void init()
    {
        static int round = 0;
        FScheduler = std::make_unique<TWinTaskScheduler>(
            std::make_unique<TTaskFileStore>(FDir.filePath(QString("tasks%1").arg(++round))));
        QCOMPARE(FScheduler->Init(), 0);
        FWizard.InitTaskScheduler(FScheduler.get());
        SetScheduledProgramPath(kPlaner);
        FMessages.clear();
        FAnswer = mrYes;
    }

    void newScheduleTaskWithPresets()
    {
        const int result = Run(-1, kaSchedule, "Weekly Full", "", [](TTaskScheduleForm& f) {
            QCOMPARE(f.windowTitle(),
                     QString("Windows Scheduled Task Wizard (Alternating schedule)"));
            QCOMPARE(f.edJobName->text(), QString("Schedule-Weekly Full"));
            QVERIFY(f.laBackend->text().contains("will not run by itself"));
            QCOMPARE(f.Page(), wpProgram);
            QVERIFY(!f.btnBack->isEnabled() && f.btnTask->isHidden());
            QCOMPARE(f.edTasks->text(), QString("\"Weekly Full\""));
            QCOMPARE(f.edOptions->text(), QString("/hide /prompt:delay /wait:3"));
            Click(f.btnNext);
            QCOMPARE(f.Page(), wpSchedule);
            QCOMPARE(f.Cycle(), cyDaily);
            QCOMPARE(f.laTrigger->text(), QString("New schedule"));
            QVERIFY(f.btnBack->isEnabled());
            Click(f.btnNext);
            QCOMPARE(f.Page(), wpUser);
            QCOMPARE(f.btnNext->text(), QString("Done"));
            QVERIFY(!f.edUser->isEnabled() && f.edPwd->isHidden());
            Click(f.btnBack);
            QCOMPARE(f.Page(), wpSchedule);
            QCOMPARE(f.btnNext->text(), QString("Next"));
            Click(f.btnBack);
            QCOMPARE(f.Page(), wpProgram);
            f.tpStartDaily->setTime(QTime(10, 29, 40));
            Finish(f);
        });
        QCOMPARE(result, int(mrOk));
        QCOMPARE(FMessages, QStringList());
        const TTaskDefinitionData d = Store().Definition("Schedule-Weekly Full");
        QCOMPARE(d.actions.at(0)->path, "\"" + kPlaner + "\"");
        QCOMPARE(d.actions.at(0)->arguments,
                 QString("\"Weekly Full\" /hide /prompt:delay /wait:3"));
        QCOMPARE(d.data, QString("Schedule-Weekly Full"));
        QCOMPARE(d.registration.description, QString("This task was created by Kelvara"));
        QCOMPARE(d.principal.logonType, int(ltToken));
        QCOMPARE(d.triggers.size(), size_t(1));
        QCOMPARE(d.triggers[0]->type, TriggerKind::kDaily);
        QVERIFY(d.triggers[0]->startBoundary.endsWith("T10:30:00"));
        QCOMPARE(FWizard.TaskNr(), 0);
    }

    void newStarterTaskKeepsItsCommandLine()
    {
        SetScheduledProgramPath(kStarter);
        const int result =
            Run(-1, kaStarter, "Nightly", "Docs,Mail /force /logmode:1", [](TTaskScheduleForm& f) {
                QCOMPARE(f.Page(), wpSchedule); // no Settings page for groups
                QVERIFY(!f.btnBack->isEnabled());
                f.SetCycle(cyWeekly);
                Click(f.cbWeekdays[0]); // Monday off: the last weekday comes back on
                QVERIFY(f.cbWeekdays[0]->isChecked());
                Click(f.cbWeekdays[4]);
                Finish(f);
            });
        QCOMPARE(result, int(mrOk));
        const TTaskDefinitionData d = Store().Definition("Starter-Nightly");
        QCOMPARE(d.actions.at(0)->arguments, QString("Docs,Mail /force /logmode:1"));
        QCOMPARE(d.data, QString("Starter-Nightly"));
        QCOMPARE(d.triggers[0]->type, TriggerKind::kWeekly);
        QCOMPARE(d.triggers[0]->daysOfWeek, 2 | 32); // Monday and Friday, Sunday first
    }

    void triggerShownAndWrittenBack_data()
    {
        QTest::addColumn<TTaskTriggerData>("trigger");
        QTest::addColumn<int>("cycle");
        QTest::newRow("every 3 days")
            << Trigger(TriggerKind::kDaily, [](auto& t) { t.daysInterval = 3; }) << int(cyDaily);
        QTest::newRow("every day, disabled")
            << Trigger(TriggerKind::kDaily, [](auto& t) { t.enabled = false; }) << int(cyDaily);
        QTest::newRow("weekly") << Trigger(TriggerKind::kWeekly, [](auto& t) {
            t.weeksInterval = 2;
            t.daysOfWeek = 2 | 32;
        }) << int(cyWeekly);
        QTest::newRow("monthly days") << Trigger(TriggerKind::kMonthly, [](auto& t) {
            t.daysOfMonth = 1 | (1 << 14);
            t.runOnLastDayOfMonth = true;
            t.monthsOfYear = 1 | 64;
        }) << int(cyMonthly);
        QTest::newRow("monthly weekdays") << Trigger(TriggerKind::kMonthlyDow, [](auto& t) {
            t.weeksOfMonth = 1;
            t.runOnLastWeekOfMonth = true;
            t.daysOfWeek = 1;
            t.monthsOfYear = 4095;
        }) << int(cyMonthly);
        QTest::newRow("one time, random delay")
            << Trigger(TriggerKind::kTime, [](auto& t) { t.randomDelay = "PT1M30S"; })
            << int(cyOneTime);
        QTest::newRow("logon with delay") << Trigger(TriggerKind::kLogon, [](auto& t) {
            t.userId = "someone";
            t.delay = "PT2H";
            t.startBoundary.clear();
        }) << int(cyLogon);
        QTest::newRow("wake up") << Trigger(TriggerKind::kEvent, [](auto& t) {
            t.subscription = "<QueryList/>";
            t.delay = "PT10M";
        }) << int(cyWakeUp);
        QTest::newRow("expiry, repetition, limit") << Trigger(TriggerKind::kDaily, [](auto& t) {
            t.endBoundary = "2099-05-01T23:59:00";
            t.repetition.interval = "PT1H";
            t.repetition.duration = "PT8H";
            t.executionTimeLimit = "PT3H";
        }) << int(cyDaily);
    }
    void triggerShownAndWrittenBack()
    {
        QFETCH(TTaskTriggerData, trigger);
        QFETCH(int, cycle);
        AddTask("Schedule-Weekly Full", kPlaner, trigger);
        const int result = Run(1, kaSchedule, {}, {}, [&](TTaskScheduleForm& f) {
            QCOMPARE(int(f.Cycle()), cycle);
            QCOMPARE(f.laTrigger->text(), QString("1st Schedule"));
            QCOMPARE(f.cbEnabled->isChecked(), trigger.enabled);
            QCOMPARE(f.edTasks->text(), QString("\"Weekly Full\""));
            QVERIFY(!f.cbHide->isChecked() && f.cbParallel->isChecked());
            QCOMPARE(f.cbxPrompt->currentIndex(), int(pmSilent));
            QCOMPARE(f.edUserOptions->text(), QString("/Zip"));
            if (cycle == cyLogon) {
                QCOMPARE(f.laUser->text(), QString("someone"));
                QVERIFY(!f.cbActivate->isChecked());
                QCOMPARE(f.reDelay->value->value(), 2);
                QVERIFY(f.btEventEdit->isHidden());
            } else if (cycle == cyOneTime) {
                QCOMPARE(f.reRandom->value->value(), 90);
                QCOMPARE(f.reRandom->unit->currentText(), QString("seconds(s)"));
            } else if (cycle == cyMonthly) {
                QCOMPARE(f.rbSpecialday->isChecked(), trigger.type == TriggerKind::kMonthlyDow);
            }
            Finish(f);
        });
        QCOMPARE(result, int(mrOk));
        const TTaskDefinitionData d = Store().Definition("Schedule-Weekly Full");
        QCOMPARE(d.triggers.size(), size_t(1));
        TTaskTriggerData expected = trigger;
        // The end lies at the end of its day unless the advanced settings were opened.
        if (!expected.endBoundary.isEmpty())
            expected.endBoundary = "2099-05-01T23:59:59";
        if (trigger.type == TriggerKind::kLogon)
            expected.userId = QString::fromStdString(CurrentAccountName()); // follows the account
        QCOMPARE(Describe(*d.triggers[0]), Describe(expected));
        QCOMPARE(d.actions.at(0)->arguments,
                 QString("\"Weekly Full\" /parallel /prompt:silent /Zip"));
    }

    void taskOfAMovedProgramStartsThisOne()
    {
        AddTask("Schedule-Weekly Full", "/old/place/KvPlaner", Trigger(TriggerKind::kDaily));
        QCOMPARE(Run(1, kaSchedule, {}, {}, Finish), int(mrOk));
        QCOMPARE(Store().Definition("Schedule-Weekly Full").actions.at(0)->path,
                 "\"" + kPlaner + "\"");
    }

    void changingTheKindReplacesTheTrigger()
    {
        AddTask("Schedule-Weekly Full", kPlaner, Trigger(TriggerKind::kDaily));
        QCOMPARE(Run(1, kaSchedule, {}, {},
                     [](TTaskScheduleForm& f) {
                         f.SetCycle(cyMonthly);
                         Click(f.rbSpecialday);
                         for (int i = 0; i < f.ccWeekdays->count(); ++i)
                             f.ccWeekdays->item(i)->setCheckState(Qt::Unchecked);
                         f.ccWeekdays->item(6)->setCheckState(Qt::Checked); // Sunday
                         f.ccMonthStart->item(0)->setCheckState(Qt::Unchecked);
                         Finish(f);
                     }),
                 int(mrOk));
        const TTaskDefinitionData d = Store().Definition("Schedule-Weekly Full");
        QCOMPARE(d.triggers.size(), size_t(1));
        QCOMPARE(d.triggers[0]->type, TriggerKind::kMonthlyDow);
        QCOMPARE(d.triggers[0]->daysOfWeek, 1);   // Sunday
        QCOMPARE(d.triggers[0]->weeksOfMonth, 1); // none chosen: the first week
    }

    void refusesWhatItCannotShow_data()
    {
        QTest::addColumn<TTaskTriggerData>("trigger");
        QTest::addColumn<QString>("name");
        QTest::newRow("idle") << Trigger(TriggerKind::kIdle) << "On idle";
        QTest::newRow("logon of anyone") << Trigger(TriggerKind::kLogon) << "At log on";
        QTest::newRow("startup") << Trigger(TriggerKind::kBoot) << "At startup";
    }
    void refusesWhatItCannotShow()
    {
        QFETCH(TTaskTriggerData, trigger);
        QFETCH(QString, name);
        AddTask("Schedule-Weekly Full", kPlaner, trigger);
        const QString before = DefinitionToXml(Store().Definition("Schedule-Weekly Full"));
        QCOMPARE(Run(1, kaSchedule, {}, {}, [](TTaskScheduleForm&) {}), int(mrCancel));
        QVERIFY(!FShown);
        QCOMPARE(FMessages, QStringList{"The trigger mode \"" + name +
                                        "\" is not supported by Kelvara.\nPlease use the "
                                        "Windows Task Scheduler for editing!"});
        QCOMPARE(DefinitionToXml(Store().Definition("Schedule-Weekly Full")), before);
    }

    void existingNameAsksFirst()
    {
        AddTask("Schedule-Weekly Full", kPlaner,
                Trigger(TriggerKind::kWeekly, [](auto& t) { t.daysOfWeek = 4; }));
        const QString before = DefinitionToXml(Store().Definition("Schedule-Weekly Full"));
        FAnswer = mrNo;
        QCOMPARE(Run(-1, kaSchedule, "Weekly Full", "", [](TTaskScheduleForm&) {}), int(mrCancel));
        QCOMPARE(FMessages, QStringList{"Task \"Schedule-Weekly Full\" already exists - edit?"});
        QVERIFY(!FShown);
        QCOMPARE(DefinitionToXml(Store().Definition("Schedule-Weekly Full")), before);
        FAnswer = mrYes;
        QCOMPARE(Run(-1, kaSchedule, "Weekly Full", "",
                     [](TTaskScheduleForm& f) {
                         QCOMPARE(f.Cycle(), cyWeekly);
                         QVERIFY(f.cbWeekdays[1]->isChecked()); // Tuesday
                     }),
                 int(mrCancel));
        QVERIFY(FShown);
    }

    void accountsThatCannotRunIt()
    {
        // An unknown account may be mended: the caller opens the wizard again.
        QCOMPARE(Run(-1, kaSchedule, "Weekly Full", "",
                     [](TTaskScheduleForm& f) {
                         ToUserPage(f);
                         Click(f.rbAnyUser);
                         QVERIFY(f.edUser->isEnabled() && f.edPwd->isVisible());
                         f.edUser->setText("kv-no-such-account");
                         f.edPwd->setText("secret");
                         Click(f.btnNext);
                     }),
                 int(mrRetry));
        QCOMPARE(FMessages.size(), 1);
        QVERIFY2(FMessages[0].startsWith("Could not create or modify scheduled task!\n"
                                         "No mapping between account names"),
                 qPrintable(FMessages[0]));
        QVERIFY(Store().TaskNames().isEmpty());
    }

    void failingBackendIsNoSuccess()
    {
        QFile blocker(FDir.filePath("blocker"));
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        FScheduler = std::make_unique<TWinTaskScheduler>(
            std::make_unique<TTaskFileStore>(FDir.filePath("blocker/tasks")));
        FScheduler->Refresh();
        FWizard.InitTaskScheduler(FScheduler.get());
        QCOMPARE(Run(-1, kaSchedule, "Weekly Full", "", Finish), int(mrCancel));
        QCOMPARE(FMessages.size(), 1);
        QVERIFY2(FMessages[0].contains("Access is denied. (0x80070005) - The task folder"),
                 qPrintable(FMessages[0]));
    }

    void nothingToChoose()
    {
        SetScheduledProgramPath(kStarter);
        QCOMPARE(Run(0, kaStarter, {}, "Docs", [](TTaskScheduleForm&) {}), int(mrNo));
        QCOMPARE(FMessages, QStringList{"No scheduled tasks using KvStarter found!"});
        FMessages.clear();
        FAnswer = mrNo;
        SetScheduledProgramPath(kPlaner);
        QCOMPARE(Run(0, kaSchedule, "Weekly Full", "", [](TTaskScheduleForm&) {}), int(mrCancel));
        QCOMPARE(FMessages,
                 QStringList{"No scheduled tasks using KvPlaner found!\nCreate new task?"});
        FWizard.InitTaskScheduler(nullptr);
        FMessages.clear();
        QCOMPARE(Run(-1, kaSchedule, "x", "", [](TTaskScheduleForm&) {}), int(mrCancel));
        QCOMPARE(FMessages, QStringList{"Scheduled tasks are not available on this computer!"});
    }

    void chosenGroupTaskGetsTheNewCommandLine()
    {
        SetScheduledProgramPath(kStarter);
        AddTask("Starter-Nightly", kStarter, Trigger(TriggerKind::kDaily));
        AddTask("Schedule-Other", kPlaner, Trigger(TriggerKind::kDaily));
        SetSelectSchedTaskAnswerHook([](TSelectSchedTaskDialog& d) {
            QCOMPARE(d.lvTasks->topLevelItemCount(), 1);
            Click(d.btbEdit);
        });
        QStringList groups;
        SetShortcutAnswerHook([&](TShortcutDialog& d) {
            QCOMPARE(d.edName->text(), QString("Starter-Nightly"));
            for (int i = 0; i < d.lbConfigs->count(); ++i)
                groups << d.lbConfigs->item(i)->text();
            d.edName->setText("Starter-Late");
            d.Preset("Mail /force");
            Click(d.btOk);
        });
        QCOMPARE(Run(0, kaStarter, {}, "Docs,Mail", Finish), int(mrOk));
        SetSelectSchedTaskAnswerHook({});
        SetShortcutAnswerHook({});
        QCOMPARE(groups, (QStringList{"Docs", "Mail"}));
        // Renamed: the task is kept under its new name only.
        QCOMPARE(Store().TaskNames(), (QStringList{"Schedule-Other", "Starter-Late"}));
        QVERIFY(Store().Definition("Starter-Late").actions.at(0)->arguments.startsWith("Mail"));
    }

    void activeTasksOfAProgram()
    {
        AddTask("Schedule-B", kPlaner, Trigger(TriggerKind::kDaily));
        AddTask("Starter-A", kStarter, Trigger(TriggerKind::kDaily));
        AddTask("Schedule-C", kPlaner, Trigger(TriggerKind::kDaily));
        const QVector<TActiveTask> tasks = GetActiveTasks(*FScheduler, "KvPlaner");
        QCOMPARE(tasks.size(), 2);
        QCOMPARE(tasks[0].Name, QString("Schedule-B"));
        QCOMPARE(tasks[1].Index, 1);
    }

    void lingeringIsOffered()
    {
        QStringList calls;
        int enableExit = 1;
        SetLingerToolRunner(
            [&](const QString& program, const QStringList& args, const QByteArray&) {
                calls << program + ' ' + args.value(0);
                if (args.value(0) == "show-user")
                    return TToolOutput{0, "Linger=no\n", {}};
                return TToolOutput{enableExit, {}, enableExit ? "Access denied" : QString()};
            });
        FScheduler = std::make_unique<TWinTaskScheduler>(
            std::make_unique<TTaskSystemdStore>(FDir.filePath("units"), [](const QStringList&) {
                return TTaskSystemdStore::TCommandOutput{0, {}, {}};
            }));
        FScheduler->Refresh();
        FWizard.InitTaskScheduler(FScheduler.get());
        Run(-1, kaSchedule, "Weekly Full", "", [&](TTaskScheduleForm& f) {
            QVERIFY(f.laBackend->text().contains("systemd user timers"));
            QVERIFY(f.laBackend->text().contains("only while you are logged in"));
            QVERIFY(f.btLinger->isVisible());
            Click(f.btLinger);
            QCOMPARE(FMessages.size(), 1);
            QVERIFY(FMessages[0].contains("Access denied"));
            QVERIFY(f.btLinger->isVisible());
            enableExit = 0;
            Click(f.btLinger);
            QVERIFY(f.btLinger->isHidden());
            QVERIFY(!f.laBackend->text().contains("only while you are logged in"));
        });
        SetLingerToolRunner({});
        QCOMPARE(calls.filter("enable-linger").size(), 2);
    }

    void everyControlHasAName()
    {
        QStringList missing;
        Run(-1, kaSchedule, "Weekly Full", "", [&](TTaskScheduleForm& f) {
            for (int cycle = cyDaily; cycle <= cyWakeUp; ++cycle) {
                f.SetCycle(TCycle(cycle));
                missing += ControlsWithoutAccessibleName(&f);
                Click(f.btnNext);
            }
            Click(f.rbAnyUser);
            Click(f.btnNext);
            missing += ControlsWithoutAccessibleName(&f);
        });
        missing.removeDuplicates();
        QCOMPARE(missing.join(u','), QString());
    }
};

QTEST_MAIN(tst_TaskSchedDlg)
#include "tst_TaskSchedDlg.moc"
