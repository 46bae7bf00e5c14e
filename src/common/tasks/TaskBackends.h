#pragma once

#include <memory>
#include <optional>

#include <QString>

#include "common/tasks/TaskSchedApi.h"

// Which scheduler backend a user's tasks go to. The choice depends only on the user and the
// system, never on the session asking, so every session of a user sees the same tasks.

enum class TTaskBackendKind { FileStore, Cron, Systemd };

// What the choice depends on.
struct TTaskBackendFacts {
    bool userManager = false; // the user's systemd manager runs
    bool linger = false;      // lingering is on: the manager runs without a session
    bool cron = false;        // a cron daemon is installed
};

// systemd when the user's manager runs or lingering is on, else cron when installed, else the
// file store. forced (the setting TaskScheduler: "systemd", "cron" or "files") wins when it
// names a backend.
TTaskBackendKind ChooseTaskBackend(const TTaskBackendFacts& facts, const QString& forced = {});
// The facts of this system and user.
TTaskBackendFacts ProbeTaskBackendFacts();
// The setting's value for a kind, and back (nullopt for a text that names none).
QString TaskBackendKey(TTaskBackendKind kind);
std::optional<TTaskBackendKind> TaskBackendOfKey(const QString& key);
// The value of the setting TaskScheduler of the product key (current user).
QString ForcedTaskBackend();
// A backend of the kind, over the user's default folders.
std::unique_ptr<ITaskBackend> CreateTaskBackendOf(TTaskBackendKind kind);
// The backend for this user: the one place where the choice is made.
std::unique_ptr<ITaskBackend> CreateDefaultTaskBackend();
