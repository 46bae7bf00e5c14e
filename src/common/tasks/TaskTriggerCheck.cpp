#include "common/tasks/TaskTriggerCheck.h"

#include "common/infra/Translate.h"
#include "common/tasks/NextRunTime.h"
#include "common/tasks/TaskTexts.h"
#include "common/tasks/TaskTimes.h"

EOleSysError TriggerRefused(const TTaskTriggerData& trigger, const QString& refusal,
                            const QString& what)
{
    return EOleSysError(
        TaskResult::kNotImplemented,
        Fmt(refusal, {TriggerTypeText(TriggerTypeFromConstant(trigger.type)), what}));
}

void CheckSimpleCalendarTrigger(const TTaskTriggerData& t, const QString& refusal)
{
    if (!IsCalendarTrigger(t.type))
        throw TriggerRefused(t, refusal, Tr("no calendar time"));
    if (DurationToSeconds(t.repetition.interval) != 0)
        throw TriggerRefused(t, refusal, Tr("repetition"));
    if (t.type == TriggerKind::kDaily && t.daysInterval > 1)
        throw TriggerRefused(t, refusal, Tr("an interval of several days"));
    if (t.type == TriggerKind::kWeekly && t.weeksInterval > 1)
        throw TriggerRefused(t, refusal, Tr("an interval of several weeks"));
}
