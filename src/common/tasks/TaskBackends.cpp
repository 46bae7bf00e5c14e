#include "common/tasks/TaskBackends.h"

#include <array>
#include <utility>

#include "common/infra/Registry.h"
#include "common/platform/LogonCheck.h"
#include "common/tasks/TaskCron.h"
#include "common/tasks/TaskFileStore.h"
#include "common/tasks/TaskSystemd.h"

namespace {

constexpr std::array<std::pair<TTaskBackendKind, const char*>, 3> kKeys = {{
    {TTaskBackendKind::Systemd, "systemd"},
    {TTaskBackendKind::Cron, "cron"},
    {TTaskBackendKind::FileStore, "files"},
}};

} // namespace

TTaskBackendKind ChooseTaskBackend(const TTaskBackendFacts& facts, const QString& forced)
{
    if (const auto kind = TaskBackendOfKey(forced))
        return *kind;
    if (facts.userManager || facts.linger)
        return TTaskBackendKind::Systemd;
    return facts.cron ? TTaskBackendKind::Cron : TTaskBackendKind::FileStore;
}

TTaskBackendFacts ProbeTaskBackendFacts()
{
    TTaskBackendFacts facts;
    facts.userManager = TTaskSystemdStore::UserManagerRuns();
    if (!facts.userManager) {
        try {
            facts.linger = LingerEnabled(QString::fromStdString(CurrentAccountName()));
        } catch (const EOleSysError&) {
            facts.linger = false; // no login manager: no lingering either
        }
    }
    facts.cron = TTaskCronStore::CronInstalled();
    return facts;
}

QString TaskBackendKey(TTaskBackendKind kind)
{
    for (const auto& [each, key] : kKeys)
        if (each == kind)
            return QLatin1String(key);
    return {};
}

std::optional<TTaskBackendKind> TaskBackendOfKey(const QString& key)
{
    for (const auto& [kind, text] : kKeys)
        if (key.trimmed().compare(QLatin1String(text), Qt::CaseInsensitive) == 0)
            return kind;
    return std::nullopt;
}

QString ForcedTaskBackend()
{
    return ReadRegistryString(TRegHive::CurrentUser, kProductRegKey,
                              QStringLiteral("TaskScheduler"));
}

std::unique_ptr<ITaskBackend> CreateTaskBackendOf(TTaskBackendKind kind)
{
    switch (kind) {
    case TTaskBackendKind::Systemd:
        return std::make_unique<TTaskSystemdStore>();
    case TTaskBackendKind::Cron:
        return std::make_unique<TTaskCronStore>(TTaskCronStore::DefaultFolder());
    case TTaskBackendKind::FileStore:
        break;
    }
    return std::make_unique<TTaskFileStore>(TTaskFileStore::DefaultFolder());
}

std::unique_ptr<ITaskBackend> CreateDefaultTaskBackend()
{
    if (const auto forced = TaskBackendOfKey(ForcedTaskBackend()))
        return CreateTaskBackendOf(*forced);
    return CreateTaskBackendOf(ChooseTaskBackend(ProbeTaskBackendFacts()));
}
