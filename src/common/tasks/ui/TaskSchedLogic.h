#pragma once

#include <cstdint>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "common/tasks/TaskSchedApi.h"

class TWinTask;
class TWinTaskTrigger;

// The rules of the scheduled task wizard that need no window: names, command lines, units,
// the advanced settings of a task and the messages of a failed registration.

// The kind of task the wizard creates; KvStarter passes kaStarter, KvPlaner kaSchedule.
enum TKvAction { kaBackup, kaRestore, kaCleanup, kaSchedule, kaVerify, kaStarter, kaTbBackup };

// The key stored in a task's data ("Starter"), the task file extension (".buj", empty for
// none), the kind's text for the user ("Start backups") and the task name prefix ("Starter-").
QString KvActionKey(TKvAction kind);
QString KvActionExtension(TKvAction kind);
QString KvActionText(TKvAction kind);
QString KvActionPrefix(TKvAction kind);
// The program the tasks start: this program, or what tests set (empty: this program again).
QString ScheduledProgramPath();
void SetScheduledProgramPath(const QString& path);
// True when the wizard shows its Settings page for the kind.
bool ShowsProgramPage(TKvAction kind);

// Entries of the status window box, in list order.
enum TPromptMode { pmWait, pmDelay, pmQuiet, pmError, pmSilent };
// Entries of "Subsequent action", in list order.
enum TEndAction { eaNone, eaStandby, eaHibernate, eaLogoff, eaShutdown, eaRestart };
// Entries of "Process priority", in list order.
enum TPriorityEntry { peNormal, peLow, peHigh };

// What the Settings page holds.
struct TSchedOptions {
    bool hide = true;
    int prompt = pmDelay;
    int wait = 3; // seconds, 1..99
    bool parallel = false;
    int logMode = 0; // 0 as in the task, 1..3
    int priority = peNormal;
    int endAction = eaNone;
    int errorActions = 0;
    QString iniFile;
    bool operator==(const TSchedOptions&) const = default;
};

// True when the wait time applies to the prompt mode.
bool PromptUsesWait(int prompt);
// The options of the page as a command line tail (each option after a blank); the ini file
// only with withIni.
QString BuildSchedOptions(TKvAction kind, const TSchedOptions& options, bool withIni);

// The Settings page read from a task's arguments.
struct TParsedArguments {
    TSchedOptions options;
    QStringList tasks;   // tasks or the schedule name, as shown (quoted when needed)
    QString userOptions; // options the page has no control for
    TKvAction kind = kaStarter;
};
// Reads the arguments word by word; starts from the given options. Tasks inside folder are
// made relative to it.
TParsedArguments ParseSchedArguments(const QString& arguments, TKvAction kind,
                                     const QString& folder, const TSchedOptions& start);
// The entries of a comma list of tasks; a comma inside double quotes does not end an entry.
QStringList SplitTaskList(const QString& list);
// A task or schedule name for the task list: quoted when it holds a blank or a comma.
QString TaskListEntry(const QString& name);
// The name of a new task of the kind for a task or schedule name.
QString NewTaskName(TKvAction kind, const QString& task);
// The first arguments of a new task.
QString NewTaskArguments(TKvAction kind, const QString& task, const QString& options,
                         const QString& folder);
// The arguments written back for the kinds whose Settings page is shown.
QString RebuildArguments(TKvAction kind, const QStringList& tasks, const TSchedOptions& options,
                         const QString& userOptions, const QString& folder);

// A count of seconds or minutes shown as a number and a unit.
enum TTimeUnit { tuSeconds, tuMinutes, tuHours, tuDays };
struct TUnitValue {
    TTimeUnit unit = tuMinutes;
    int value = 0;
    int maximum = 0;
    bool operator==(const TUnitValue&) const = default;
};
// Delays (seconds): hours for whole hours or from 12 hours on, seconds below 30 minutes when
// not whole minutes, else minutes.
TUnitValue DelayUnitValue(std::uint32_t seconds);
// Repetition interval and duration (minutes): minutes unless whole hours.
TUnitValue RepeatUnitValue(int minutes);
// Time limit (minutes): days for whole days or from a week on, minutes below a day when not
// whole hours, else hours.
TUnitValue LimitUnitValue(int minutes);
// Seconds of a value in its unit (the unit of a delay: seconds, minutes or hours).
std::uint32_t UnitSeconds(const TUnitValue& value);
// Maximum, preset value and step when the user picks a unit of a delay, a repetition or a
// time limit.
TUnitValue DelayUnitPreset(TTimeUnit unit);
TUnitValue RepeatUnitPreset(TTimeUnit unit);
TUnitValue LimitUnitPreset(TTimeUnit unit);
int UnitStep(TTimeUnit unit);

// Weekday masks: Monday first (bit 0 Monday) to Sunday first (bit 0 Sunday) and back.
int MondayFirstToSundayFirst(int mask);
int SundayFirstToMondayFirst(int mask);

// The advanced settings of a task and one of its triggers.
struct TAdvancedSettings {
    bool UseEndDate = false;
    bool RepeatTask = false;
    bool StopEndDuration = false;
    bool UseLimit = false;
    bool ReRun = false;
    bool PowerOnly = true;
    bool StopBattery = true;
    bool WakeUp = false;
    bool NetworkOnly = false;
    QDateTime EndDate;
    int MinutesLimit = 4320;
    int MinutesInterval = 60;
    int MinutesDuration = 480;
    bool operator==(const TAdvancedSettings&) const = default;
};
// The presets of a new schedule, the end date set to now.
TAdvancedSettings DefaultAdvancedSettings(const QDateTime& now);
// The settings part from a task definition.
void ReadTaskSettings(TWinTask& task, TAdvancedSettings& settings);
void WriteTaskSettings(const TAdvancedSettings& settings, TWinTask& task);
// The trigger part; registered: the task's registration date (the default end date is a
// year after it).
void ReadTriggerSettings(const TWinTaskTrigger& trigger, const QDateTime& registered,
                         const QDateTime& now, TAdvancedSettings& settings);
// Writes the trigger part; start: the trigger's new start (the end lies after it).
void WriteTriggerSettings(const TAdvancedSettings& settings, const QDateTime& start,
                          TWinTaskTrigger& trigger);

// The date of one and the time of day of the other, rounded to the whole minute; unset when
// both are unset.
QDateTime StartBoundary(const QDateTime& date, const QDateTime& time);
// "1st Schedule", "2nd Schedule", ... for the trigger index.
QString TriggerCaption(int index);

// The system's message for a code and the code ("... (0x80070005)").
QString SchedulerErrorText(HRESULT code);
// True for a registration failure the user can mend (account, password, a parameter).
bool MayRetryRegistration(HRESULT code);
// Characters a task name may not hold, and their list for the message ("* ? < ...").
bool HasInvalidTaskNameCharacters(const QString& name);
QString InvalidTaskNameCharacters();
