#include "starter/ui/StarterWindow.h"

int RunMainWindow(TStarterWindowContext&)
{
    return 0;
}

// The window module's hook (see common/ui/AppStartEntry.cpp).
int RunProgramMainWindow(void* context)
{
    return RunMainWindow(*static_cast<TStarterWindowContext*>(context));
}
