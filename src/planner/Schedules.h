#pragma once

#include <cstdint>
#include <vector>

#include <QString>

#include "common/monitor/MonitorSettings.h"

class Reporter;

// One backup schedule: a task file and its rotation of full and partial backups.
struct TSchedTask {
    QString SName;
    QString Task;
    QString PingUrl; // monitoring: pinged before and after each run; empty: none
    int Cycles = 2;
    int Steps = 7;    // 7 selects weekly mode
    int FirstDay = 1; // weekly: weekday of the full backup, 1 Monday ... 7 Sunday; else 0
    int NextCyc = 0;  // step of the next run, 1 .. Cycles * Steps; 0 not started
    int LastFull = 0; // weekly: step of the last full backup; 0 none
    int LastDay = 0;  // day of the last successful start, days since 30 December 1899
    bool Diff = true;
    bool Silent = false;
    bool Active = false; // a scheduled task for it exists (not stored)

    bool IsWeekly() const { return Steps == 7; }
    // Cycles * Steps, computed without overflow.
    int64_t TotalSteps() const { return int64_t(Cycles) * int64_t(Steps); }
    // The rotation can run: at least one cycle of at least one step, and a step count that
    // fits the counters.
    bool IsStartable() const;
};

using TSchedules = std::vector<TSchedTask>;

// What the settings file of the planner holds.
struct TPlanerSettings {
    int Top = 100;
    int Left = 100;
    QString JobDir;
    TMonitorSettings Monitoring;
    TSchedules Schedules;
};

// Limits of the total number of steps of a rotation.
inline constexpr int kMaxWeeklySteps = 693; // 99 weeks
inline constexpr int kMaxSteps = 999;
// At most this many schedules are stored.
inline constexpr int kMaxStoredSchedules = 99;

// Section name of schedule number i: "Sched" + i with at least two digits.
QString ScheduleSection(int index);
// Reads the settings file; a missing or unreadable file gives no schedules and the given JobDir.
// Wrong values read as their defaults. error (when given) receives the text of a read failure.
TPlanerSettings LoadPlanerSettings(const QString& fileName, const QString& defaultJobDir,
                                   QString* error = nullptr);
// Rebuilds the whole settings file (at most 99 schedules); throws EWriteError.
void SavePlanerSettings(const QString& fileName, const TPlanerSettings& settings);
// SavePlanerSettings with a failure reported as an error; false on failure.
bool SavePlanerSettings(const QString& fileName, const TPlanerSettings& settings,
                        Reporter& reporter);
// Writes only NextCycle, LastFull and LastDay of the schedule into the section that holds it;
// everything else in the file stays. A failure is reported; false then, the file unchanged.
bool WriteProgress(const QString& fileName, int index, const TSchedTask& task, Reporter& reporter);

// Position of the first schedule named so (case ignored), -1 when none.
int FindSchedule(const TSchedules& schedules, const QString& name);
// Checks edited values against the rules; the schedule at except is left out of the name test.
// Reports the first failing rule as an error and returns its code (0: all rules met).
int CheckScheduleValues(const TSchedules& schedules, const TSchedTask& edited, int except,
                        Reporter& reporter);
// Appends a new schedule from the edited values; returns the check code (0: added).
int AddSchedule(TSchedules& schedules, const TSchedTask& edited, Reporter& reporter);
// Overwrites the schedule at index from the edited values and resets its progress after the
// user confirms; returns the check code, 0 when replaced, -1 when nothing was replaced.
int ReplaceSchedule(TSchedules& schedules, int index, const TSchedTask& edited, Reporter& reporter);
// Removes the schedule at index after the user confirms; true when removed.
bool RemoveSchedule(TSchedules& schedules, int index, Reporter& reporter);
