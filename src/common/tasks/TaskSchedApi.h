#pragma once

#include <cstdint>
#include <memory>
#include <stdexcept>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QStringList>

// The scheduler's own view of a task: a task definition as a plain value, the result codes of
// the scheduler and the interface of a scheduler backend. Texts (dates, durations) are kept as
// the scheduler's XML writes them; the wrapper classes of WinTask convert them.

using HRESULT = std::int32_t;

// Result codes (the values of the Windows Task Scheduler, so messages and callers agree).
namespace TaskResult {
inline constexpr HRESULT kOk = 0;
inline constexpr HRESULT kHasNotRun = 0x00041303;  // the task has not yet run
inline constexpr HRESULT kRunning = 0x00041301;    // the task is running
inline constexpr HRESULT kTerminated = 0x00041306; // the last run was stopped
inline constexpr HRESULT kNotImplemented = HRESULT(0x80004001);
inline constexpr HRESULT kFail = HRESULT(0x80004005);
inline constexpr HRESULT kFileNotFound = HRESULT(0x80070002);
inline constexpr HRESULT kAccessDenied = HRESULT(0x80070005);
inline constexpr HRESULT kInvalidArg = HRESULT(0x80070057);
inline constexpr HRESULT kServiceNotRunning = HRESULT(0x80041315);
inline constexpr HRESULT kInvalidValue = HRESULT(0x80041318);
inline constexpr HRESULT kMalformedXml = HRESULT(0x8004131A);
inline constexpr HRESULT kAlreadyRunning = HRESULT(0x8004131F);
inline constexpr HRESULT kTaskDisabled = HRESULT(0x80041326);
inline constexpr HRESULT kLogonFailure = HRESULT(0x8007052E); // wrong account or password
inline constexpr HRESULT kNoneMapped = HRESULT(0x80070534);   // no such account
} // namespace TaskResult

// A failed scheduler call: the code and the system's text.
class EOleSysError : public std::runtime_error {
public:
    EOleSysError(HRESULT code, const QString& message);
    HRESULT ErrorCode() const { return FCode; }
    QString Message() const { return QString::fromUtf8(what()); }

private:
    HRESULT FCode;
};

// Trigger type constants of the scheduler (there is no 10).
namespace TriggerKind {
inline constexpr int kEvent = 0, kTime = 1, kDaily = 2, kWeekly = 3, kMonthly = 4, kMonthlyDow = 5,
                     kIdle = 6, kRegistration = 7, kBoot = 8, kLogon = 9, kSessionStateChange = 11,
                     kCustom = 12;
}
// Action type constants of the scheduler.
namespace ActionKind {
inline constexpr int kExec = 0, kComHandler = 5, kEmail = 6, kShowMessage = 7;
}
// Task state constants of the scheduler.
namespace TaskState {
inline constexpr int kUnknown = 0, kDisabled = 1, kQueued = 2, kReady = 3, kRunning = 4;
}

struct TTaskRepetitionData {
    QString interval; // duration text, empty: no repetition
    QString duration; // duration text, empty: indefinitely
    bool stopAtDurationEnd = false;
};

struct TTaskTriggerData {
    int type = TriggerKind::kTime;
    QString id;
    QString startBoundary, endBoundary; // date-time texts
    bool enabled = true;
    QString executionTimeLimit;
    TTaskRepetitionData repetition;
    int daysInterval = 1;  // daily
    int weeksInterval = 1; // weekly
    int daysOfWeek = 0;    // bit 0 Sunday ... bit 6 Saturday
    int daysOfMonth = 0;   // bit 0 day 1 ... bit 30 day 31
    int monthsOfYear = 0;  // bit 0 January ... bit 11 December
    int weeksOfMonth = 0;  // bit 0 first ... bit 3 fourth week
    bool runOnLastDayOfMonth = false;
    bool runOnLastWeekOfMonth = false;
    QString randomDelay, delay; // duration texts
    QString subscription;       // event query
    QString userId;             // logon, session state change
    QString stateChange;        // session state change
    QString rawXml;             // a trigger element this program does not know, kept as read
};

struct TTaskActionData {
    int type = ActionKind::kExec;
    QString id;
    QString path, arguments, workingDirectory; // exec actions
    QString rawXml;                            // other actions, kept as read
};

struct TTaskIdleData {
    QString duration = QStringLiteral("PT10M");
    QString waitTimeout = QStringLiteral("PT1H");
    bool stopOnIdleEnd = true;
    bool restartOnIdle = false;
};

struct TTaskSettingsData {
    int compatibility = 2; // 0 AT ... 4 and above the newest
    bool enabled = true;
    bool allowDemandStart = true;
    bool allowHardTerminate = true;
    bool disallowStartIfOnBatteries = true;
    bool stopIfGoingOnBatteries = true;
    bool hidden = false;
    bool runOnlyIfIdle = false;
    bool runOnlyIfNetworkAvailable = false;
    bool wakeToRun = false;
    bool startWhenAvailable = false;
    QString executionTimeLimit = QStringLiteral("PT72H");
    QString deleteExpiredTaskAfter;
    QString restartInterval;
    int restartCount = 0;
    int multipleInstances = 2; // IgnoreNew
    int priority = 7;
    TTaskIdleData idle;
};

struct TTaskPrincipalData {
    QString id = QStringLiteral("Author");
    QString displayName, userId, groupId;
    int logonType = 3; // interactive token
    int runLevel = 0;  // 0 least privilege, 1 highest
};

struct TTaskRegistrationData {
    QString description, author, date, documentation, uri;
};

// A whole task definition. Triggers and actions are shared so that wrapper items can keep a
// reference to their entry while the lists change.
struct TTaskDefinitionData {
    TTaskRegistrationData registration;
    TTaskPrincipalData principal;
    TTaskSettingsData settings;
    QString data;
    std::vector<std::shared_ptr<TTaskTriggerData>> triggers;
    std::vector<std::shared_ptr<TTaskActionData>> actions;
};

// The definition as Task Scheduler XML (UTF-8 declared).
QString DefinitionToXml(const TTaskDefinitionData& definition);
// Reads a definition from Task Scheduler XML; throws EOleSysError (kMalformedXml) on bad XML.
TTaskDefinitionData DefinitionFromXml(const QString& xml);

// What a backend reports about one registered task.
struct TTaskRunInfo {
    int state = TaskState::kUnknown;
    QDateTime lastRunTime; // invalid: never
    QDateTime nextRunTime; // invalid: none
    HRESULT lastResult = TaskResult::kHasNotRun;
    int missedRuns = 0;
};

// A place where tasks are registered by name. Every failure throws EOleSysError.
class ITaskBackend {
public:
    virtual ~ITaskBackend() = default;
    // True when the backend can be used on this system (its service runs).
    virtual bool Available() = 0;
    // What the backend is, for the user ("systemd user timers").
    virtual QString Description() const = 0;
    // False for a store that only keeps tasks: nothing starts them at their time.
    virtual bool FiresTasks() const { return true; }
    // Checks that the backend can be used; throws when it cannot.
    virtual void Connect() = 0;
    // Names of the registered tasks, sorted case-insensitively.
    virtual QStringList TaskNames() = 0;
    // The stored definition of a task.
    virtual TTaskDefinitionData Definition(const QString& name) = 0;
    // Creates or replaces the task of that name.
    virtual void Register(const QString& name, const TTaskDefinitionData& definition,
                          const QString& user, const QString& password) = 0;
    virtual void Delete(const QString& name) = 0;
    virtual void SetEnabled(const QString& name, bool enabled) = 0;
    // Starts the task's first exec action now, without waiting for it.
    virtual void Run(const QString& name) = 0;
    virtual void Stop(const QString& name) = 0;
    virtual TTaskRunInfo Info(const QString& name) = 0;
    // The states (TaskState) of the tasks, in the order of the names; kUnknown for a task that
    // cannot be read. Cheap enough to be asked every second for all listed tasks.
    virtual std::vector<int> States(const QStringList& names);
};

// The task name a folder lookup compares, "\" and the name.
QString TaskPathOf(const QString& name);
