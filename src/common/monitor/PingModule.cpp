// The entry point of the ping module: the network libraries are loaded only by a run that pings.
#include <cstring>

#include <QtGlobal>

#include "common/monitor/PingClient.h"

namespace {

const TPingModule kPingModule{&SendPing};

} // namespace

extern "C" Q_DECL_EXPORT void* KvPingModule(const char* version)
{
    if (version == nullptr || std::strcmp(version, KV_VERSION_STRING) != 0)
        return nullptr;
    return const_cast<TPingModule*>(&kPingModule);
}
