#pragma once

#include <functional>
#include <vector>

#include <QDialog>

#include "common/tasks/WinTask.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;
class QTreeWidget;

// Lists the scheduled tasks that start a program, shows the details and schedules of the
// selected one, enables, runs, stops and deletes tasks and returns the one to edit. The list
// follows the tasks' states while it is open.
class TSelectSchedTaskDialog : public QDialog {
    Q_OBJECT
public:
    explicit TSelectSchedTaskDialog(QWidget* parent = nullptr);
    // Result: 1 (OK) a task to edit, 2 (Cancel) closed, 6 (Yes) nothing usable chosen or a
    // task was deleted, 7 (No) no task of the program (the dialog is not shown). ATaskIndex:
    // the folder index of the selected task (-1 none); ATrgIndex on OK: -1 the task has no
    // schedule, else the selected one (0 when none is selected).
    int Execute(const QString& ATitle, TWinTaskScheduler& ATaskSchedule, const QString& AFilter,
                int& ATaskIndex, int& ATrgIndex);
    // Fills the list from the folder (refreshed first with refresh); the number of rows.
    int FillList(bool refresh);
    // Reads the tasks' states and refills the list when one changed; true when it did.
    bool CheckStates();
    // Sorts by the column as a click on its header does.
    void SortByColumn(int column);
    // The actions of the buttons.
    void ToggleEnabled(bool enabled);
    void RunOrStop();
    void DeleteSelected();
    // The folder index of the task of a row.
    int TaskIndexOfRow(int row) const;

    QTreeWidget* lvTasks;
    QGroupBox* gbDetails;
    QLineEdit* edUserAccount;
    QLineEdit* edComment;
    QLineEdit* edCreator;
    QLineEdit* edStatus;
    QLineEdit* edApplication;
    QLineEdit* edParameters;
    QLineEdit* edWorkDir;
    QCheckBox* tsStatus;
    QListWidget* lbTriggers;
    QPushButton* btnDelete;
    QPushButton* btbEdit;
    QPushButton* btbCancel;
    QPushButton* btbRun;
    QTimer* tmUpdate;

protected:
    void accept() override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    TWinRegisteredTask* SelectedTask() const;
    void ShowSelected();
    void ShowDetails(TWinRegisteredTask& task);
    void ClearDetails();
    void UpdateRunButton();
    void SetField(QLineEdit* field, const QString& text);
    void ShowError(const EOleSysError& error);

    TWinTaskScheduler* FWinTask = nullptr;
    QString FFilter;
    int SelectedTaskIndex = -1;
    bool Changed = false;
    std::vector<int> LastStatus;
    int FSortColumn = 0;
    Qt::SortOrder FSortOrder = Qt::AscendingOrder;
};

// Creates, runs and frees the dialog; its result (see TSelectSchedTaskDialog::Execute).
int SelectScheduledTask(const QString& ATitle, TWinTaskScheduler& ATaskSchedule,
                        const QString& AFilter, int& ATaskIndex, int& ATrgIndex);
// Tests answer the dialog through this hook instead of a person (empty: none).
void SetSelectSchedTaskAnswerHook(std::function<void(TSelectSchedTaskDialog&)> hook);
