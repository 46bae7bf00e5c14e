#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

#include "common/backup/Options.h"
#include "common/infra/IniFileUtils.h"
#include "common/tasks/TaskFileStore.h"
#include "common/tasks/WinTask.h"
#include "common/ui/ErrorActionDlg.h"
#include "common/ui/ShowMessageDlg.h"
#include "planner/BackupLauncher.h"
#include "planner/Clock.h"
#include "planner/ScheduleRun.h"
#include "planner/ui/CalendarDlg.h"
#include "planner/ui/DesktopIconDlg.h"
#include "planner/ui/HauptForm.h"
#include "support/AccessibleNames.h"
#include "support/RecordingReporter.h"
#include "support/ScopedEnv.h"

namespace {

class FixedClock : public TClock {
public:
    QDate today{2025, 1, 1};
    QDate Today() const override { return today; }
};

// Records the command lines; nothing is started.
class CommandRecorder : public TProcessLauncher {
public:
    QStringList lines;
    TLaunchOutcome Start(const QString& commandLine, bool, const std::function<void()>&) override
    {
        lines << commandLine;
        return {};
    }
};

struct WizardCall {
    int index;
    TKvAction action;
    QString path, task, options;
};

const char* const kThreeSchedules =
    "[Config]\nCount=3\nJobDir=@/\n"
    "[Sched00]\nName=Daily\nTask=@/daily.buj\nCycles=3\nSteps=4\nFirstDay=0\nNextCycle=3\n"
    "LastDay=45000\n"
    "[Sched01]\nName=Weekly\nTask=@/weekly.buj\nCycles=2\nSteps=7\nFirstDay=5\nDifferential=0\n"
    "NextCycle=9\nLastFull=8\n"
    "[Sched02]\nName=Photos\nTask=@/photos.buj\nCycles=1\nSteps=10\nFirstDay=0\n";

QStringList Row(const QTreeWidget* list, int row)
{
    QStringList texts;
    const QTreeWidgetItem* item = list->topLevelItem(row);
    for (int c = 0; item && c < list->columnCount(); ++c)
        texts << item->text(c);
    return texts;
}

} // namespace

class tst_HauptForm : public QObject {
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<ScopedEnv> home, config;
    QString ini;
    RecordingReporter reporter; // the run's own messages
    CommandRecorder launcher;
    FixedClock clock;
    std::unique_ptr<TPlanerRun> run;
    std::unique_ptr<THauptForm> form;
    QStringList shown; // message boxes
    bool answerYes = true;
    std::vector<WizardCall> wizardCalls;
    QList<int> wizardResults;
    QString chosenFile;

    void WriteIni(const QByteArray& text)
    {
        QFile f(ini);
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QByteArray(text).replace("@", dir->path().toUtf8()));
    }
    void Task(const QString& name)
    {
        QFile f(dir->filePath(name));
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QByteArray FileBytes() const
    {
        QFile f(ini);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    int Stored(const QString& section, const char* key) const
    {
        return TUnicodeIniFile::CreateForRead(ini)->ReadInteger(section, key, -99);
    }
    // The window over the settings file as KvPlaner opens it.
    void Open()
    {
        run = std::make_unique<TPlanerRun>(reporter, launcher, clock);
        run->IniName = ini;
        run->KvPath = dir->filePath("Kelvara");
        run->Settings = LoadPlanerSettings(ini, dir->path() + "/");
        run->JobDir = run->Settings.JobDir;
        run->BuildDefOptions();
        form = std::make_unique<THauptForm>(*run, clock, launcher);
        form->RunTaskWizard = [this](int index, TKvAction action, const QString& path,
                                     const QString& task, const QString& options) {
            wizardCalls.push_back({index, action, path, task, options});
            return wizardResults.isEmpty() ? 2 : wizardResults.takeFirst();
        };
        form->SelectFile = [this](const QString&, const QString&, const QString&) {
            return chosenFile;
        };
        form->show();
    }
    // Fills the edit fields as a user would.
    void Fill(const QString& name, const QString& task, int cycles, int steps)
    {
        form->leName->setText(name);
        form->leTask->setText(task);
        form->edCycles->setValue(cycles);
        form->edSteps->setValue(steps);
    }

private slots:
    void initTestCase() { QStandardPaths::setTestModeEnabled(true); }

    void init()
    {
        // The former scopes give their values back before the new ones take them.
        home.reset();
        config.reset();
        dir = std::make_unique<QTemporaryDir>();
        home = std::make_unique<ScopedEnv>("HOME", dir->path().toUtf8());
        config = std::make_unique<ScopedEnv>("XDG_CONFIG_HOME", dir->filePath("config").toUtf8());
        const QString tasks = dir->filePath("tasks");
        SetTaskBackendFactory([tasks] { return std::make_unique<TTaskFileStore>(tasks); });
        ini = dir->filePath("KvPlaner.ini");
        for (const char* name : {"daily.buj", "weekly.buj", "photos.buj", "new.buj"})
            Task(name);
        WriteIni(kThreeSchedules);
        shown.clear();
        answerYes = true;
        wizardCalls.clear();
        wizardResults.clear();
        chosenFile.clear();
        launcher.lines.clear();
        SetMessageAnswerHook([this](TShowMsgDialog& box) {
            shown << box.Message();
            return int(answerYes ? mrYes : mrNo);
        });
        Open();
    }

    void cleanup()
    {
        form.reset();
        config.reset();
        home.reset();
        SetMessageAnswerHook({});
        SetDesktopIconAnswerHook({});
        SetCalendarAnswerHook({});
        SetErrorActionAnswerHook({});
        SetTaskBackendFactory({});
    }

    void everyControlHasAName()
    {
        QCOMPARE(ControlsWithoutAccessibleName(form.get()), QStringList());
        TDesktopIconDialog icon;
        icon.show();
        QCOMPARE(ControlsWithoutAccessibleName(&icon), QStringList());
        TRotationCalendarDialog calendar(run->Settings.Schedules[0], clock.today);
        calendar.show();
        QCOMPARE(ControlsWithoutAccessibleName(&calendar), QStringList());
    }

    void windowShowsTheStoredSchedules()
    {
        QCOMPARE(form->lvSchedules->topLevelItemCount(), 3);
        QCOMPARE(Row(form->lvSchedules, 0),
                 (QStringList{"Daily", "daily.buj", "", "3", "4", "", "Diff"}));
        QCOMPARE(Row(form->lvSchedules, 1),
                 (QStringList{"Weekly", "weekly.buj", "", "2", "7", "Fri", "Incr"}));
        QCOMPARE(form->SelectedIndex(), 0);
        QCOMPARE(form->leName->text(), "Daily");
        QVERIFY(!form->cbWeekDay->isEnabled());
        QVERIFY(form->btnStart->isHidden());
        form->lvSchedules->setCurrentItem(form->lvSchedules->topLevelItem(1));
        QCOMPARE(form->cbWeekDay->currentIndex(), 5);
        QVERIFY(form->rbIncremental->isChecked());
    }

    void addGivesRows_data()
    {
        QTest::addColumn<int>("steps");
        QTest::addColumn<bool>("differential");
        QTest::addColumn<QStringList>("row");
        QTest::newRow("New then Add: weekly incremental from Monday")
            << 7 << false << QStringList{"Nightly", "new.buj", "", "3", "7", "Mon", "Incr"};
        QTest::newRow("10 steps: no start day")
            << 10 << true << QStringList{"Nightly", "new.buj", "", "3", "10", "", "Diff"};
    }

    void addGivesRows()
    {
        QFETCH(int, steps);
        QFETCH(bool, differential);
        QFETCH(QStringList, row);
        QTest::mouseClick(form->btnReset, Qt::LeftButton);
        QVERIFY(form->leName->hasFocus() || !form->isActiveWindow());
        Fill("Nightly", dir->filePath("new.buj"), 3, steps);
        QCOMPARE(form->cbWeekDay->isEnabled(), steps == 7);
        if (differential)
            form->rbDifferential->setChecked(true);
        QTest::mouseClick(form->btnAdd, Qt::LeftButton);
        QCOMPARE(shown, QStringList());
        QCOMPARE(form->lvSchedules->topLevelItemCount(), 4);
        QCOMPARE(Row(form->lvSchedules, 3), row);
        QCOMPARE(form->SelectedIndex(), 3);
        const TSchedTask& added = run->Settings.Schedules[3];
        QCOMPARE(added.FirstDay, steps == 7 ? 1 : 0);
        QCOMPARE(added.NextCyc, 0);
    }

    void addRefusesBadValues_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("task");
        QTest::addColumn<int>("cycles");
        QTest::addColumn<int>("steps");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no name") << ""
                                 << "new.buj" << 2 << 7
                                 << "Please specify a name for this schedule!"
                                 << "leName";
        QTest::newRow("name used, other case")
            << "DAILY"
            << "new.buj" << 2 << 7 << "Please select a unique name for this schedule!"
            << "leName";
        QTest::newRow("invalid file name characters")
            << "a/b"
            << "new.buj" << 2 << 7 << "\"a/b\" contains invalid characters (* ? < > : \" / \\ |)!"
            << "leName";
        QTest::newRow("no task") << "Nightly"
                                 << "missing.buj" << 2 << 7 << "Please select a valid backup task!"
                                 << "leTask";
        QTest::newRow("100 weeks")
            << "Nightly"
            << "new.buj" << 100 << 7 << "The total number of steps exceeds the maximum of 693!"
            << "edCycles";
        QTest::newRow("1000 steps")
            << "Nightly"
            << "new.buj" << 125 << 8 << "The total number of steps exceeds the maximum of 999!"
            << "edSteps";
    }

    void addRefusesBadValues()
    {
        QFETCH(QString, name);
        QFETCH(QString, task);
        QFETCH(int, cycles);
        QFETCH(int, steps);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        Fill(name, dir->filePath(task), cycles, steps);
        QTest::mouseClick(form->btnAdd, Qt::LeftButton);
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].endsWith(message), qPrintable(shown[0]));
        QCOMPARE(form->lvSchedules->topLevelItemCount(), 3);
        QCOMPARE(form->focusWidget()->objectName(), focus);
    }

    // A missing task opens the file selection; the chosen file goes into the field.
    void missingTaskOpensTheSelection()
    {
        chosenFile = dir->filePath("new.buj");
        Fill("Nightly", "", 2, 7);
        QTest::mouseClick(form->btnAdd, Qt::LeftButton);
        QCOMPARE(form->leTask->text(), chosenFile);
        QTest::mouseClick(form->btnAdd, Qt::LeftButton);
        QCOMPARE(form->lvSchedules->topLevelItemCount(), 4);
    }

    void replaceAndRemoveKeepTheRow()
    {
        form->lvSchedules->setCurrentItem(form->lvSchedules->topLevelItem(1));
        Fill("Weekly2", dir->filePath("new.buj"), 4, 10);
        answerYes = false;
        QTest::mouseClick(form->btnReplace, Qt::LeftButton);
        QCOMPARE(shown, QStringList{"Replace and reset selected backup schedule \"Weekly\"?"});
        QCOMPARE(Row(form->lvSchedules, 1)[0], "Weekly");
        answerYes = true;
        QTest::mouseClick(form->btnReplace, Qt::LeftButton);
        QCOMPARE(Row(form->lvSchedules, 1),
                 (QStringList{"Weekly2", "new.buj", "", "4", "10", "", "Incr"}));
        QCOMPARE(form->SelectedIndex(), 1);
        QCOMPARE(run->Settings.Schedules[1].NextCyc, 0);

        // The last row removed: the new last row is selected; the first: the new first.
        form->lvSchedules->setCurrentItem(form->lvSchedules->topLevelItem(2));
        QTest::mouseClick(form->btnRemove, Qt::LeftButton);
        QCOMPARE(form->lvSchedules->topLevelItemCount(), 2);
        QCOMPARE(form->SelectedIndex(), 1);
        QCOMPARE(form->leName->text(), "Weekly2");
        form->lvSchedules->setCurrentItem(form->lvSchedules->topLevelItem(0));
        QTest::mouseClick(form->btnRemove, Qt::LeftButton);
        QCOMPARE(form->SelectedIndex(), 0);
        QCOMPARE(form->leName->text(), "Weekly2");
        QTest::mouseClick(form->btnRemove, Qt::LeftButton);
        QCOMPARE(form->lvSchedules->topLevelItemCount(), 0);
        QCOMPARE(form->leName->text(), "");
        QVERIFY(!form->btnCalendar->isEnabled());
        // Nothing selected: nothing happens.
        shown.clear();
        QTest::mouseClick(form->btnRemove, Qt::LeftButton);
        QTest::mouseClick(form->btnReplace, Qt::LeftButton);
        QCOMPARE(shown, QStringList());
    }

    // A scheduled run stores its progress while the window is open: closing the window keeps
    // it, and writes the window's own edits.
    void closeKeepsTheProgressOfScheduledRuns()
    {
        Fill("Nightly", dir->filePath("new.buj"), 2, 5);
        QTest::mouseClick(form->btnAdd, Qt::LeftButton);
        form->lvSchedules->setCurrentItem(form->lvSchedules->topLevelItem(2));
        Fill("Photos", dir->filePath("photos.buj"), 1, 12);
        QTest::mouseClick(form->btnReplace, Qt::LeftButton);

        // The runs of another KvPlaner, on the file as it is now.
        RecordingReporter runReporter;
        FixedClock later;
        later.today = clock.today.addDays(1);
        for (const char* name : {"Daily", "Photos"}) {
            TPlanerRun scheduled(runReporter, launcher, later);
            scheduled.IniName = ini;
            scheduled.KvPath = "/bin/true";
            scheduled.IsBatch = true;
            scheduled.Settings = LoadPlanerSettings(ini, "");
            QVERIFY(scheduled.StartSchedule(FindSchedule(scheduled.Settings.Schedules, name), ""));
        }
        QCOMPARE(Stored("Sched00", "NextCycle"), 4);
        QCOMPARE(Stored("Sched02", "NextCycle"), 2);

        QVERIFY(form->close());
        QCOMPARE(shown, QStringList{"Replace and reset selected backup schedule \"Photos\"?"});
        const TPlanerSettings saved = LoadPlanerSettings(ini, "");
        QCOMPARE(saved.Schedules.size(), size_t(4));
        QCOMPARE(saved.Schedules[0].NextCyc, 4); // the run's
        QCOMPARE(saved.Schedules[0].LastDay, DaysSince1899(later.today));
        QCOMPARE(saved.Schedules[1].NextCyc, 9); // untouched by both
        QCOMPARE(saved.Schedules[2].Steps, 12);  // replaced in the window: starts afresh
        QCOMPARE(saved.Schedules[2].NextCyc, 0);
        QCOMPARE(saved.Schedules[3].SName, "Nightly");
    }

    void readOnlyFileIsKeptAtClose()
    {
        Fill("Nightly", dir->filePath("new.buj"), 2, 5);
        QTest::mouseClick(form->btnAdd, Qt::LeftButton);
        const QByteArray before = FileBytes();
        QVERIFY(QFile::setPermissions(ini, QFile::ReadOwner | QFile::ReadGroup));
        form->close();
        QCOMPARE(shown, QStringList{"Error writing to \"" + ini + "\""});
        QCOMPARE(FileBytes(), before);
    }

    // What the window cannot read again at close is not rebuilt from its memory.
    void unreadableFileIsNotRebuilt()
    {
        QVERIFY(QFile::remove(ini));
        QVERIFY(QDir().mkdir(ini));
        form->close();
        QCOMPARE(shown.size(), 1);
        QVERIFY2(shown[0].endsWith("Error writing to \"" + ini + "\""), qPrintable(shown[0]));
        QVERIFY(QFileInfo(ini).isDir());
    }

    // Broken schedules read as their defaults; the good ones as they are.
    void brokenSchedulesOpenWithDefaults()
    {
        form.reset();
        WriteIni("[Config]\nCount=3\n[Sched00]\nName=Good\nTask=@/daily.buj\nCycles=4\n"
                 "Steps=9\n[Sched01]\nName=Bad\nCycles=many\nSteps=\nDifferential=maybe\n");
        Open();
        QCOMPARE(Row(form->lvSchedules, 0),
                 (QStringList{"Good", "daily.buj", "", "4", "9", "Mon", "Diff"}));
        QCOMPARE(Row(form->lvSchedules, 1), (QStringList{"Bad", "", "", "2", "7", "Mon", "Diff"}));
        QCOMPARE(Row(form->lvSchedules, 2),
                 (QStringList{"Sched02", "", "", "2", "7", "Mon", "Diff"}));
    }

    void taskButtonsCallTheWizard()
    {
        form->leName->setText("Daily");
        wizardResults = {1};
        QTest::mouseClick(form->btnCreateTask, Qt::LeftButton);
        QCOMPARE(wizardCalls.size(), size_t(1));
        QCOMPARE(wizardCalls[0].index, -1);
        QCOMPARE(wizardCalls[0].action, kaSchedule);
        QCOMPARE(wizardCalls[0].path, dir->path() + "/");
        QCOMPARE(wizardCalls[0].task, "Daily");
        QCOMPARE(wizardCalls[0].options, " /hide /logmode:1");

        wizardResults = {4, 4, 2};
        QTest::mouseClick(form->btnShowTasks, Qt::LeftButton);
        QCOMPARE(wizardCalls.size(), size_t(4));
        QCOMPARE(wizardCalls[3].index, 0);

        form->leName->setText("a|b");
        QTest::mouseClick(form->btnCreateTask, Qt::LeftButton);
        QCOMPARE(wizardCalls.size(), size_t(4));
        QCOMPARE(shown, QStringList{"\"a|b\" contains invalid characters (* ? < > : \" / \\ |)!"});
    }

    // A schedule whose scheduled task exists is marked "A".
    void scheduledTasksMarkTheirSchedules()
    {
        form.reset();
        std::unique_ptr<TWinTaskScheduler> scheduler;
        QCOMPARE(InitWinTaskScheduler(scheduler), 0);
        std::unique_ptr<TWinTask> task = scheduler->NewTask();
        TWinTaskAction& action = task->NewAction(taExec);
        action.SetExecPath(QCoreApplication::applicationFilePath());
        action.SetExecArguments("\"Weekly\" /hide");
        task->NewTrigger(ttDaily).SetStartTime(QDateTime(QDate(2025, 1, 1), QTime(6, 30)));
        QVERIFY(scheduler->TaskFolder()->RegisterTask("Schedule-Weekly", *task, "", "") >= 0);
        Open();
        if (Row(form->lvSchedules, 1)[scActive].isEmpty())
            QSKIP("the scheduled task wizard does not list the program's tasks yet");
        QCOMPARE(Row(form->lvSchedules, 1)[scActive], "A");
        QCOMPARE(Row(form->lvSchedules, 0)[scActive], "");
    }

    void editTaskStartsTheBackupProgram()
    {
        const QString expected = QuotedPath(dir->filePath("Kelvara")) + ' ' +
                                 QuotedPath(dir->filePath("daily.buj")) +
                                 " /startapp:kvplaner /edit";
        QTest::mouseClick(form->bbEdit, Qt::LeftButton);
        emit form->lvSchedules->itemDoubleClicked(form->lvSchedules->topLevelItem(0), 0);
        QCOMPARE(launcher.lines, (QStringList{expected, expected}));
        run->KvPath.clear();
        QTest::mouseClick(form->bbEdit, Qt::LeftButton);
        QCOMPARE(launcher.lines.size(), 2);
        QCOMPARE(shown, QStringList{"\"Kelvara\" not found on this system!"});
    }

    void shortcutRunsTheSchedule()
    {
        form->leName->setText("Photos.week");
        SetDesktopIconAnswerHook([](TDesktopIconDialog& d) {
            QCOMPARE(d.edShortcut->text(), "KvSched-Photos");
            QCOMPARE(d.edTasks->text(), "Photos.week");
            QVERIFY(d.cbSplash->isChecked());
            QVERIFY(!d.bbErrorAction->isEnabled());
            d.findChild<QRadioButton*>("rbShutdown")->click();
            QVERIFY(d.bbErrorAction->isEnabled());
            QCOMPARE(d.bbErrorAction->toolTip(), "Disable Shutdown on errors");
            SetErrorActionAnswerHook([](TErrorActionDialog& e) {
                e.SetMask(3);
                e.accept();
            });
            d.bbErrorAction->click();
            d.btOk->click();
        });
        QTest::mouseClick(form->btnShortcut, Qt::LeftButton);
        QFile link(dir->filePath("Desktop/KvSched-Photos.desktop"));
        QVERIFY(link.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(link.readAll());
        QVERIFY2(text.contains("Photos.week"), qPrintable(text));
        QVERIFY2(text.contains(
                     "/prompt:delay /hide /end:shutdown /erractions:3 /logmode:1 /interactive"),
                 qPrintable(text));
        QCOMPARE(shown, QStringList());

        // An empty name field: nothing happens.
        form->leName->clear();
        SetDesktopIconAnswerHook([](TDesktopIconDialog&) { QFAIL("dialog opened"); });
        QTest::mouseClick(form->btnShortcut, Qt::LeftButton);
    }

    void calendarOfTheSelectedSchedule()
    {
        form->lvSchedules->setCurrentItem(form->lvSchedules->topLevelItem(1));
        QStringList first, later;
        int rows = 0;
        SetCalendarAnswerHook([&](TRotationCalendarDialog& d) {
            rows = d.tvCalendar->rowCount();
            for (int c = 1; c < d.tvCalendar->columnCount(); ++c)
                first << d.tvCalendar->item(0, c)->text();
            d.deFirst->setDate(QDate(2025, 1, 10));
            for (int c = 1; c < d.tvCalendar->columnCount(); ++c)
                later << d.tvCalendar->item(0, c)->text();
            QVERIFY(d.lbMissed->text().startsWith("A day without a run is not made up"));
            d.btClose->click();
        });
        QTest::mouseClick(form->btnCalendar, Qt::LeftButton);
        QCOMPARE(rows, 28);
        // Weekly from Friday, step 9 next, last full at step 8: Wednesday 1 January.
        QCOMPARE(first, (QStringList{"Wed", "9", "Incremental", "BuWe2I", ""}));
        // The rotation wrapped after step 14 (Monday 6 January); Friday 10 January makes the
        // full backup of the new first week.
        QCOMPARE(later, (QStringList{"Fri", "4", "Full", "BuFr1F", ""}));
    }

    // Tab reaches every control in the order of the layout.
    void keyboardReachesEveryControl()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->lvSchedules->setFocus();
        QStringList reached{form->focusWidget()->objectName()};
        for (int i = 0; i < 30 && reached.count(reached.last()) == 1; ++i) {
            QTest::keyClick(form->focusWidget(), Qt::Key_Tab);
            reached << form->focusWidget()->objectName();
        }
        reached.removeLast(); // back at the start
        QCOMPARE(reached,
                 (QStringList{"lvSchedules",    "leName",      "leTask",        "btnSelTask",
                              "bbEdit",         "edCycles",    "edSteps",       "cbSilent",
                              "rbDifferential", "btnReset",    "btnAdd",        "btnReplace",
                              "btnRemove",      "btnCalendar", "btnCreateTask", "btnShowTasks",
                              "btnShortcut",    "bbHelp",      "btInfo",        "btnQuit"}));
    }

    void helpAndHints()
    {
        form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form.get()));
        form->leTask->setFocus();
        QTest::keyClick(form.get(), Qt::Key_F11);
        form->btnAdd->setFocus();
        QTest::keyClick(form.get(), Qt::Key_F11);
        // The help pages are not installed beside the test program.
        QTest::keyClick(form.get(), Qt::Key_F1);
        QCOMPARE(shown, (QStringList{"Backup task:", "Add new schedule",
                                     "Help is not available on this system!"}));
    }
};

QTEST_MAIN(tst_HauptForm)
#include "tst_HauptForm.moc"
