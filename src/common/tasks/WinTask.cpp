#include "common/tasks/WinTask.h"

#include <array>
#include <limits>

#include "common/infra/Translate.h"
#include "common/tasks/TaskBackends.h"
#include "common/tasks/TaskTexts.h"

namespace {

constexpr std::uint32_t kMaxSeconds = std::numeric_limits<std::uint32_t>::max();

std::uint32_t Scaled(std::uint32_t value, std::uint32_t factor)
{
    return std::uint32_t(qMin<std::uint64_t>(std::uint64_t(value) * factor, kMaxSeconds));
}

// Trigger properties that apply to some types only.
enum TTriggerProperty {
    kDaysInterval,
    kWeeksInterval,
    kDaysOfWeek,
    kDaysOfMonth,
    kMonthsOfYear,
    kWeeksOfMonth,
    kRandomDelay,
    kDelay,
    kSubscription,
    kLogonUser
};

constexpr int Bit(TWinTaskTriggerType type)
{
    return 1 << type;
}

// For each property the trigger types it applies to.
constexpr std::array kApplies = {
    Bit(ttDaily),
    Bit(ttWeekly),
    Bit(ttWeekly) | Bit(ttMonthlyDow),
    Bit(ttMonthly),
    Bit(ttMonthly) | Bit(ttMonthlyDow),
    Bit(ttMonthlyDow),
    Bit(ttTime) | Bit(ttDaily) | Bit(ttWeekly) | Bit(ttMonthly) | Bit(ttMonthlyDow),
    Bit(ttEvent) | Bit(ttBoot) | Bit(ttLogon),
    Bit(ttEvent),
    Bit(ttLogon),
};

constexpr std::array kPriorityConstants = {10, 9, 7, 5, 3, 1, 0};

constexpr int kLastDayBit = int(0x80000000u);
constexpr int kLastWeekBit = 0x10;

TWinTaskActionType ActionTypeFromConstant(int value)
{
    switch (value) {
    case ActionKind::kComHandler:
        return taCom;
    case ActionKind::kEmail:
        return taMail;
    case ActionKind::kShowMessage:
        return taMessage;
    default:
        return taExec;
    }
}

int ActionTypeConstant(TWinTaskActionType type)
{
    constexpr std::array kConstants = {ActionKind::kExec, ActionKind::kComHandler,
                                       ActionKind::kEmail, ActionKind::kShowMessage};
    return kConstants[size_t(type)];
}

TTaskBackendFactory& BackendFactory()
{
    static TTaskBackendFactory factory;
    return factory;
}

} // namespace

// ---- Unit functions ----

int TriggerTypeConstant(TWinTaskTriggerType type)
{
    switch (type) {
    case ttSessionStateChange:
        return TriggerKind::kSessionStateChange;
    case ttCustom:
        return TriggerKind::kCustom;
    default:
        return int(type);
    }
}

TWinTaskTriggerType TriggerTypeFromConstant(int value)
{
    if (value >= TriggerKind::kEvent && value <= TriggerKind::kLogon)
        return TWinTaskTriggerType(value);
    return value == TriggerKind::kSessionStateChange ? ttSessionStateChange : ttCustom;
}

int PriorityConstant(TThreadPriority priority)
{
    return kPriorityConstants[size_t(priority)];
}

TThreadPriority PriorityFromConstant(int value)
{
    switch (value) {
    case 0:
        return tpTimeCritical;
    case 1:
        return tpHighest;
    case 2:
    case 3:
        return tpHigher;
    case 7:
    case 8:
        return tpLower;
    case 9:
        return tpLowest;
    case 10:
        return tpIdle;
    default:
        return tpNormal;
    }
}

TWinTaskCompatibility OsCompatibilityFor(bool ntBased, int major, int minor)
{
    if (!ntBased)
        return tcAT;
    if (major <= 5)
        return tcXP;
    if (major > 9)
        return tcWin10;
    if (major == 6 && minor == 0)
        return tcVista;
    return tcWin7;
}

TWinTaskCompatibility GetOsCompatibility()
{
    // The backends here understand every definition the wrapper writes.
    return tcWin10;
}

QString UnquotedExecPath(const QString& path)
{
    if (!path.startsWith(u'"'))
        return path;
    QString out;
    for (qsizetype i = 1; i < path.size(); ++i) {
        if (path[i] != u'"') {
            out += path[i];
        } else if (i + 1 < path.size() && path[i + 1] == u'"') {
            out += u'"';
            ++i;
        } else {
            break;
        }
    }
    if (out.isEmpty() && path.size() > 2 && path.endsWith(u'"'))
        return path.mid(1, path.size() - 2);
    return out;
}

// ---- Settings ----

TWinTaskIdleSettings::TWinTaskIdleSettings(std::shared_ptr<TTaskDefinitionData> definition)
    : pIdleSettings(std::move(definition))
{}

std::uint32_t TWinTaskIdleSettings::IdleDuration() const
{
    return DurationToSeconds(pIdleSettings->settings.idle.duration);
}

void TWinTaskIdleSettings::SetIdleDuration(std::uint32_t seconds)
{
    pIdleSettings->settings.idle.duration = SecondsToDuration(seconds);
}

std::uint32_t TWinTaskIdleSettings::WaitTimeout() const
{
    return DurationToSeconds(pIdleSettings->settings.idle.waitTimeout);
}

void TWinTaskIdleSettings::SetWaitTimeout(std::uint32_t seconds)
{
    pIdleSettings->settings.idle.waitTimeout = SecondsToDuration(seconds);
}

TWinTaskSettings::TWinTaskSettings(std::shared_ptr<TTaskDefinitionData> definition)
    : pSettings(definition), FIdleSettings(definition)
{}

TWinTaskCompatibility TWinTaskSettings::Compatibility() const
{
    return TWinTaskCompatibility(qBound(0, S().compatibility, int(tcWin10)));
}

void TWinTaskSettings::SetCompatibility(TWinTaskCompatibility value)
{
    S().compatibility = int(value);
}

int TWinTaskSettings::DeleteExpiredTaskAfter() const
{
    if (S().deleteExpiredTaskAfter.isEmpty())
        return -1;
    return int(DurationToSeconds(S().deleteExpiredTaskAfter) / 3600);
}

void TWinTaskSettings::SetDeleteExpiredTaskAfter(int hours)
{
    if (hours < 0)
        S().deleteExpiredTaskAfter.clear();
    else if (hours == 0)
        S().deleteExpiredTaskAfter = QStringLiteral("PT0S");
    else
        S().deleteExpiredTaskAfter = SecondsToDuration(Scaled(std::uint32_t(hours), 3600));
}

std::uint32_t TWinTaskSettings::ExecutionTimeLimit() const
{
    return DurationToSeconds(S().executionTimeLimit) / 3600;
}

void TWinTaskSettings::SetExecutionTimeLimit(std::uint32_t hours)
{
    S().executionTimeLimit = SecondsToDuration(Scaled(hours, 3600));
}

TMultipleInstances TWinTaskSettings::MultipleInstances() const
{
    return TMultipleInstances(qBound(0, S().multipleInstances, int(miStopExisting)));
}

void TWinTaskSettings::SetMultipleInstances(TMultipleInstances value)
{
    S().multipleInstances = int(value);
}

TThreadPriority TWinTaskSettings::Priority() const
{
    return PriorityFromConstant(S().priority);
}

void TWinTaskSettings::SetPriority(TThreadPriority value)
{
    S().priority = PriorityConstant(value);
}

std::uint32_t TWinTaskSettings::RestartInterval() const
{
    return DurationToSeconds(S().restartInterval) / 60;
}

void TWinTaskSettings::SetRestartInterval(std::uint32_t minutes)
{
    S().restartInterval = SecondsToDuration(Scaled(minutes, 60));
}

// ---- Actions ----

TWinTaskAction::TWinTaskAction(std::shared_ptr<TTaskActionData> action)
    : pAction(std::move(action)), FActionType(ActionTypeFromConstant(pAction->type))
{}

QString TWinTaskAction::ActionTypeAsString() const
{
    return ActionTypeText(FActionType);
}

QString TWinTaskAction::ExecPath() const
{
    return IsExec() ? UnquotedExecPath(pAction->path) : QString();
}

void TWinTaskAction::SetExecPath(const QString& value)
{
    if (IsExec())
        pAction->path = value;
}

QString TWinTaskAction::ExecArguments() const
{
    return IsExec() ? pAction->arguments : QString();
}

void TWinTaskAction::SetExecArguments(const QString& value)
{
    if (IsExec())
        pAction->arguments = value;
}

QString TWinTaskAction::ExecWorkingDirectory() const
{
    return IsExec() ? pAction->workingDirectory : QString();
}

void TWinTaskAction::SetExecWorkingDirectory(const QString& value)
{
    if (IsExec())
        pAction->workingDirectory = value;
}

// ---- Triggers ----

TWinTaskTrigger::TWinTaskTrigger(std::shared_ptr<TTaskTriggerData> trigger)
    : pTrigger(std::move(trigger)), FTriggerType(TriggerTypeFromConstant(pTrigger->type))
{
    TaskTimeToDateTime(pTrigger->startBoundary, &FTimeZone);
}

bool TWinTaskTrigger::Applies(int property) const
{
    return (kApplies[size_t(property)] & Bit(FTriggerType)) != 0;
}

QString TWinTaskTrigger::TriggerTypeAsString() const
{
    return TriggerTypeText(FTriggerType);
}

QString TWinTaskTrigger::TriggerString() const
{
    return TriggerDescription(*this);
}

QDateTime TWinTaskTrigger::StartTime() const
{
    return TaskTimeToDateTime(pTrigger->startBoundary);
}

void TWinTaskTrigger::SetStartTime(const QDateTime& value)
{
    pTrigger->startBoundary = DateTimeToTaskTime(value, FTimeZone);
}

QDateTime TWinTaskTrigger::EndTime() const
{
    return TaskTimeToDateTime(pTrigger->endBoundary);
}

void TWinTaskTrigger::SetEndTime(const QDateTime& value)
{
    pTrigger->endBoundary = DateTimeToTaskTime(value, FTimeZone);
}

std::uint32_t TWinTaskTrigger::ExecutionTimeLimit() const
{
    return DurationToSeconds(pTrigger->executionTimeLimit);
}

void TWinTaskTrigger::SetExecutionTimeLimit(std::uint32_t seconds)
{
    pTrigger->executionTimeLimit = SecondsToDuration(seconds);
}

std::uint32_t TWinTaskTrigger::Interval() const
{
    return DurationToSeconds(pTrigger->repetition.interval);
}

void TWinTaskTrigger::SetInterval(std::uint32_t seconds)
{
    pTrigger->repetition.interval = SecondsToDuration(seconds);
}

std::uint32_t TWinTaskTrigger::Duration() const
{
    return DurationToSeconds(pTrigger->repetition.duration);
}

void TWinTaskTrigger::SetDuration(std::uint32_t seconds)
{
    pTrigger->repetition.duration = SecondsToDuration(seconds);
}

short TWinTaskTrigger::DaysInterval() const
{
    return Applies(kDaysInterval) ? short(pTrigger->daysInterval) : 0;
}

void TWinTaskTrigger::SetDaysInterval(short days)
{
    if (Applies(kDaysInterval) && days > 0)
        pTrigger->daysInterval = days;
}

int TWinTaskTrigger::WeeksInterval() const
{
    return Applies(kWeeksInterval) ? pTrigger->weeksInterval : 0;
}

void TWinTaskTrigger::SetWeeksInterval(int weeks)
{
    if (Applies(kWeeksInterval) && weeks > 0)
        pTrigger->weeksInterval = weeks;
}

int TWinTaskTrigger::DaysOfWeek() const
{
    return Applies(kDaysOfWeek) ? pTrigger->daysOfWeek : 0;
}

void TWinTaskTrigger::SetDaysOfWeek(int mask)
{
    if (Applies(kDaysOfWeek) && mask >= 1 && mask <= 127)
        pTrigger->daysOfWeek = mask;
}

int TWinTaskTrigger::DaysOfMonth() const
{
    if (!Applies(kDaysOfMonth))
        return 0;
    return (pTrigger->daysOfMonth & 0x7FFFFFFF) | (pTrigger->runOnLastDayOfMonth ? kLastDayBit : 0);
}

void TWinTaskTrigger::SetDaysOfMonth(int mask)
{
    // The last-day bit is the sign bit, so any set bit is in range.
    if (!Applies(kDaysOfMonth) || mask == 0)
        return;
    pTrigger->daysOfMonth = mask & 0x7FFFFFFF;
    pTrigger->runOnLastDayOfMonth = (mask & kLastDayBit) != 0;
}

int TWinTaskTrigger::MonthsOfYear() const
{
    return Applies(kMonthsOfYear) ? pTrigger->monthsOfYear : 0;
}

void TWinTaskTrigger::SetMonthsOfYear(int mask)
{
    if (Applies(kMonthsOfYear) && mask >= 1 && mask <= 4095)
        pTrigger->monthsOfYear = mask;
}

int TWinTaskTrigger::WeeksOfMonth() const
{
    if (!Applies(kWeeksOfMonth))
        return 0;
    return (pTrigger->weeksOfMonth & 0xF) | (pTrigger->runOnLastWeekOfMonth ? kLastWeekBit : 0);
}

void TWinTaskTrigger::SetWeeksOfMonth(int mask)
{
    // The last-week bit goes with the value, so unticking the last week takes effect.
    if (!Applies(kWeeksOfMonth) || mask < 1 || mask > 31)
        return;
    pTrigger->weeksOfMonth = mask & 0xF;
    pTrigger->runOnLastWeekOfMonth = (mask & kLastWeekBit) != 0;
}

bool TWinTaskTrigger::RunOnLastDayOfMonth() const
{
    return Applies(kDaysOfMonth) && pTrigger->runOnLastDayOfMonth;
}

void TWinTaskTrigger::SetRunOnLastDayOfMonth(bool value)
{
    if (Applies(kDaysOfMonth))
        pTrigger->runOnLastDayOfMonth = value;
}

bool TWinTaskTrigger::RunOnLastWeekOfMonth() const
{
    return Applies(kWeeksOfMonth) && pTrigger->runOnLastWeekOfMonth;
}

void TWinTaskTrigger::SetRunOnLastWeekOfMonth(bool value)
{
    if (Applies(kWeeksOfMonth))
        pTrigger->runOnLastWeekOfMonth = value;
}

std::uint32_t TWinTaskTrigger::RandomDelay() const
{
    return Applies(kRandomDelay) ? DurationToSeconds(pTrigger->randomDelay) : 0;
}

void TWinTaskTrigger::SetRandomDelay(std::uint32_t seconds)
{
    if (Applies(kRandomDelay))
        pTrigger->randomDelay = SecondsToDuration(seconds);
}

std::uint32_t TWinTaskTrigger::Delay() const
{
    return Applies(kDelay) ? DurationToSeconds(pTrigger->delay) : 0;
}

void TWinTaskTrigger::SetDelay(std::uint32_t seconds)
{
    if (Applies(kDelay))
        pTrigger->delay = SecondsToDuration(seconds);
}

QString TWinTaskTrigger::Subscription() const
{
    return Applies(kSubscription) ? pTrigger->subscription : QString();
}

void TWinTaskTrigger::SetSubscription(const QString& value)
{
    if (Applies(kSubscription))
        pTrigger->subscription = value;
}

QString TWinTaskTrigger::LogonUserId() const
{
    return Applies(kLogonUser) ? pTrigger->userId : QString();
}

void TWinTaskTrigger::SetLogonUserId(const QString& value)
{
    if (Applies(kLogonUser))
        pTrigger->userId = value;
}

void TWinTaskTrigger::SetToDefault(const QString& userId)
{
    FTimeZone = false;
    const QDateTime now = QDateTime::currentDateTime();
    SetStartTime(
        QDateTime(now.date(), QTime(now.time().hour(), now.time().minute(), now.time().second())));
    SetLogonUserId(userId);
}

// ---- Collections ----

TWinTaskAction& TWinTaskActions::New(TWinTaskActionType type)
{
    auto action = std::make_shared<TTaskActionData>();
    action->type = ActionTypeConstant(type);
    FTask->pDefinition->actions.push_back(action);
    return Add(std::move(action));
}

TWinTaskAction& TWinTaskActions::Add(std::shared_ptr<TTaskActionData> action)
{
    FItems.push_back(std::make_unique<TWinTaskAction>(std::move(action)));
    return *FItems.back();
}

TWinTaskTrigger& TWinTaskTriggers::New(TWinTaskTriggerType type)
{
    auto trigger = std::make_shared<TTaskTriggerData>();
    trigger->type = TriggerTypeConstant(type);
    // The scheduler's defaults for a new calendar trigger.
    if (type == ttWeekly || type == ttMonthlyDow)
        trigger->daysOfWeek = 1 << 1;
    if (type == ttMonthly)
        trigger->daysOfMonth = 1;
    if (type == ttMonthly || type == ttMonthlyDow)
        trigger->monthsOfYear = 0xFFF;
    if (type == ttMonthlyDow)
        trigger->weeksOfMonth = 1;
    FTask->pDefinition->triggers.push_back(trigger);
    return Add(std::move(trigger));
}

TWinTaskTrigger& TWinTaskTriggers::Add(std::shared_ptr<TTaskTriggerData> trigger)
{
    FItems.push_back(std::make_unique<TWinTaskTrigger>(std::move(trigger)));
    return *FItems.back();
}

void TWinTaskTriggers::Remove(int index)
{
    if (index < 0 || index >= Count())
        throw EOleSysError(TaskResult::kInvalidArg, Tr("The parameter is incorrect."));
    auto& list = FTask->pDefinition->triggers;
    const auto& data = FItems[size_t(index)]->TaskTrigger();
    for (auto it = list.begin(); it != list.end(); ++it)
        if (it->get() == &data) {
            list.erase(it);
            break;
        }
    FItems.erase(FItems.begin() + index);
}

// ---- Task definition ----

TWinTask::TWinTask() : TWinTask(TTaskDefinitionData()) {}

TWinTask::TWinTask(TTaskDefinitionData definition)
    : pDefinition(std::make_shared<TTaskDefinitionData>(std::move(definition))),
      FSettings(pDefinition)
{
    Refresh();
}

QDateTime TWinTask::Date() const
{
    return TaskTimeToDateTime(pDefinition->registration.date);
}

void TWinTask::SetDate(const QDateTime& value)
{
    pDefinition->registration.date = DateTimeToTaskTime(value, false);
}

QString TWinTask::DateAsString() const
{
    return TaskTimeToDisplay(Date());
}

TLogonType TWinTask::LogonType() const
{
    const int value = pDefinition->principal.logonType;
    return value >= 1 && value <= 6 ? TLogonType(value) : ltNone;
}

QString TWinTask::XmlText() const
{
    return DefinitionToXml(*pDefinition);
}

void TWinTask::SetXmlText(const QString& xml)
{
    *pDefinition = DefinitionFromXml(xml);
    Refresh();
}

QString TWinTask::CompatibilityAsString() const
{
    return CompatibilityText(TWinTaskSettings(pDefinition).Compatibility());
}

TWinTaskAction& TWinTask::NewAction(TWinTaskActionType type)
{
    TWinTaskAction& action = FActions.New(type);
    FSelectedAction = ActionCount() - 1;
    return action;
}

TWinTaskTrigger& TWinTask::NewTrigger(TWinTaskTriggerType type)
{
    TWinTaskTrigger& trigger = FTriggers.New(type);
    trigger.SetToDefault(UserId());
    return trigger;
}

bool TWinTask::DeleteTrigger(int index)
{
    if (index < 0 || index >= TriggerCount())
        return true;
    try {
        FTriggers.Remove(index);
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

void TWinTask::Refresh()
{
    FTriggers.Clear();
    FActions.Clear();
    for (const auto& t : pDefinition->triggers)
        FTriggers.Add(t);
    for (const auto& a : pDefinition->actions)
        FActions.Add(a);
    if (FSelectedAction >= ActionCount())
        FSelectedAction = -1;
}

int TWinTask::IndexOfApp(const QString& appFilter)
{
    FSelectedAction = -1;
    for (int i = 0; i < ActionCount(); ++i) {
        const TWinTaskAction& action = Actions(i);
        if (action.ActionType() != taExec)
            continue;
        const QString path = action.ExecPath();
        if (!path.endsWith(appFilter, Qt::CaseInsensitive))
            continue;
        // The filter is a whole file name, not the tail of a longer one.
        const qsizetype before = path.size() - appFilter.size() - 1;
        if (before < 0 || path[before] == u'/' || path[before] == u'\\') {
            FSelectedAction = i;
            break;
        }
    }
    return FSelectedAction;
}

int TWinTask::IndexOfNextExecAction(int fromIndex)
{
    FSelectedAction = -1;
    for (int i = qMax(0, fromIndex); i < ActionCount(); ++i)
        if (Actions(i).ActionType() == taExec) {
            FSelectedAction = i;
            break;
        }
    return FSelectedAction;
}

// ---- Registered task ----

TWinRegisteredTask::TWinRegisteredTask(ITaskBackend& backend, const QString& name)
    : pRegisteredTask(&backend), FTaskName(name)
{
    try {
        FTask = std::make_unique<TWinTask>(backend.Definition(name));
    } catch (const EOleSysError& error) {
        if (error.ErrorCode() != TaskResult::kMalformedXml)
            throw;
        FDamage = error.Message();
        FTask = std::make_unique<TWinTask>();
    }
}

TTaskRunInfo TWinRegisteredTask::RunInfo() const
{
    if (Damaged()) {
        TTaskRunInfo info;
        info.lastResult = TaskResult::kMalformedXml;
        return info;
    }
    return pRegisteredTask->Info(FTaskName);
}

bool TWinRegisteredTask::Enabled() const
{
    return Status() != tsDisabled;
}

void TWinRegisteredTask::SetEnabled(bool value)
{
    pRegisteredTask->SetEnabled(FTaskName, value);
    FTask->Definition().settings.enabled = value;
}

TWinTaskStatus TWinRegisteredTask::Status() const
{
    switch (RunInfo().state) {
    case TaskState::kReady:
        return tsReady;
    case TaskState::kQueued:
        return tsQueued;
    case TaskState::kRunning:
        return tsRunning;
    case TaskState::kDisabled:
        return tsDisabled;
    default:
        return tsUnknown;
    }
}

QString TWinRegisteredTask::StatusAsString() const
{
    return Damaged() ? Tr("Damaged") : StatusText(Status());
}

int TWinRegisteredTask::LastResult() const
{
    return RunInfo().lastResult;
}

QDateTime TWinRegisteredTask::LastRunTime() const
{
    return RunInfo().lastRunTime;
}

QDateTime TWinRegisteredTask::NextRunTime() const
{
    return RunInfo().nextRunTime;
}

QString TWinRegisteredTask::LastRunTimeAsString() const
{
    return TaskTimeToDisplay(LastRunTime());
}

QString TWinRegisteredTask::NextRunTimeAsString() const
{
    if (!pRegisteredTask->FiresTasks() && !Damaged())
        return Tr("not scheduled");
    return TaskTimeToDisplay(NextRunTime());
}

int TWinRegisteredTask::NumberOfMissedRuns() const
{
    return RunInfo().missedRuns;
}

QString TWinRegisteredTask::Path() const
{
    return UnquotedExecPath(TaskPathOf(FTaskName));
}

QString TWinRegisteredTask::Xml() const
{
    return DefinitionToXml(pRegisteredTask->Definition(FTaskName));
}

void TWinRegisteredTask::Refresh()
{
    FTask->SetXmlText(Xml());
}

void TWinRegisteredTask::Run()
{
    pRegisteredTask->Run(FTaskName);
}

void TWinRegisteredTask::Stop()
{
    pRegisteredTask->Stop(FTaskName);
}

// ---- Folder ----

TWinTaskFolder::TWinTaskFolder(ITaskBackend& backend, const QString& path)
    : pRootFolder(&backend), FPath(path)
{}

QString TWinTaskFolder::FolderName() const
{
    return FPath == u"\\" ? FPath : FPath.section(u'\\', -1);
}

void TWinTaskFolder::SetError(const EOleSysError& error)
{
    FErrorCode = error.ErrorCode();
    FErrMsg = error.Message();
}

int TWinTaskFolder::Refresh()
{
    FTasks.clear();
    FNumTasks = 0;
    try {
        const QStringList names = pRootFolder->TaskNames();
        FNumTasks = int(names.size());
        for (const QString& name : names) {
            auto task = std::make_unique<TWinRegisteredTask>(*pRootFolder, name);
            task->SetTaskIndex(int(FTasks.size()));
            FTasks.push_back(std::move(task));
        }
        FErrorCode = 0;
    } catch (const EOleSysError& error) {
        // The count covers what was loaded, so indexing by it stays inside the list.
        FNumTasks = int(FTasks.size());
        SetError(error);
    }
    return FErrorCode;
}

int TWinTaskFolder::IndexOfTask(const QString& taskName) const
{
    for (const auto& task : FTasks)
        if (task->TaskName().compare(taskName, Qt::CaseInsensitive) == 0)
            return task->TaskIndex();
    return -1;
}

bool TWinTaskFolder::DeleteTask(const QString& taskName)
{
    FErrMsg.clear();
    FErrorCode = 0;
    try {
        pRootFolder->Delete(taskName);
    } catch (const EOleSysError& error) {
        SetError(error);
        return false;
    }
    return Refresh() >= 0;
}

int TWinTaskFolder::RegisterTask(const QString& taskName, TWinTask& task, const QString& userName,
                                 const QString& password)
{
    FErrMsg.clear();
    FErrorCode = 0;
    const TLogonType logon = task.LogonType();
    const QString user = logon == ltToken ? QString() : userName;
    const QString secret = logon == ltToken || logon == ltService ? QString() : password;
    try {
        pRootFolder->Register(taskName, task.Definition(), user, secret);
    } catch (const EOleSysError& error) {
        SetError(error);
        return -1;
    }
    if (Refresh() != 0)
        return -1;
    return IndexOfTask(taskName);
}

// ---- Scheduler ----

TWinTaskScheduler::TWinTaskScheduler(std::unique_ptr<ITaskBackend> backend)
    : pService(std::move(backend))
{}

TWinTaskScheduler::~TWinTaskScheduler() = default;

int TWinTaskScheduler::Init()
{
    if (FResult < 0)
        return FResult;
    pService->Connect();
    return Refresh();
}

int TWinTaskScheduler::Refresh()
{
    FTaskFolder.reset();
    // Tasks live in the root folder only.
    if (FFolder != u"\\")
        return TaskResult::kFileNotFound;
    FTaskFolder = std::make_unique<TWinTaskFolder>(*pService, FFolder);
    return FTaskFolder->Refresh();
}

void TWinTaskScheduler::SetPath(const QString& path)
{
    FFolder = path;
    Refresh();
}

std::unique_ptr<TWinTask> TWinTaskScheduler::NewTask() const
{
    auto task = std::make_unique<TWinTask>();
    task->Settings().SetCompatibility(GetOsCompatibility());
    return task;
}

bool TWinTaskScheduler::IsRunning()
{
    try {
        const auto backend = CreateTaskBackend();
        return backend && backend->Available();
    } catch (const std::exception&) {
        return false;
    }
}

void SetTaskBackendFactory(TTaskBackendFactory factory)
{
    BackendFactory() = std::move(factory);
}

std::unique_ptr<ITaskBackend> CreateTaskBackend()
{
    return BackendFactory() ? BackendFactory()() : CreateDefaultTaskBackend();
}

HRESULT InitWinTaskScheduler(std::unique_ptr<TWinTaskScheduler>& scheduler,
                             std::unique_ptr<ITaskBackend> backend)
{
    scheduler.reset();
    if (!backend)
        backend = CreateTaskBackend();
    if (!backend || !backend->Available())
        return TaskResult::kServiceNotRunning;
    scheduler = std::make_unique<TWinTaskScheduler>(std::move(backend));
    try {
        return scheduler->Init();
    } catch (const EOleSysError& error) {
        return error.ErrorCode() < 0 ? error.ErrorCode() : TaskResult::kFail;
    }
}
