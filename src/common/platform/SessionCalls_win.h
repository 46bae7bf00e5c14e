#pragma once

// The system calls behind the Windows session service, as a table, so that tests can check what
// would be called without logging anybody off.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "common/platform/SessionServices.h"

struct TSessionCalls {
    // Opens our own token for adjusting privileges and querying; nullptr when that fails.
    std::function<void*()> openOwnToken;
    // Looks up the privilege and enables it in the token; the adjustment's result.
    std::function<bool(void* token, const std::wstring& privilege)> enablePrivilege;
    std::function<void(void* token)> closeToken;
    std::function<bool(std::uint32_t flags, std::uint32_t reason)> exitWindows;
    // Shuts the local machine down at once, applications forced closed.
    std::function<bool(bool restart, std::uint32_t reason)> shutdown;
    // Empty when the system offers no suspend call.
    std::function<bool(bool hibernate, bool forceCritical, bool disableWakeEvent)> suspend;
    std::function<bool()> lockWorkStation;
    // The system's code of the last failure.
    std::function<std::uint32_t()> lastError;
};

// The calls of this system.
TSessionCalls SystemSessionCalls();
// The session service over the calls; confirmation texts go to confirm (none: every one is No).
std::unique_ptr<ISessionService> CreateSessionServiceWith(TSessionCalls calls,
                                                          TConfirmHook confirm);
