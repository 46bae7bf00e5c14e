#include "planner/StepPlan.h"

#include "common/infra/Translate.h"

namespace {

constexpr TBackupModeInfo kFullMode{"full", "F", TrNoop("Full")};

constexpr TBackupModeInfo kDifferentialMode{"differential", "D", TrNoop("Differential")};
constexpr TBackupModeInfo kIncrementalMode{"incremental", "I", TrNoop("Incremental")};

// Folder-name abbreviations of the weekdays (never translated).
constexpr const char* kWeekdayAbbr[] = {"Mo", "Tu", "We", "Th", "Fr", "Sa", "Su"};

QString WeekdayAbbr(int weekday)
{
    return QString::fromLatin1(kWeekdayAbbr[(weekday - 1) % 7]);
}

const TBackupModeInfo& PartialMode(bool diff)
{
    return diff ? kDifferentialMode : kIncrementalMode;
}

QString WeeklyFolder(int weekday, int cycle, const TBackupModeInfo& mode)
{
    return QStringLiteral("Bu") + WeekdayAbbr(weekday) + QString::number(cycle) +
           QLatin1String(mode.letter);
}

void PlanWeekly(const TSchedTask& s, int weekday, TStepPlan& plan)
{
    const int cycle = (plan.Step - 1) / 7 + 1;
    const int lastFullCycle = s.LastFull >= 1 ? (s.LastFull - 1) / 7 + 1 : cycle;
    // The full backup of this cycle was not made yet: it is made first.
    if (lastFullCycle != cycle) {
        plan.CatchUpFolder = WeeklyFolder(s.FirstDay, cycle, kFullMode);
        plan.LastFull = (plan.Step - 1) / 7 * 7 + 1;
    }
    plan.Mode = weekday == s.FirstDay ? &kFullMode : &PartialMode(s.Diff);
    if (weekday == s.FirstDay)
        plan.LastFull = plan.Step;
    plan.Folder = WeeklyFolder(weekday, cycle, *plan.Mode);
}

void PlanCounted(const TSchedTask& s, TStepPlan& plan)
{
    const int digits = s.TotalSteps() <= 99 ? 2 : 3;
    plan.Mode = (plan.Step - 1) % s.Steps == 0 ? &kFullMode : &PartialMode(s.Diff);
    plan.Folder = QStringLiteral("Bu%1").arg(plan.Step, digits, 10, QLatin1Char('0')) +
                  QLatin1String(plan.Mode->letter);
}

} // namespace

const TBackupModeInfo& FullMode()
{
    return kFullMode;
}

TStepPlan PlanStep(const TSchedTask& s, int weekday, bool repeat)
{
    TStepPlan plan;
    plan.NextCyc = s.NextCyc;
    plan.LastFull = s.LastFull;
    if (plan.NextCyc == 0) {
        if (!s.IsWeekly() || weekday == s.FirstDay)
            plan.NextCyc = 1;
        repeat = false;
    }
    if (plan.NextCyc < 1) {
        plan.Waiting = true;
        return plan;
    }
    const int total = int(s.TotalSteps());
    plan.Step = repeat ? (plan.NextCyc == 1 ? total : plan.NextCyc - 1) : plan.NextCyc;
    if (s.IsWeekly())
        PlanWeekly(s, weekday, plan);
    else
        PlanCounted(s, plan);
    plan.NextCyc = plan.Step + 1 > total ? 1 : plan.Step + 1;
    return plan;
}
