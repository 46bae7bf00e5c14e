#include "common/infra/Session.h"

#include <windows.h>

#include "common/platform/WinLogonSession_win.h"

bool HasControllingTerminal()
{
    return GetConsoleWindow() != nullptr;
}

bool HasGraphicalSession()
{
    return HasVisibleWindowStation();
}

bool IsBatch()
{
    // The session of our own token: a user may be logged on interactively at the same time.
    return OwnLogonType() == kBatchLogonType;
}
