#include <QCheckBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include "ScriptedTaskBackend.h"
#include "common/tasks/TaskTimes.h"
#include "common/tasks/ui/SelSchedTaskDlg.h"
#include "common/ui/ShowMessageDlg.h"
#include "support/AccessibleNames.h"

namespace {

const QString kOwn = "/opt/kv/bin/KvStarter";

TTaskTriggerData Trigger(int type)
{
    TTaskTriggerData trigger;
    trigger.type = type;
    trigger.startBoundary = "2026-01-05T06:30:00";
    return trigger;
}

QStringList Column(QTreeWidget* list, int column)
{
    QStringList texts;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        texts << list->topLevelItem(i)->text(column);
    return texts;
}

} // namespace

class tst_SelSchedTaskDlg : public QObject {
    Q_OBJECT

    TScriptedTaskBackend* FBackend = nullptr;
    std::unique_ptr<TWinTaskScheduler> FScheduler;
    QStringList FMessages;
    int FAnswer = mrYes;

    int Select(std::function<void(TSelectSchedTaskDialog&)> user, int* taskIndex = nullptr,
               int* trgIndex = nullptr)
    {
        bool shown = false;
        SetSelectSchedTaskAnswerHook([&](TSelectSchedTaskDialog& d) {
            shown = true;
            user(d);
            if (d.isVisible())
                d.reject();
        });
        int task = -2, trigger = -2;
        const int result =
            SelectScheduledTask("Start backups", *FScheduler, "KvStarter", task, trigger);
        if (taskIndex)
            *taskIndex = task;
        if (trgIndex)
            *trgIndex = trigger;
        if (!shown)
            FMessages << "(not shown)";
        return result;
    }

private slots:
    void init()
    {
        auto backend = std::make_unique<TScriptedTaskBackend>();
        FBackend = backend.get();
        FScheduler = std::make_unique<TWinTaskScheduler>(std::move(backend));
        QCOMPARE(FScheduler->Init(), 0);
        FMessages.clear();
        FAnswer = mrYes;
        SetMessageAnswerHook([this](TShowMsgDialog& box) {
            FMessages << box.Message();
            return FAnswer;
        });
    }

    void onlyOtherProgramsGivesNoWithoutShowing()
    {
        FBackend->Add("Other", "/usr/bin/KvStarter.bak");
        FBackend->Add("Planner", "/opt/kv/bin/KvPlaner");
        FScheduler->Refresh();
        QCOMPARE(Select([](TSelectSchedTaskDialog&) {}), int(mrNo));
        QCOMPARE(FMessages, QStringList{"(not shown)"});
    }

    void rowsShowStateTimesAndDetails()
    {
        FBackend->Add("Starter-Logon", kOwn, Trigger(TriggerKind::kLogon));
        FBackend->Add("Starter-Wake", kOwn, Trigger(TriggerKind::kEvent));
        auto& ran =
            FBackend->Add("Starter-Daily", "\"" + kOwn + "\"", Trigger(TriggerKind::kDaily));
        ran.info.lastRunTime = QDateTime(QDate(2026, 1, 4), QTime(6, 30));
        ran.info.lastResult = 2;
        ran.info.nextRunTime = QDateTime(QDate(2026, 1, 5), QTime(6, 30));
        FBackend->tasks["Starter-Broken"].damaged = true;
        FScheduler->Refresh();
        int taskIndex = -1, trgIndex = -1;
        const int result = Select(
            [&](TSelectSchedTaskDialog& d) {
                QCOMPARE(Column(d.lvTasks, 0), (QStringList{"Starter-Broken", "Starter-Daily",
                                                            "Starter-Logon", "Starter-Wake"}));
                QCOMPARE(Column(d.lvTasks, 1), (QStringList{"Damaged", "Ready", "Ready", "Ready"}));
                QCOMPARE(Column(d.lvTasks, 2).mid(1),
                         (QStringList{TaskTimeToDisplay(ran.info.lastRunTime), "Not yet run",
                                      "Not yet run"}));
                QCOMPARE(Column(d.lvTasks, 3).mid(1),
                         (QStringList{TaskTimeToDisplay(ran.info.nextRunTime), "on logon",
                                      "on wake up"}));
                // A damaged task can be seen and deleted, never edited.
                QCOMPARE(d.gbDetails->title(), QString("Properties of task: Starter-Broken"));
                QVERIFY(!d.btbRun->isEnabled() && !d.tsStatus->isEnabled());
                QTest::mouseClick(d.btbEdit, Qt::LeftButton);
                QVERIFY(d.isVisible());
                QVERIFY(FMessages.value(0).contains("is damaged and cannot be edited"));
                d.lvTasks->setCurrentItem(d.lvTasks->topLevelItem(1));
                QCOMPARE(d.edApplication->text(), kOwn);
                QCOMPARE(d.edParameters->text(), QString("Docs /force"));
                QCOMPARE(d.edComment->text(), QString("made by the test"));
                QCOMPARE(d.lbTriggers->count(), 1);
                QVERIFY(d.lbTriggers->item(0)->text().startsWith("1: At 06:30 every day"));
                QCOMPARE(d.btbRun->accessibleName(), QString("Run task"));
                QTest::mouseClick(d.btbEdit, Qt::LeftButton);
            },
            &taskIndex, &trgIndex);
        QCOMPARE(result, int(mrOk));
        QCOMPARE(FScheduler->TaskFolder()->Tasks(taskIndex).TaskName(), QString("Starter-Daily"));
        QCOMPARE(trgIndex, 0);
    }

    void headerClicksSort()
    {
        const QDateTime base(QDate(2026, 2, 1), QTime(8, 0));
        FBackend->Add("Starter-b", kOwn).info.lastRunTime = base;
        FBackend->Add("Starter-A", kOwn);
        FBackend->Add("Starter-c", kOwn).info.lastRunTime = base.addDays(1);
        FScheduler->Refresh();
        Select([&](TSelectSchedTaskDialog& d) {
            QCOMPARE(Column(d.lvTasks, 0), (QStringList{"Starter-A", "Starter-b", "Starter-c"}));
            d.SortByColumn(0);
            QCOMPARE(Column(d.lvTasks, 0), (QStringList{"Starter-c", "Starter-b", "Starter-A"}));
            // A new column starts descending: never-run rows go last.
            d.lvTasks->header()->sectionClicked(2);
            QCOMPARE(Column(d.lvTasks, 0), (QStringList{"Starter-c", "Starter-b", "Starter-A"}));
            d.lvTasks->header()->sectionClicked(2);
            QCOMPARE(Column(d.lvTasks, 0), (QStringList{"Starter-A", "Starter-b", "Starter-c"}));
            QCOMPARE(d.lvTasks->header()->sortIndicatorOrder(), Qt::AscendingOrder);
        });
    }

    void followsStateChangesWhileOpen()
    {
        FBackend->Add("Starter-A", kOwn).info.state = TaskState::kRunning;
        FBackend->Add("Starter-B", kOwn);
        FScheduler->Refresh();
        Select([&](TSelectSchedTaskDialog& d) {
            QVERIFY(d.tmUpdate->isActive());
            QCOMPARE(Column(d.lvTasks, 1), (QStringList{"Running", "Ready"}));
            QCOMPARE(d.btbRun->toolTip(), QString("Stop task"));
            QVERIFY(!d.CheckStates());
            FBackend->tasks["Starter-A"].info.state = TaskState::kReady;
            QTRY_COMPARE_WITH_TIMEOUT(Column(d.lvTasks, 1), (QStringList{"Ready", "Ready"}), 2500);
            QCOMPARE(d.btbRun->toolTip(), QString("Run task"));
        });
    }

    void runStopAndEnable()
    {
        FBackend->Add("Starter-A", kOwn);
        FScheduler->Refresh();
        Select([&](TSelectSchedTaskDialog& d) {
            QTest::mouseClick(d.btbRun, Qt::LeftButton);
            QCOMPARE(FMessages.value(0), QString("Run selected task?"));
            QCOMPARE(Column(d.lvTasks, 1), QStringList{"Running"});
            QVERIFY(!d.tsStatus->isEnabled());
            QTest::mouseClick(d.btbRun, Qt::LeftButton);
            QCOMPARE(FMessages.value(1), QString("Stop selected task?"));
            QCOMPARE(Column(d.lvTasks, 1), QStringList{"Ready"});
            d.tsStatus->click();
            QCOMPARE(Column(d.lvTasks, 1), QStringList{"Disabled"});
            QCOMPARE(d.tsStatus->text(), QString("No"));
            QVERIFY(!d.btbRun->isEnabled());
        });
        QVERIFY(!FBackend->tasks["Starter-A"].definition.settings.enabled);
    }

    void deletingAndClosingWithoutChoice_data()
    {
        QTest::addColumn<int>("tasks");
        QTest::addColumn<bool>("deleteFirst");
        QTest::addColumn<bool>("unselect");
        QTest::addColumn<int>("rectify"); // answer to "No task selected - rectify?"
        QTest::addColumn<int>("result");
        QTest::newRow("delete the last") << 1 << true << false << int(mrNo) << int(mrYes);
        QTest::newRow("delete one, edit another") << 2 << true << false << int(mrNo) << int(mrYes);
        QTest::newRow("edit with none selected") << 2 << false << true << int(mrNo) << int(mrYes);
    }
    void deletingAndClosingWithoutChoice()
    {
        QFETCH(int, tasks);
        QFETCH(bool, deleteFirst);
        QFETCH(bool, unselect);
        QFETCH(int, rectify);
        QFETCH(int, result);
        for (int i = 0; i < tasks; ++i)
            FBackend->Add(QString("Starter-%1").arg(i), kOwn);
        FScheduler->Refresh();
        const int got = Select([&](TSelectSchedTaskDialog& d) {
            if (deleteFirst)
                QTest::mouseClick(d.btnDelete, Qt::LeftButton);
            if (unselect)
                d.lvTasks->setCurrentItem(nullptr);
            FAnswer = rectify;
            if (d.isVisible())
                QTest::mouseClick(d.btbEdit, Qt::LeftButton);
        });
        QCOMPARE(got, result);
        QCOMPARE(int(FBackend->tasks.size()), tasks - (deleteFirst ? 1 : 0));
        if (unselect)
            QCOMPARE(FMessages.last(), QString("No task selected - rectify?"));
    }

    void everyControlHasAName()
    {
        FBackend->Add("Starter-A", kOwn, Trigger(TriggerKind::kDaily));
        FScheduler->Refresh();
        QStringList missing{"not shown"};
        Select([&](TSelectSchedTaskDialog& d) { missing = ControlsWithoutAccessibleName(&d); });
        QCOMPARE(missing.join(u','), QString());
    }
};

QTEST_MAIN(tst_SelSchedTaskDlg)
#include "tst_SelSchedTaskDlg.moc"
