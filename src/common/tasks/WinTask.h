#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QDateTime>
#include <QString>

#include "common/tasks/TaskSchedApi.h"
#include "common/tasks/TaskTimes.h"

// Plain classes over the task scheduler: numbers in seconds, minutes or hours instead of
// duration texts, date-times instead of date-time texts, enumerations instead of the
// scheduler's constants. Definitions are values; a backend (file store, systemd timers)
// registers them by name.

enum TWinTaskStatus { tsUnknown, tsReady, tsQueued, tsRunning, tsDisabled };
enum TWinTaskActionType { taExec, taCom, taMail, taMessage };
enum TWinTaskTriggerType {
    ttEvent,
    ttTime,
    ttDaily,
    ttWeekly,
    ttMonthly,
    ttMonthlyDow,
    ttIdle,
    ttRegistration,
    ttBoot,
    ttLogon,
    ttSessionStateChange,
    ttCustom
};
enum TLogonType { ltNone, ltPassword, ltS4U, ltToken, ltGroup, ltService, ltTokenPassword };
enum TWinTaskCompatibility { tcAT, tcXP, tcVista, tcWin7, tcWin10 };
enum TMultipleInstances { miParallel, miQueue, miIgnoreNew, miStopExisting };
enum TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

// ---- Unit functions (durations and date-times are in TaskTimes.h) ----

// The scheduler's trigger type constant for a trigger type, and back (unknown: ttCustom).
int TriggerTypeConstant(TWinTaskTriggerType type);
TWinTaskTriggerType TriggerTypeFromConstant(int value);
// Scheduler priority (0..10) for a thread priority, and back.
int PriorityConstant(TThreadPriority priority);
TThreadPriority PriorityFromConstant(int value);
// Compatibility for a Windows version (not NT-based: tcAT).
TWinTaskCompatibility OsCompatibilityFor(bool ntBased, int major, int minor);
// The compatibility level new tasks get on this system.
TWinTaskCompatibility GetOsCompatibility();
// An exec path without one pair of surrounding double quotes (a doubled quote is one quote).
QString UnquotedExecPath(const QString& path);

class TWinTask;

class TWinTaskIdleSettings {
public:
    explicit TWinTaskIdleSettings(std::shared_ptr<TTaskDefinitionData> definition);
    std::uint32_t IdleDuration() const;
    void SetIdleDuration(std::uint32_t seconds);
    std::uint32_t WaitTimeout() const;
    void SetWaitTimeout(std::uint32_t seconds);
    bool RestartOnIdle() const { return pIdleSettings->settings.idle.restartOnIdle; }
    void SetRestartOnIdle(bool value) { pIdleSettings->settings.idle.restartOnIdle = value; }
    bool StopOnIdleEnd() const { return pIdleSettings->settings.idle.stopOnIdleEnd; }
    void SetStopOnIdleEnd(bool value) { pIdleSettings->settings.idle.stopOnIdleEnd = value; }

private:
    std::shared_ptr<TTaskDefinitionData> pIdleSettings;
};

class TWinTaskSettings {
public:
    explicit TWinTaskSettings(std::shared_ptr<TTaskDefinitionData> definition);
    bool AllowDemandStart() const { return S().allowDemandStart; }
    void SetAllowDemandStart(bool value) { S().allowDemandStart = value; }
    bool AllowHardTerminate() const { return S().allowHardTerminate; }
    void SetAllowHardTerminate(bool value) { S().allowHardTerminate = value; }
    // Any level above tcWin7 reads as tcWin10.
    TWinTaskCompatibility Compatibility() const;
    void SetCompatibility(TWinTaskCompatibility value);
    // Whole hours; -1: never.
    int DeleteExpiredTaskAfter() const;
    void SetDeleteExpiredTaskAfter(int hours);
    bool DisallowOnBatteries() const { return S().disallowStartIfOnBatteries; }
    void SetDisallowOnBatteries(bool value) { S().disallowStartIfOnBatteries = value; }
    bool StopOnBatteries() const { return S().stopIfGoingOnBatteries; }
    void SetStopOnBatteries(bool value) { S().stopIfGoingOnBatteries = value; }
    // Whole hours; 0: no limit.
    std::uint32_t ExecutionTimeLimit() const;
    void SetExecutionTimeLimit(std::uint32_t hours);
    bool Hidden() const { return S().hidden; }
    void SetHidden(bool value) { S().hidden = value; }
    TWinTaskIdleSettings& IdleSettings() { return FIdleSettings; }
    TMultipleInstances MultipleInstances() const;
    void SetMultipleInstances(TMultipleInstances value);
    TThreadPriority Priority() const;
    void SetPriority(TThreadPriority value);
    int RestartCount() const { return S().restartCount; }
    void SetRestartCount(int value) { S().restartCount = qMax(0, value); }
    // Whole minutes.
    std::uint32_t RestartInterval() const;
    void SetRestartInterval(std::uint32_t minutes);
    bool RunIfMissed() const { return S().startWhenAvailable; }
    void SetRunIfMissed(bool value) { S().startWhenAvailable = value; }
    bool RunOnlyIfIdle() const { return S().runOnlyIfIdle; }
    void SetRunOnlyIfIdle(bool value) { S().runOnlyIfIdle = value; }
    bool RunOnlyIfNetwork() const { return S().runOnlyIfNetworkAvailable; }
    void SetRunOnlyIfNetwork(bool value) { S().runOnlyIfNetworkAvailable = value; }
    bool WakeToRun() const { return S().wakeToRun; }
    void SetWakeToRun(bool value) { S().wakeToRun = value; }

private:
    TTaskSettingsData& S() const { return pSettings->settings; }
    std::shared_ptr<TTaskDefinitionData> pSettings;
    TWinTaskIdleSettings FIdleSettings;
};

class TWinTaskAction {
public:
    explicit TWinTaskAction(std::shared_ptr<TTaskActionData> action);
    TTaskActionData& TaskAction() const { return *pAction; }
    TWinTaskActionType ActionType() const { return FActionType; }
    QString ActionTypeAsString() const;
    QString Id() const { return pAction->id; }
    void SetId(const QString& value) { pAction->id = value; }
    // Exec actions only: the path without surrounding quotes; empty for other actions.
    QString ExecPath() const;
    void SetExecPath(const QString& value);
    QString ExecArguments() const;
    void SetExecArguments(const QString& value);
    QString ExecWorkingDirectory() const;
    void SetExecWorkingDirectory(const QString& value);

private:
    bool IsExec() const { return FActionType == taExec; }
    std::shared_ptr<TTaskActionData> pAction;
    TWinTaskActionType FActionType;
};

class TWinTaskTrigger {
public:
    explicit TWinTaskTrigger(std::shared_ptr<TTaskTriggerData> trigger);
    TTaskTriggerData& TaskTrigger() const { return *pTrigger; }
    TWinTaskTriggerType TriggerType() const { return FTriggerType; }
    QString TriggerTypeAsString() const;
    QString TriggerString() const;
    // The start boundary that was read carried a time zone; boundaries are written alike.
    bool UseTimeZone() const { return FTimeZone; }
    void SetUseTimeZone(bool value) { FTimeZone = value; }

    // A value that is not set (below 31 December 1899) clears the boundary.
    QDateTime StartTime() const;
    void SetStartTime(const QDateTime& value);
    QDateTime EndTime() const;
    void SetEndTime(const QDateTime& value);
    bool Enabled() const { return pTrigger->enabled; }
    void SetEnabled(bool value) { pTrigger->enabled = value; }
    QString Id() const { return pTrigger->id; }
    void SetId(const QString& value) { pTrigger->id = value; }
    // Seconds; 0 clears.
    std::uint32_t ExecutionTimeLimit() const;
    void SetExecutionTimeLimit(std::uint32_t seconds);
    std::uint32_t Interval() const;
    void SetInterval(std::uint32_t seconds);
    std::uint32_t Duration() const;
    void SetDuration(std::uint32_t seconds);
    bool StopAtDurationEnd() const { return pTrigger->repetition.stopAtDurationEnd; }
    void SetStopAtDurationEnd(bool value) { pTrigger->repetition.stopAtDurationEnd = value; }

    // The type-specific properties read 0, false or empty and ignore writes where they do not
    // apply; writes out of range are ignored.
    short DaysInterval() const;
    void SetDaysInterval(short days);
    int WeeksInterval() const;
    void SetWeeksInterval(int weeks);
    // Bit 0 Sunday ... bit 6 Saturday; 1..127.
    int DaysOfWeek() const;
    void SetDaysOfWeek(int mask);
    // Bit 0 day 1 ... bit 30 day 31, bit 31 the last day; any day set.
    int DaysOfMonth() const;
    void SetDaysOfMonth(int mask);
    // Bit 0 January ... bit 11 December; 1..4095.
    int MonthsOfYear() const;
    void SetMonthsOfYear(int mask);
    // Bit 0 first ... bit 3 fourth week, bit 4 the last week; 1..31.
    int WeeksOfMonth() const;
    void SetWeeksOfMonth(int mask);
    bool RunOnLastDayOfMonth() const;
    void SetRunOnLastDayOfMonth(bool value);
    bool RunOnLastWeekOfMonth() const;
    void SetRunOnLastWeekOfMonth(bool value);
    std::uint32_t RandomDelay() const;
    void SetRandomDelay(std::uint32_t seconds);
    std::uint32_t Delay() const;
    void SetDelay(std::uint32_t seconds);
    QString Subscription() const;
    void SetSubscription(const QString& value);
    QString LogonUserId() const;
    void SetLogonUserId(const QString& value);

    // Start boundary now (local time, no zone); a logon trigger gets the task's user.
    void SetToDefault(const QString& userId);

private:
    bool Applies(int property) const;
    std::shared_ptr<TTaskTriggerData> pTrigger;
    TWinTaskTriggerType FTriggerType;
    bool FTimeZone = false;
};

class TWinTaskActions {
public:
    explicit TWinTaskActions(TWinTask* task) : FTask(task) {}
    // Creates an action of the type in the definition and wraps it.
    TWinTaskAction& New(TWinTaskActionType type);
    // Wraps an action of the definition.
    TWinTaskAction& Add(std::shared_ptr<TTaskActionData> action);
    void Clear() { FItems.clear(); }
    int Count() const { return int(FItems.size()); }
    TWinTaskAction& Item(int index) const { return *FItems.at(size_t(index)); }

private:
    TWinTask* FTask;
    std::vector<std::unique_ptr<TWinTaskAction>> FItems;
};

class TWinTaskTriggers {
public:
    explicit TWinTaskTriggers(TWinTask* task) : FTask(task) {}
    TWinTaskTrigger& New(TWinTaskTriggerType type);
    TWinTaskTrigger& Add(std::shared_ptr<TTaskTriggerData> trigger);
    // Removes the trigger from the definition and its wrapper.
    void Remove(int index);
    void Clear() { FItems.clear(); }
    int Count() const { return int(FItems.size()); }
    TWinTaskTrigger& Item(int index) const { return *FItems.at(size_t(index)); }

private:
    TWinTask* FTask;
    std::vector<std::unique_ptr<TWinTaskTrigger>> FItems;
};

// One task definition.
class TWinTask {
public:
    // A new, empty definition.
    TWinTask();
    explicit TWinTask(TTaskDefinitionData definition);
    TWinTask(const TWinTask&) = delete;
    TWinTask& operator=(const TWinTask&) = delete;

    TTaskDefinitionData& Definition() const { return *pDefinition; }

    QString Description() const { return pDefinition->registration.description; }
    void SetDescription(const QString& value) { pDefinition->registration.description = value; }
    QString Author() const { return pDefinition->registration.author; }
    void SetAuthor(const QString& value) { pDefinition->registration.author = value; }
    QDateTime Date() const;
    void SetDate(const QDateTime& value);
    QString DateAsString() const;
    QString Documentation() const { return pDefinition->registration.documentation; }
    void SetDocumentation(const QString& value) { pDefinition->registration.documentation = value; }

    QString Id() const { return pDefinition->principal.id; }
    void SetId(const QString& value) { pDefinition->principal.id = value; }
    QString DisplayName() const { return pDefinition->principal.displayName; }
    void SetDisplayName(const QString& value) { pDefinition->principal.displayName = value; }
    QString UserId() const { return pDefinition->principal.userId; }
    void SetUserId(const QString& value) { pDefinition->principal.userId = value; }
    QString GroupId() const { return pDefinition->principal.groupId; }
    void SetGroupId(const QString& value) { pDefinition->principal.groupId = value; }
    // Types outside 1..6 read as ltNone.
    TLogonType LogonType() const;
    void SetLogonType(TLogonType value) { pDefinition->principal.logonType = int(value); }
    bool HighestRunLevel() const { return pDefinition->principal.runLevel == 1; }
    void SetHighestRunLevel(bool value) { pDefinition->principal.runLevel = value ? 1 : 0; }

    QString UserData() const { return pDefinition->data; }
    void SetUserData(const QString& value) { pDefinition->data = value; }
    QString XmlText() const;
    // Replaces the definition and reloads the collections; throws EOleSysError on bad XML.
    void SetXmlText(const QString& xml);

    TWinTaskAction& Actions(int index) const { return FActions.Item(index); }
    TWinTaskTrigger& Triggers(int index) const { return FTriggers.Item(index); }
    TWinTaskAction& GetAction(int index) const { return Actions(index); }
    TWinTaskTrigger& GetTrigger(int index) const { return Triggers(index); }
    int ActionCount() const { return FActions.Count(); }
    int TriggerCount() const { return FTriggers.Count(); }
    int SelectedAction() const { return FSelectedAction; }
    void SetSelectedAction(int index) { FSelectedAction = index; }
    TWinTaskSettings& Settings() { return FSettings; }
    QString CompatibilityAsString() const;

    // Adds an action of the type and selects it.
    TWinTaskAction& NewAction(TWinTaskActionType type);
    // Adds a trigger of the type, set to its defaults.
    TWinTaskTrigger& NewTrigger(TWinTaskTriggerType type);
    // Removes a trigger; true for an index outside the list; false when the removal failed.
    bool DeleteTrigger(int index);
    // Rewraps the definition's triggers and actions.
    void Refresh();
    // First exec action whose program file name is appFilter (case ignored); selected, or -1.
    int IndexOfApp(const QString& appFilter);
    // First exec action at or after fromIndex; selected, or -1.
    int IndexOfNextExecAction(int fromIndex);

private:
    friend class TWinTaskActions;
    friend class TWinTaskTriggers;
    std::shared_ptr<TTaskDefinitionData> pDefinition;
    TWinTaskActions FActions{this};
    int FSelectedAction = -1;
    TWinTaskTriggers FTriggers{this};
    TWinTaskSettings FSettings;
};

// A task as registered in the folder.
class TWinRegisteredTask {
public:
    TWinRegisteredTask(ITaskBackend& backend, const QString& name);
    QString TaskName() const { return FTaskName; }
    int TaskIndex() const { return FIndex; }
    void SetTaskIndex(int index) { FIndex = index; }
    TWinTask& Definition() { return *FTask; }

    bool Enabled() const;
    void SetEnabled(bool value);
    TWinTaskStatus Status() const;
    QString StatusAsString() const;
    int LastResult() const;
    QDateTime LastRunTime() const;
    QDateTime NextRunTime() const;
    QString LastRunTimeAsString() const;
    QString NextRunTimeAsString() const;
    int NumberOfMissedRuns() const;
    QString Path() const;
    QString Xml() const;

    // Rereads the stored definition.
    void Refresh();
    void Run();
    void Stop();
    int IndexOfApp(const QString& appFilter) { return FTask->IndexOfApp(appFilter); }
    // True when the stored definition could not be read; the task is listed with an empty
    // definition and can still be deleted or registered anew.
    bool Damaged() const { return !FDamage.isEmpty(); }
    QString DamageText() const { return FDamage; }

private:
    TTaskRunInfo RunInfo() const;

    ITaskBackend* pRegisteredTask;
    QString FTaskName;
    int FIndex = -1;
    QString FDamage;
    std::unique_ptr<TWinTask> FTask;
};

// The tasks of the scheduler's folder. Folder operations catch scheduler errors into
// ErrorCode and ErrorMessage.
class TWinTaskFolder {
public:
    explicit TWinTaskFolder(ITaskBackend& backend, const QString& path = QStringLiteral("\\"));

    // Reloads the task list; returns ErrorCode.
    int Refresh();
    TWinRegisteredTask& Tasks(int index) const { return *FTasks.at(size_t(index)); }
    TWinRegisteredTask& GetTask(int index) const { return Tasks(index); }
    int TaskCount() const { return FNumTasks; }
    int NumberOfTasks() const { return FNumTasks; }
    int FolderCount() const { return 0; }
    QString FolderName() const;
    QString FolderPath() const { return FPath; }
    HRESULT ErrorCode() const { return FErrorCode; }
    QString ErrorMessage() const { return FErrMsg; }

    // Case-insensitive; -1 when absent.
    int IndexOfTask(const QString& taskName) const;
    // Deletes the task and refreshes; true when the refresh succeeded.
    bool DeleteTask(const QString& taskName);
    // Creates or updates the task, refreshes, and returns its index (-1 on failure).
    // Tasks running as the logged-on user send neither user nor password.
    int RegisterTask(const QString& taskName, TWinTask& task, const QString& userName,
                     const QString& password);

private:
    void SetError(const EOleSysError& error);
    ITaskBackend* pRootFolder;
    QString FPath;
    int FNumTasks = 0;
    std::vector<std::unique_ptr<TWinRegisteredTask>> FTasks;
    QString FErrMsg;
    HRESULT FErrorCode = 0;
};

class TWinTaskScheduler {
public:
    explicit TWinTaskScheduler(std::unique_ptr<ITaskBackend> backend);
    ~TWinTaskScheduler();
    // Connects and refreshes; a negative result is the error.
    int Init();
    // Reopens the folder of Path; returns its refresh result or the error.
    int Refresh();
    // A new, unregistered definition, owned by the caller.
    std::unique_ptr<TWinTask> NewTask() const;
    // True when a scheduler backend can be used on this system.
    static bool IsRunning();

    QString Path() const { return FFolder; }
    void SetPath(const QString& path);
    TWinTaskFolder* TaskFolder() const { return FTaskFolder.get(); }
    ITaskBackend& Backend() const { return *pService; }
    // What schedules the tasks ("systemd user timers", "cron", "task files (not scheduled)").
    QString BackendDescription() const { return pService->Description(); }

private:
    std::unique_ptr<ITaskBackend> pService;
    QString FFolder = QStringLiteral("\\");
    std::unique_ptr<TWinTaskFolder> FTaskFolder;
    HRESULT FResult = 0;
};

// The backend used when none is given; tests and special set-ups replace it.
using TTaskBackendFactory = std::function<std::unique_ptr<ITaskBackend>()>;
void SetTaskBackendFactory(TTaskBackendFactory factory);
std::unique_ptr<ITaskBackend> CreateTaskBackend();

// Connects a new scheduler (the default backend when none is given) and hands it to the
// caller even when the connection fails; 0x80041315 when no backend can be used (nothing
// created), another negative code when connecting failed.
HRESULT InitWinTaskScheduler(std::unique_ptr<TWinTaskScheduler>& scheduler,
                             std::unique_ptr<ITaskBackend> backend = nullptr);
