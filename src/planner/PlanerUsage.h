#pragma once

#include "common/backup/ProgramUsage.h"

// KvPlaner's --help.
const TProgramUsage& PlanerUsage();
