#include "starter/ui/StarterWindow.h"

#include <QApplication>

#include "common/ui/ShowMemo.h"
#include "starter/ui/MainForm.h"

int RunMainWindow(TStarterWindowContext& context)
{
    int result = 0;
    {
        TMainForm form(context);
        form.show();
        result = QApplication::exec();
    }
    FreeShowTextDialog();
    return result;
}

// The window module's hook (see common/ui/AppStartEntry.cpp).
int RunProgramMainWindow(void* context)
{
    return RunMainWindow(*static_cast<TStarterWindowContext*>(context));
}
