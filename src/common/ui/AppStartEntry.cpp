// The entry point of a program's window module (built into each module, never into a program).
#include <cstring>

#include "common/ui/AppStartWindows.h"

// Defined by the program's own window library: its main window over its context record.
int RunProgramMainWindow(void* context);

namespace {

class TProgramWindows : public TAppStartWindows {
public:
    int RunMainWindow(void* context) override { return RunProgramMainWindow(context); }
};

} // namespace

extern "C" Q_DECL_EXPORT void* KvWindowModule(const char* version)
{
    static TProgramWindows windows;
    if (version == nullptr || std::strcmp(version, KV_VERSION_STRING) != 0)
        return nullptr;
    return static_cast<TWindowModule*>(&windows);
}
