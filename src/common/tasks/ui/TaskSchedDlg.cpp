#include "common/tasks/ui/TaskSchedDlg.h"

#include "common/tasks/WinTask.h"

TTaskScheduleDialog::TTaskScheduleDialog(QWidget* parent) : FParent(parent) {}

TTaskScheduleDialog::~TTaskScheduleDialog() = default;

void TTaskScheduleDialog::InitTaskScheduler(TWinTaskScheduler* taskSchedule)
{
    FTaskSchedule = taskSchedule;
}

int TTaskScheduleDialog::Execute(int, TKvAction, const QString&, const QString&, const QString&)
{
    return 2;
}

QString TaskSchedulerErrorText(HRESULT)
{
    return QString();
}

QVector<TActiveTask> GetActiveTasks(TWinTaskScheduler&, const QString&)
{
    return {};
}
