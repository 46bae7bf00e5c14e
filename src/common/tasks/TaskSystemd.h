#pragma once

#include <functional>
#include <optional>
#include <vector>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "common/tasks/TaskSchedApi.h"
#include "common/tasks/TaskTools.h"

// Tasks as systemd user units: a .service that starts the program and a .timer for the
// triggers, with the definition kept beside them.

struct TSystemdUnits {
    QString baseName;     // unit name without suffix
    QString service;      // text of <baseName>.service
    QString timer;        // text of <baseName>.timer; empty when no trigger can fire
    bool atLogon = false; // the timer fires at the start of the user's manager (logon)
};

// systemd's escaping of a text for a unit name ("a b" -> "a\x20b").
QString SystemdEscape(const QString& text);
// The text of a unit name made by SystemdEscape.
QString SystemdUnescape(const QString& text);
// The unit name (without suffix) of a task.
QString SystemdUnitBase(const QString& taskName);
// One word of an ExecStart= line, quoted and with specifiers and variables escaped.
QString SystemdExecWord(const QString& word);
// The OnCalendar= expressions for a calendar trigger (none for a disabled one). Throws
// EOleSysError (kNotImplemented) for what calendar expressions cannot state.
QStringList CalendarExpressions(const TTaskTriggerData& trigger);
// Both units of a task; throws EOleSysError for a trigger systemd timers cannot express.
TSystemdUnits MakeSystemdUnits(const QString& taskName, const TTaskDefinitionData& definition);

// Whether the user's manager runs without a session of the user (lingering), as loginctl
// reports it. Throws EOleSysError when loginctl fails.
bool LingerEnabled(const QString& user, const TToolRunner& run = RunTool);
// Turns lingering on for the user. Throws EOleSysError with loginctl's error.
void EnableLinger(const QString& user, const TToolRunner& run = RunTool);

class TTaskSystemdStore : public ITaskBackend {
public:
    struct TCommandOutput {
        int exitCode = -1;
        QString out, err;
    };
    // Runs "systemctl --user" with the arguments.
    using TRunner = std::function<TCommandOutput(const QStringList& arguments)>;

    // unitFolder: where the units go (default ~/.config/systemd/user/); runner: the systemctl
    // call (default: the real one).
    explicit TTaskSystemdStore(QString unitFolder = QString(), TRunner runner = {});
    static QString DefaultUnitFolder();
    // True when this user's manager runs (asked the same way from every session).
    static bool UserManagerRuns();

    bool Available() override;
    QString Description() const override;
    void Connect() override;
    QStringList TaskNames() override;
    TTaskDefinitionData Definition(const QString& name) override;
    void Register(const QString& name, const TTaskDefinitionData& definition, const QString& user,
                  const QString& password) override;
    void Delete(const QString& name) override;
    void SetEnabled(const QString& name, bool enabled) override;
    void Run(const QString& name) override;
    void Stop(const QString& name) override;
    TTaskRunInfo Info(const QString& name) override;
    // One systemctl call for all tasks, or the main process reader when one is set.
    std::vector<int> States(const QStringList& names) override;
    // Reads the main process ids of services (0: none) in one go; nullopt when it cannot, and
    // systemctl is asked instead.
    using TMainPidReader =
        std::function<std::optional<std::vector<qint64>>(const QStringList& services)>;
    void SetMainPidReader(TMainPidReader reader) { FMainPids = std::move(reader); }

private:
    QString PathOf(const QString& name, const char* suffix) const;
    QString RequireName(const QString& name);
    TCommandOutput Systemctl(const QStringList& arguments, bool mustSucceed);
    void WriteUnits(const QString& name, const TTaskDefinitionData& definition);
    void Activate(const QString& name, const TTaskDefinitionData& definition);

    std::vector<qint64> MainPids(const QStringList& services);

    QString FFolder;
    TRunner FRunner;
    TMainPidReader FMainPids;
};
