#include "planner/ui/PlanerWindow.h"

int RunMainWindow(TPlanerWindowContext&)
{
    return 0;
}

// The window module's hook (see common/ui/AppStartEntry.cpp).
int RunProgramMainWindow(void* context)
{
    return RunMainWindow(*static_cast<TPlanerWindowContext*>(context));
}
