#pragma once

#include "planner/PlanerWindowContext.h"

// Shows the main window over the context and runs it until it closes; the exit code.
int RunMainWindow(TPlanerWindowContext& context);
