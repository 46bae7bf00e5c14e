#pragma once

#include "common/backup/ProgramUsage.h"

// The backup program's --help.
const TProgramUsage& KelvaraUsage();
