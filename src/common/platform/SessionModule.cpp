// The entry point of the session module: the login manager's service lives here so that a program
// loads the bus libraries only when a run locks the session or ends with a session action.
#include <cstring>

#include <QtGlobal>

#include "common/platform/SessionOnDemand.h"

extern "C" Q_DECL_EXPORT void* KvSessionService(const char* version)
{
    if (version == nullptr || std::strcmp(version, KV_VERSION_STRING) != 0)
        return nullptr;
    return CreateSessionService().release();
}
