#include "starter/ui/StarterWindow.h"

#include <QApplication>

#include "common/ui/ShowMemo.h"
#include "starter/ui/MainForm.h"

int RunMainWindow(TStarterWindowContext& context)
{
    TMainForm form(context);
    form.show();
    const int result = QApplication::exec();
    // The log viewer saves its view settings while its owner still exists.
    FreeShowTextDialog();
    return result;
}

// The window module's hook (see common/ui/AppStartEntry.cpp).
int RunProgramMainWindow(void* context)
{
    return RunMainWindow(*static_cast<TStarterWindowContext*>(context));
}
