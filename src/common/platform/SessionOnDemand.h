#pragma once

#include <functional>
#include <memory>

#include "common/platform/SessionServices.h"

using TSessionFactory = std::function<std::unique_ptr<ISessionService>()>;

// A session service that is created by the factory on its first use: a run without a session
// action never connects to the system's bus.
std::unique_ptr<ISessionService> CreateSessionServiceOnDemand(TSessionFactory factory);
