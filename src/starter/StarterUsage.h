#pragma once

#include "common/backup/ProgramUsage.h"

// KvStarter's --help.
const TProgramUsage& StarterUsage();
