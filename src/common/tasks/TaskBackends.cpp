#include <memory>

#include "common/tasks/TaskFileStore.h"
#include "common/tasks/TaskSystemd.h"

// systemd user timers where a user manager runs, the file store elsewhere.
std::unique_ptr<ITaskBackend> CreateDefaultTaskBackend()
{
    if (TTaskSystemdStore::UserManagerRuns())
        return std::make_unique<TTaskSystemdStore>();
    return std::make_unique<TTaskFileStore>(TTaskFileStore::DefaultFolder());
}
