#pragma once

#include <QString>
#include <QStringList>
#include <QVector>

#include "common/tasks/TaskSchedApi.h"
#include "common/tasks/ui/TaskSchedLogic.h"

class QWidget;
class TWinTask;
class TWinTaskScheduler;

// The scheduled task wizard of a program: one per program, handed the scheduler once connected.
class TTaskScheduleDialog {
public:
    explicit TTaskScheduleDialog(QWidget* parent = nullptr);
    ~TTaskScheduleDialog();
    TTaskScheduleDialog(const TTaskScheduleDialog&) = delete;
    TTaskScheduleDialog& operator=(const TTaskScheduleDialog&) = delete;

    void InitTaskScheduler(TWinTaskScheduler* taskSchedule);
    bool IsAvailable() const { return FTaskSchedule != nullptr; }
    // aIndex: -1 new task, 0 choose one of this program's tasks, n > 0 the n-th task of the
    // folder. Result: 1 registered, 2 cancelled or failed, 4 the user may mend and retry,
    // 6 the selection closed without a choice, 7 no task of this program to edit.
    int Execute(int aIndex, TKvAction aKvAction, const QString& aPath, const QString& aTask,
                const QString& aOptions);
    // The folder index of the task last registered (-1 none).
    int TaskNr() const { return FTaskNr; }

private:
    struct TChosen;
    int ChooseExisting(TKvAction kind, const QString& options, TChosen& chosen);
    int PrepareNew(TKvAction kind, const QString& path, const QString& task, const QString& options,
                   TChosen& chosen);
    int Register(TChosen& chosen, const QString& user, const QString& password);

    QWidget* FParent = nullptr;
    TWinTaskScheduler* FTaskSchedule = nullptr;
    int FTaskNr = -1;
};

// The message for a scheduler that could not be connected.
QString TaskSchedulerErrorText(HRESULT code);

// The tasks whose program path ends with the filter, in folder order, with their folder index.
struct TActiveTask {
    QString Name;
    int Index = -1;
};
QVector<TActiveTask> GetActiveTasks(TWinTaskScheduler& taskSchedule, const QString& filter);
