#include "common/monitor/PingClient.h"

#include "common/ui/AppStart.h"

namespace {

QString (*gSender)(const QString&, TPingKind, const QString&, int) = nullptr;

} // namespace

void SetPingSender(QString (*sender)(const QString&, TPingKind, const QString&, int))
{
    gSender = sender;
}

QString SendPingOnDemand(const QString& url, TPingKind kind, const QString& caFile, int limitMs)
{
    if (gSender)
        return gSender(url, kind, caFile, limitMs);
    static const TLoadedModule module =
        LoadProgramModule(ProgramModulePath(QStringLiteral("KvPing")), kPingModuleEntry);
    if (!module.Object)
        return LoadFailureText(module);
    return static_cast<const TPingModule*>(module.Object)->Send(url, kind, caFile, limitMs);
}
