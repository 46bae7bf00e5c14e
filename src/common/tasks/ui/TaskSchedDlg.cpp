#include "common/tasks/ui/TaskSchedDlg.h"

#include <memory>

#include <QFileInfo>
#include <QLineEdit>

#include "common/backup/Options.h"
#include "common/infra/Translate.h"
#include "common/platform/SystemInfo.h"
#include "common/tasks/WinTask.h"
#include "common/tasks/ui/SelSchedTaskDlg.h"
#include "common/tasks/ui/TaskSchedForm.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/InpText.h"
#include "common/ui/ShortcutDlg.h"
#include "common/ui/ShowMessageDlg.h"

namespace {

constexpr HRESULT kOldWindows = HRESULT(0xA0001322);

QString WithTrailingSeparator(const QString& path)
{
    if (path.isEmpty() || path.endsWith(u'/') || path.endsWith(u'\\'))
        return path;
    return path + u'/';
}

QString ProgramFileName()
{
    return QFileInfo(ScheduledProgramPath()).fileName();
}

QString ProgramDisplayName(TKvAction kind)
{
    return kind == kaStarter    ? QStringLiteral("KvStarter")
           : kind == kaSchedule ? QStringLiteral("KvPlaner")
                                : QStringLiteral("Kelvara");
}

// Asks for the name of a new task until it holds no character a task name may not hold.
bool AskTaskName(QString& name)
{
    for (;;) {
        if (!InputText(kCentreOnMainWindow, Tr("Task Scheduler"), Tr("Name of new scheduled task:"),
                       name))
            return false;
        if (!HasInvalidTaskNameCharacters(name))
            return true;
        ErrorMessage(Tr("Task Scheduler") + u'\n' +
                     Fmt(Tr("\"%s\" contains invalid characters (%s)!"),
                         {name, InvalidTaskNameCharacters()}));
    }
}

} // namespace

// The task the wizard works on: a stored one or a new definition.
struct TTaskScheduleDialog::TChosen {
    QString name;
    QString previousName; // the stored name when the user renamed the task
    QString key;          // group or schedule
    TWinTask* task = nullptr;
    std::unique_ptr<TWinTask> created;
    int trigger = -1;
    bool isNew = false;
};

TTaskScheduleDialog::TTaskScheduleDialog(QWidget* parent) : FParent(parent) {}

TTaskScheduleDialog::~TTaskScheduleDialog() = default;

void TTaskScheduleDialog::InitTaskScheduler(TWinTaskScheduler* taskSchedule)
{
    FTaskSchedule = taskSchedule;
}

int TTaskScheduleDialog::ChooseExisting(TKvAction kind, const QString& options, TChosen& chosen)
{
    int taskIndex = -1, trgIndex = -1;
    const int result = SelectScheduledTask(KvActionText(kind), *FTaskSchedule, ProgramFileName(),
                                           taskIndex, trgIndex);
    FTaskNr = taskIndex;
    if (result == mrNo) {
        const QString none =
            Fmt(Tr("No scheduled tasks using %s found!"), {ProgramDisplayName(kind)});
        if (kind == kaStarter) {
            InfoMessage(none);
            return mrNo;
        }
        if (!ConfirmMessage(none + QStringLiteral("\r\n") + Tr("Create new task?")))
            return mrCancel;
        return -1; // go on as a new task
    }
    if (result != mrOk)
        return result == mrYes ? mrYes : mrCancel;
    TWinTaskFolder* folder = FTaskSchedule->TaskFolder();
    if (!folder || taskIndex < 0 || taskIndex >= folder->TaskCount())
        return mrCancel;
    TWinRegisteredTask& stored = folder->Tasks(taskIndex);
    chosen.name = stored.TaskName();
    chosen.task = &stored.Definition();
    chosen.trigger = trgIndex;
    chosen.key = chosen.name.mid(KvActionPrefix(kind).size());
    if (kind == kaStarter && chosen.task->IndexOfNextExecAction(0) >= 0) {
        TWinTaskAction& action = chosen.task->Actions(chosen.task->SelectedAction());
        QString name = chosen.name;
        QString commandLine = action.ExecArguments();
        TShortcutDialog dialog(DialogMainWindow());
        if (!dialog.Execute(Tr("Edit Windows Scheduled Task"), Tr("Name of task:"), false,
                            options.split(u',', Qt::SkipEmptyParts), name, commandLine, Tr("Next")))
            return mrCancel;
        action.SetExecArguments(commandLine);
        if (name.trimmed() != chosen.name)
            chosen.previousName = chosen.name;
        chosen.name = name.trimmed();
    }
    return mrOk;
}

int TTaskScheduleDialog::PrepareNew(TKvAction kind, const QString& path, const QString& task,
                                    const QString& options, TChosen& chosen)
{
    chosen.name = NewTaskName(kind, task);
    chosen.key = task;
    const QString arguments = NewTaskArguments(kind, task, options, path);
    FTaskSchedule->Refresh();
    TWinTaskFolder* folder = FTaskSchedule->TaskFolder();
    const int existing = folder ? folder->IndexOfTask(chosen.name) : -1;
    if (existing >= 0) {
        if (!ConfirmMessage(Fmt(Tr("Task \"%s\" already exists - edit?"), {chosen.name})))
            return mrCancel;
        TWinRegisteredTask& stored = folder->Tasks(existing);
        chosen.task = &stored.Definition();
        chosen.trigger = chosen.task->TriggerCount() > 0 ? 0 : -1;
        // The command line just chosen replaces the old one of a group task.
        if (kind == kaStarter && chosen.task->IndexOfNextExecAction(0) >= 0)
            chosen.task->Actions(chosen.task->SelectedAction()).SetExecArguments(arguments);
        return mrOk;
    }
    if (kind != kaStarter && kind != kaSchedule && !AskTaskName(chosen.name))
        return mrCancel;
    try {
        chosen.created = FTaskSchedule->NewTask();
    } catch (const std::exception& error) {
        ErrorMessage(Tr("Error creating new scheduled task!") + QStringLiteral("\n- ") +
                     QString::fromUtf8(error.what()));
        return mrCancel;
    }
    TWinTask& created = *chosen.created;
    created.SetDescription(Tr("This task was created by Kelvara"));
    created.SetAuthor(QString::fromStdString(GetLoginUserName()));
    created.SetUserId(QString::fromStdString(GetSamUserName()));
    created.SetDate(QDateTime::currentDateTime());
    TWinTaskAction& action = created.NewAction(taExec);
    action.SetExecPath(QuotedPath(ScheduledProgramPath()));
    action.SetExecWorkingDirectory(QString());
    action.SetExecArguments(arguments);
    chosen.task = &created;
    chosen.isNew = true;
    return mrOk;
}

int TTaskScheduleDialog::Register(TChosen& chosen, const QString& user, const QString& password)
{
    TWinTaskFolder* folder = FTaskSchedule->TaskFolder();
    const int index = folder ? folder->RegisterTask(chosen.name, *chosen.task, user, password) : -1;
    chosen.task = nullptr; // the registration refreshed the folder
    if (index >= 0) {
        if (!chosen.previousName.isEmpty() &&
            chosen.previousName.compare(chosen.name, Qt::CaseInsensitive) != 0)
            folder->DeleteTask(chosen.previousName);
        FTaskNr = folder->IndexOfTask(chosen.name);
        return mrOk;
    }
    const HRESULT code = folder ? folder->ErrorCode() : TaskResult::kFail;
    ErrorMessage(Tr("Could not create or modify scheduled task!") + u'\n' +
                 SchedulerErrorText(code) + QStringLiteral(" - ") +
                 (folder ? folder->ErrorMessage() : QString()));
    if (!chosen.isNew)
        FTaskSchedule->Refresh();
    return MayRetryRegistration(code) ? mrRetry : mrCancel;
}

int TTaskScheduleDialog::Execute(int aIndex, TKvAction aKvAction, const QString& aPath,
                                 const QString& aTask, const QString& aOptions)
{
    FTaskNr = -1;
    if (!FTaskSchedule) {
        ErrorMessage(Tr("Scheduled tasks are not available on this computer!"));
        return mrCancel;
    }
    const QString path = WithTrailingSeparator(aPath);
    TChosen chosen;
    int step = mrOk;
    if (aIndex > 0) {
        TWinTaskFolder* folder = FTaskSchedule->TaskFolder();
        if (!folder || aIndex > folder->TaskCount())
            return mrCancel;
        TWinRegisteredTask& stored = folder->Tasks(aIndex - 1);
        chosen.name = stored.TaskName();
        chosen.task = &stored.Definition();
        chosen.trigger = chosen.task->TriggerCount() > 0 ? 0 : -1;
        chosen.key = chosen.name.mid(KvActionPrefix(aKvAction).size());
    } else if (aIndex == 0) {
        step = ChooseExisting(aKvAction, aOptions, chosen);
    }
    if (aIndex < 0 || step == -1)
        step = PrepareNew(aKvAction, path, aTask, aOptions, chosen);
    if (step != mrOk)
        return step;

    TTaskScheduleForm form(FParent ? FParent : DialogMainWindow());
    form.Prepare(aKvAction, path, &FTaskSchedule->Backend());
    QString unsupported;
    if (!form.LoadTask(chosen.name, *chosen.task, chosen.trigger, chosen.isNew, unsupported)) {
        ErrorMessage(Fmt(Tr("The trigger mode \"%s\" is not supported by Kelvara.\r\nPlease use "
                            "the Windows Task Scheduler for editing!"),
                         {unsupported}));
        if (!chosen.isNew)
            FTaskSchedule->Refresh();
        return mrCancel;
    }
    form.resize(form.sizeHint().expandedTo(QSize(640, 480)));
    PlaceDialog(form, kCentreOnMainWindow);
    if (RunTaskScheduleForm(form) != QDialog::Accepted) {
        if (!chosen.isNew)
            FTaskSchedule->Refresh(); // drops what the form may have changed
        return mrCancel;
    }
    form.SaveTask(*chosen.task, chosen.trigger, chosen.name, chosen.key);
    return Register(chosen, form.edUser->text(), form.edPwd->text());
}

QString TaskSchedulerErrorText(HRESULT code)
{
    if (code == kOldWindows)
        return Tr("Windows Task Scheduler 2.0 is not available on Windows XP");
    return Fmt(Tr("Error on connecting to Windows Task Scheduler:\r\n%s"),
               {SchedulerErrorText(code)});
}

QVector<TActiveTask> GetActiveTasks(TWinTaskScheduler& taskSchedule, const QString& filter)
{
    QVector<TActiveTask> tasks;
    TWinTaskFolder* folder = taskSchedule.TaskFolder();
    if (!folder)
        return tasks;
    for (int i = 0; i < folder->TaskCount(); ++i) {
        TWinRegisteredTask& task = folder->Tasks(i);
        if (!task.Damaged() && task.IndexOfApp(filter) >= 0)
            tasks.append({task.TaskName(), i});
    }
    return tasks;
}
