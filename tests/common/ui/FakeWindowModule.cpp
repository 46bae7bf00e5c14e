// Libraries that are not a program's window module: one without the entry point, one whose entry
// point refuses every version (KV_TEST_WITH_ENTRY).
#include "common/ui/AppStart.h"

extern "C" Q_DECL_EXPORT int KvNotAnEntry()
{
    return 0;
}

#ifdef KV_TEST_WITH_ENTRY
extern "C" Q_DECL_EXPORT void* KvWindowModule(const char*)
{
    return nullptr;
}
#endif
