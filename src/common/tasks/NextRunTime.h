#pragma once

#include <optional>

#include <QDate>
#include <QDateTime>

#include "common/tasks/TaskSchedApi.h"

// When the triggers of a task start it, computed from the definition alone (local clock time).

// True for the trigger types that run at calendar times (one time, daily, weekly, monthly).
bool IsCalendarTrigger(int triggerType);
// The first day on or after `from` (and not before the start date) on which a calendar trigger
// starts, ignoring its end boundary; nullopt when there is none within ten years.
std::optional<QDate> NextTriggerDay(const TTaskTriggerData& trigger, QDate from);
// The first start of the trigger strictly after `after`, including repetitions and the end
// boundary; invalid for disabled triggers, triggers without start and non-calendar triggers.
QDateTime NextTriggerRun(const TTaskTriggerData& trigger, const QDateTime& after);
// The earliest NextTriggerRun of the task's triggers; invalid when none has one.
QDateTime NextTaskRun(const TTaskDefinitionData& definition, const QDateTime& after);
