#pragma once

#include <functional>
#include <memory>

#include <QDialog>

#include "common/tasks/TaskTools.h"
#include "common/tasks/WinTask.h"
#include "common/tasks/ui/TaskSchedLogic.h"
#include "common/tasks/ui/UnitField.h"

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QStackedWidget;
class QTimeEdit;

// Pages of the wizard and the step pages of its schedule.
enum TWizardPage { wpProgram, wpSchedule, wpUser };
enum TCycle { cyDaily, cyWeekly, cyMonthly, cyOneTime, cyLogon, cyWakeUp };

// The window of the scheduled task wizard: the program's options, one schedule, the account.
// It reads a task definition into its controls and writes them back.
class TTaskScheduleForm : public QDialog {
    Q_OBJECT
public:
    explicit TTaskScheduleForm(QWidget* parent = nullptr);
    ~TTaskScheduleForm() override;

    // Sets the form up for a kind of task; folder: the task files' folder with a trailing
    // separator; backend: what runs the task (for the notice), may be null.
    void Prepare(TKvAction kind, const QString& folder, ITaskBackend* backend);
    // Resets every control to the presets of a new schedule at now.
    void ResetControls(const QDateTime& now);
    // Loads task and trigger (-1: a new schedule); a new task keeps the presets that its
    // arguments do not name. False, with the type's name in unsupported, when the trigger
    // cannot be shown.
    bool LoadTask(const QString& taskName, TWinTask& task, int trigger, bool isNew,
                  QString& unsupported);
    // Writes the controls into the task; trigger: the index edited (-1 new), set to the one
    // written; key: the group or schedule the task's data names.
    void SaveTask(TWinTask& task, int& trigger, const QString& taskName, const QString& key);
    // The arguments of the program as they will be written.
    QString Arguments() const;

    // Navigation as the buttons do it.
    void GoNext();
    void GoBack();
    TWizardPage Page() const;
    TCycle Cycle() const;
    void SetCycle(TCycle cycle);
    TSchedOptions Options() const;
    void SetOptions(const TSchedOptions& options);
    // The advanced settings and the event query edited with the form.
    TAdvancedSettings AdvSet;
    QString wut;
    int ActErr = 0;

    QLineEdit* edJobName;
    QLabel* laBackend;
    QPushButton* btLinger;
    QStackedWidget* pcPages;
    // Settings page
    QWidget* tsProgram;
    QLabel* laTasks;
    QLineEdit* edTasks;
    QPushButton* btnTask;
    QLineEdit* edOptions;
    QLineEdit* edUserOptions;
    QLineEdit* edWorkDir;
    QPushButton* btWorkDir;
    QLineEdit* edIniFile;
    QComboBox* cbxPrompt;
    QSpinBox* reWait;
    QCheckBox* cbHide;
    QGroupBox* rgEnd;
    QButtonGroup* FEndGroup;
    QPushButton* bbErrorAction;
    QComboBox* cbLog;
    QCheckBox* cbParallel;
    QComboBox* cbxPriority;
    // Schedule page
    QWidget* tsSchedule;
    QGroupBox* rgCycle;
    QButtonGroup* FCycleGroup;
    QCheckBox* cbEnabled;
    QLabel* laTrigger;
    QStackedWidget* pcSteps;
    QDateEdit* dpStartDaily;
    QTimeEdit* tpStartDaily;
    QRadioButton* rbEveryDay;
    QRadioButton* rbSkipDays;
    QSpinBox* reDays;
    QDateEdit* dpStartWeekly;
    QTimeEdit* tpStartWeekly;
    QSpinBox* reWeeks;
    QList<QCheckBox*> cbWeekdays; // Monday first
    QDateEdit* dpStartMonthly;
    QTimeEdit* tpStartMonthly;
    QRadioButton* rbDayOfMonth;
    QListWidget* ccMonthDays;
    QRadioButton* rbSpecialday;
    QListWidget* ccMonthStart;
    QListWidget* ccWeekdays;
    QList<QCheckBox*> cbMonths; // January first
    QDateEdit* dpOneTime;
    QTimeEdit* tpOneTime;
    QCheckBox* cbRandom;
    std::unique_ptr<TUnitField> reRandom;
    QLabel* laEventTitle;
    QCheckBox* cbActivate;
    QDateEdit* dpEventTime;
    QTimeEdit* tpEventTime;
    QCheckBox* cbDelay;
    std::unique_ptr<TUnitField> reDelay;
    QLabel* laUser;
    QPushButton* btEventEdit;
    QPushButton* btEventReset;
    // User page
    QWidget* tsUser;
    QLineEdit* leDesc;
    QRadioButton* rbLoggedUser;
    QRadioButton* rbAnyUser;
    QLineEdit* edUser;
    QLabel* laPwd;
    QLineEdit* edPwd;
    QCheckBox* cbRunLevel;
    // Buttons
    QPushButton* btnBack;
    QPushButton* btnNext;
    QPushButton* btnCancel;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    QWidget* BuildProgramPage();
    QWidget* BuildSchedulePage();
    QWidget* BuildDailyStep();
    QWidget* BuildWeeklyStep();
    QWidget* BuildMonthlyStep();
    QWidget* BuildOneTimeStep();
    QWidget* BuildEventStep();
    QWidget* BuildUserPage();
    QPushButton* AdvancedButton(QWidget* parent, const char* name);
    void LinkPickers();
    void ShowPage(TWizardPage page);
    void ShowStep();
    void OptionsChanged();
    void UpdateStates();
    void AccountChanged();
    void KeepOneChecked(const QList<QCheckBox*>& boxes, QCheckBox* fallback);
    void EditErrorActionsClicked();
    void SelectWorkDir();
    void EditEventQuery();
    void ShowBackend(ITaskBackend* backend);
    void TurnLingerOn();
    void LoadTrigger(const TWinTaskTrigger& trigger, const QDateTime& registered);
    void SaveTrigger(TWinTaskTrigger& trigger);
    void SetPickers(const QDateTime& value);
    void SetDelay(QCheckBox* box, TUnitField& field, std::uint32_t seconds);

    TKvAction KvAction = kaStarter;
    QString FPath;
    bool ShowProgPage = false;
    QString FArguments; // the arguments of the kinds whose Settings page is not shown
    TParsedArguments FParsed;
    bool FSyncing = false;
};

// Tests answer the wizard through this hook instead of a person (empty: none).
void SetTaskScheduleAnswerHook(std::function<void(TTaskScheduleForm&)> hook);
// Runs the form modally (answered by the test hook when one is set); its result.
int RunTaskScheduleForm(TTaskScheduleForm& form);
// Tests give the tool runner that lingering is asked and turned on with (empty: the real one).
void SetLingerToolRunner(TToolRunner runner);
// The default event query: the system's resume-from-sleep events.
QString DefaultWakeUpQuery();
