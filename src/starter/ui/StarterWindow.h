#pragma once

#include "starter/StarterWindowContext.h"

// Shows the main window over the context and runs it until it closes; the exit code.
int RunMainWindow(TStarterWindowContext& context);
