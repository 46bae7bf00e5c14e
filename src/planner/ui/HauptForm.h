#pragma once

#include <functional>
#include <memory>

#include <QStringList>
#include <QWidget>

#include "common/tasks/ui/TaskSchedDlg.h"
#include "planner/ScheduleEdits.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QToolButton;
class QTreeWidget;
class Reporter;
class TClock;
class TPlanerRun;
class TProcessLauncher;
class TWinTaskScheduler;

// Columns of the schedule list.
enum TScheduleColumn { scName, scTask, scActive, scCycles, scSteps, scStart, scType };

// The texts of a schedule's row in the list.
QStringList ScheduleRowTexts(const TSchedTask& s);
// Top-left corner of the main window kept inside a monitor's work area: an edge beyond the
// area's right (bottom) edge ends margin before it; then an edge at or before the area's left
// (top) edge moves margin inside.
QPoint MainWindowPosition(const QRect& frame, const QRect& workArea, int margin);

// KvPlaner's window: edits the schedules, creates their scheduled tasks and desktop shortcuts
// and shows their calendar. Closing it writes the settings file.
class THauptForm : public QWidget {
    Q_OBJECT

public:
    THauptForm(TPlanerRun& run, const TClock& clock, TProcessLauncher& launcher,
               QWidget* parent = nullptr);
    ~THauptForm() override;

    // The scheduled task wizard: (index, action, folder, task name, options) → its result.
    // Tests replace it.
    using TTaskWizard =
        std::function<int(int, TKvAction, const QString&, const QString&, const QString&)>;
    TTaskWizard RunTaskWizard;
    // The file dialog: (title, folder, filter) → the chosen file, empty when cancelled.
    using TFileChooser = std::function<QString(const QString&, const QString&, const QString&)>;
    TFileChooser SelectFile;

    // Connects the task scheduler, marks the schedules that have a task, fills the list.
    void FormShow();
    // Rebuilds the rows and selects the wanted one (the last when it is beyond the list).
    void FillList(int wanted);
    int SelectedIndex() const;
    void ShowSchedule(int index);
    // The schedule the edit fields describe.
    TSchedTask EditedSchedule() const;

    void btnResetClick();
    void btnAddClick();
    void btnReplaceClick();
    void btnRemoveClick();
    void bbEditClick();
    void btnSelTaskClick();
    void btnCreateTaskClick();
    void btnShowTasksClick();
    void btnShortcutClick();
    void btnCalendarClick();
    void btInfoClick();
    void btnStartClick();
    // Writes the settings file (window position included); false when that failed.
    bool FormClose();

    QTreeWidget* lvSchedules;
    QLineEdit* leName;
    QLineEdit* leTask;
    QSpinBox* edCycles;
    QSpinBox* edSteps;
    QComboBox* cbWeekDay;
    QGroupBox* rgMode;
    QRadioButton* rbDifferential;
    QRadioButton* rbIncremental;
    QCheckBox* cbSilent;
    QPushButton* btnReset;
    QPushButton* btnAdd;
    QPushButton* btnReplace;
    QPushButton* btnRemove;
    QToolButton* bbEdit;
    QToolButton* btnSelTask;
    QPushButton* btnCreateTask;
    QPushButton* btnShowTasks;
    QToolButton* btnShortcut;
    QPushButton* btnCalendar;
    QToolButton* bbHelp;
    QToolButton* btInfo;
    QPushButton* btnQuit;
    QPushButton* btnStart;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildControls();
    void LayOut();
    void Connect();
    void StepsChanged(int steps);
    void WeekdayChosen(int index);
    void RefreshActiveTasks();
    void MarkActive();
    void FocusFailedRule(int code);
    bool NameIsValid();
    void PlaceWindow();

    TPlanerRun& FRun;
    const TClock& FClock;
    TProcessLauncher& FLauncher;
    std::unique_ptr<Reporter> FReporter;
    TScheduleEdits FEdits;
    std::unique_ptr<TWinTaskScheduler> FTaskScheduler;
    std::unique_ptr<TTaskScheduleDialog> FTaskDialog;
    QStringList FActiveTasks;
    int FTaskSchedStatus = 0;
    int FLastWd = 1;
    bool FShown = false;
    bool FSaved = false;
};
