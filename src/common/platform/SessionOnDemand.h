#pragma once

#include <functional>
#include <memory>

#include "common/platform/SessionServices.h"

// The entry point of the session module (KvSessionServices): the login manager's service over
// the system bus, which the caller owns, when the module was built as the given version.
inline constexpr const char* kSessionModuleEntry = "KvSessionService";

using TSessionFactory = std::function<std::unique_ptr<ISessionService>()>;

// A session service that is created by the factory on its first use: a run without a session
// action never connects to the system's bus.
std::unique_ptr<ISessionService> CreateSessionServiceOnDemand(TSessionFactory factory);
// A session service whose every call fails with the reason (e.g. its module is missing).
std::unique_ptr<ISessionService> CreateUnavailableSessionService(std::string reason);
