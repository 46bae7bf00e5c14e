#pragma once

#include "common/backup/ProgramUsage.h"

// KvPlaner's long commands besides --help and --version.
inline constexpr const char* kCalendarCommand = "--calendar";

// KvPlaner's --help.
const TProgramUsage& PlanerUsage();
