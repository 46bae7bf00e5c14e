#include "planner/ScheduleEdits.h"

#include "common/infra/IniFileUtils.h"
#include "common/infra/Reporter.h"

void TakeStoredProgress(TSchedules& schedules, const TSchedules& stored,
                        const std::function<bool(const QString&)>& definedHere)
{
    for (TSchedTask& s : schedules) {
        const int i = FindSchedule(stored, s.SName);
        if (i < 0 || definedHere(s.SName))
            continue;
        const TSchedTask& from = stored[size_t(i)];
        s.NextCyc = from.NextCyc;
        s.LastFull = from.LastFull;
        s.LastDay = from.LastDay;
    }
}

int TScheduleEdits::Add(const TSchedTask& edited, Reporter& reporter)
{
    const int code = AddSchedule(FSettings.Schedules, edited, reporter);
    if (code == 0)
        FDefinedHere.insert(edited.SName.toLower());
    return code;
}

int TScheduleEdits::Replace(int index, const TSchedTask& edited, Reporter& reporter)
{
    const int code = ReplaceSchedule(FSettings.Schedules, index, edited, reporter);
    if (code == 0)
        FDefinedHere.insert(edited.SName.toLower());
    return code;
}

bool TScheduleEdits::Remove(int index, Reporter& reporter)
{
    if (index < 0 || size_t(index) >= FSettings.Schedules.size())
        return false;
    const QString name = FSettings.Schedules[size_t(index)].SName;
    if (!RemoveSchedule(FSettings.Schedules, index, reporter))
        return false;
    FDefinedHere.remove(name.toLower());
    return true;
}

bool TScheduleEdits::IsDefinedHere(const QString& name) const
{
    return FDefinedHere.contains(name.toLower());
}

bool TScheduleEdits::Save(const QString& fileName, Reporter& reporter)
{
    // A scheduled run may have advanced a schedule since the window read the file.
    QString readError;
    const TPlanerSettings stored = LoadPlanerSettings(fileName, FSettings.JobDir, &readError);
    if (!readError.isEmpty()) {
        // What cannot be read is not rebuilt from the window's memory.
        reporter.Error(readError + QStringLiteral("\r\n") + EWriteError(fileName).Message(), 0);
        return false;
    }
    TakeStoredProgress(FSettings.Schedules, stored.Schedules,
                       [this](const QString& name) { return IsDefinedHere(name); });
    return SavePlanerSettings(fileName, FSettings, reporter);
}
