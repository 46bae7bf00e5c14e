#pragma once

#include <functional>

#include <QString>
#include <QStringList>

#include "planner/Schedules.h"

class Reporter;
class TClock;
class TProcessLauncher;
struct TBackupModeInfo;
struct TStepPlan;

// Event identifiers of the planner's entries in the system's event log.
enum : uint32_t {
    kEvBackupStarted = 0x40000017,
    kEvAlreadyDone = 0x40000018,
    kEvWaitForWeekday = 0x40000019,
    kEvStartFailed = 0xC0000015,
    kEvProgramNotFound = 0xC0000016,
    kEvScheduleNotFound = 0xC000001A,
    kEvMonitorFailed = 0x8000001C, // a ping or the metrics file failed; the run is not affected
};

// What the last StartSchedule came to, for monitoring.
struct TScheduleOutcome {
    bool MadeBackup = false; // a backup was started, or its start failed
    int Errors = 0;
    int ExitCode = 0; // of a backup waited for; kExitNotStarted when a start failed
    QString Mode;     // "full", "differential" or "incremental"
    int Step = 0;     // the step of the rotation made
};

// The user locale's long (or short) name of a weekday, 1 Monday ... 7 Sunday.
QString WeekdayName(int weekday, bool longName);

// The planner's start-up and the run of one schedule. The window calls StartSchedule too.
class TPlanerRun {
public:
    TPlanerRun(Reporter& reporter, TProcessLauncher& launcher, const TClock& clock,
               std::function<void()> events = {});

    QString AppPath;  // default settings folder, with trailing separator
    QString UserPath; // documents folder, with trailing separator
    QString JobDir;
    QString SchedName;
    QString IniName;
    QString KvPath;
    QString OtherOptions; // each option with a leading blank
    QString DefOptions;
    TPlanerSettings Settings;
    int Wait = 5;
    bool IntAct = false;
    bool IsBatch = false;
    bool UseAltIni = false;
    bool UseDarkMode = false;
    bool EventSource = false;
    TScheduleOutcome LastRun;

    // Folders, backup program, settings file, command line, schedules and default options.
    // IsBatch and EventSource are set before.
    void StartUp(const QStringList& arguments);
    // Reads the arguments (without the program): options and the schedule name.
    void ReadCommandLine(const QStringList& arguments);
    // hide, logmode 1, and ini with the settings file when another one was chosen.
    void BuildDefOptions();
    // Runs the schedule named on the command line. True: done, the window is not shown.
    bool CheckSchedule();
    // Evaluates and starts schedule i with the options; false when it cannot be started.
    bool StartSchedule(int index, const QString& options);

private:
    bool RunMonitored(int index);
    bool Quiet(const TSchedTask& s) const { return s.Silent || IsBatch; }
    void Event(uint32_t id, bool error, const QStringList& strings);
    void ReportNotFound(const QString& name, bool quiet, const char* message);
    bool AlreadyDone(const TSchedTask& s);
    void RunCatchUpFull(const TSchedTask& s, const TStepPlan& plan, const QString& options);
    uint32_t Launch(const TSchedTask& s, const TBackupModeInfo& mode, const QString& folder,
                    const QString& options, bool wait);
    void ReportStarted(const TSchedTask& s, const TBackupModeInfo& mode, int stepNumber);
    void ReportFailure(const TSchedTask& s, uint32_t result);

    Reporter& FReporter;
    TProcessLauncher& FLauncher;
    const TClock& FClock;
    std::function<void()> FEvents;
};
