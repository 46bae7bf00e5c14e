#pragma once

#include <QString>

#include "common/tasks/TaskSchedApi.h"

// What schedulers without the full trigger model (systemd timers, cron) refuse.

// The refusal of a trigger: refusal is a translated template with the trigger type (%s) and
// what cannot be expressed (%s).
EOleSysError TriggerRefused(const TTaskTriggerData& trigger, const QString& refusal,
                            const QString& what);
// Throws TriggerRefused unless the trigger runs at calendar times, every day or every week at
// most, without repetition within a day.
void CheckSimpleCalendarTrigger(const TTaskTriggerData& trigger, const QString& refusal);
