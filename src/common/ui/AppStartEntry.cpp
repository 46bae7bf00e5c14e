// The entry point of a program's window module (built into each module, never into a program).
#include <cstring>

#include "common/ui/AppStartWindows.h"

extern "C" Q_DECL_EXPORT void* KvWindowModule(const char* version)
{
    static TAppStartWindows windows;
    if (version == nullptr || std::strcmp(version, KV_VERSION_STRING) != 0)
        return nullptr;
    return static_cast<TWindowModule*>(&windows);
}
