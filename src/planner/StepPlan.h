#pragma once

#include <QString>

#include "planner/Schedules.h"

// A backup mode of the rotation: its option value, its folder-name letter and its shown name.
struct TBackupModeInfo {
    const char* mode;   // for the command line
    const char* letter; // of the folder name
    const char* name;   // shown, translated
};

// The full backup's mode (the window module has its own copy of this code, so modes are told
// apart by value, never by address).
const TBackupModeInfo& FullMode();

// What a run of the schedule on a weekday makes, worked out from its stored progress alone.
struct TStepPlan {
    bool Waiting = false; // a weekly rotation that has not begun waits for its first weekday
    int Step = 0;         // the step made, 1 .. total
    const TBackupModeInfo* Mode = &FullMode();
    QString Folder;        // the backup folder's name
    QString CatchUpFolder; // weekly: this cycle's missing full backup, made first; empty: none
    int NextCyc = 0;       // the progress stored after the run
    int LastFull = 0;
};

// The step that the run makes today. repeat: the day's backup is made once more (the step
// before NextCyc). The schedule must be startable.
TStepPlan PlanStep(const TSchedTask& s, int weekday, bool repeat);
