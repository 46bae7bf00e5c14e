#pragma once

#include <memory>

#include "common/tasks/TaskSchedApi.h"

// The backend over the system's Task Scheduler 2.0 service (COM); tasks live in its root folder.
std::unique_ptr<ITaskBackend> CreateTaskSchedulerBackend();
