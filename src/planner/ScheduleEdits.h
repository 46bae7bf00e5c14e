#pragma once

#include <functional>

#include <QSet>
#include <QString>

#include "planner/Schedules.h"

class Reporter;

// The schedule list as the window edits it. Remembers which schedules the user defined in the
// window (added or replaced), so that closing the window keeps the progress that scheduled
// runs stored meanwhile for all the others.
class TScheduleEdits {
public:
    explicit TScheduleEdits(TPlanerSettings& settings) : FSettings(settings) {}

    TSchedules& Schedules() { return FSettings.Schedules; }
    const TSchedules& Schedules() const { return FSettings.Schedules; }

    // Add, replace and remove of the list (see Schedules.h), each remembering the schedule.
    int Add(const TSchedTask& edited, Reporter& reporter);
    int Replace(int index, const TSchedTask& edited, Reporter& reporter);
    bool Remove(int index, Reporter& reporter);
    // True when the schedule of that name (case ignored) was defined in the window.
    bool IsDefinedHere(const QString& name) const;

    // Rebuilds the settings file from the window's list, the progress of every schedule not
    // defined here taken from the file as it is now. A failure is reported and leaves the file
    // as it was; false then.
    bool Save(const QString& fileName, Reporter& reporter);

private:
    TPlanerSettings& FSettings;
    QSet<QString> FDefinedHere; // lower-cased names
};

// Copies NextCyc, LastFull and LastDay from the stored schedule of the same name (case ignored)
// to each schedule for which definedHere is false; schedules not stored keep theirs.
void TakeStoredProgress(TSchedules& schedules, const TSchedules& stored,
                        const std::function<bool(const QString&)>& definedHere);
