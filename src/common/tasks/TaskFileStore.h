#pragma once

#include <functional>

#include <QDateTime>
#include <QString>

#include "common/tasks/TaskSchedApi.h"

// Tasks kept as one XML file each in a folder. Nothing starts them at their time, so they have
// no next run time; Run starts the task's program and records when it ran and how it ended.
class TTaskFileStore : public ITaskBackend {
public:
    using TClock = std::function<QDateTime()>;
    // folder: where the task files live (created on Connect); clock: "now" (default: the
    // system clock).
    explicit TTaskFileStore(QString folder, TClock clock = {});
    // $XDG_DATA_HOME/Kelvara6/tasks/
    static QString DefaultFolder();
    QString Folder() const { return FFolder; }

    bool Available() override { return true; }
    QString Description() const override;
    bool FiresTasks() const override { return false; }
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
    std::vector<int> States(const QStringList& names) override;

protected:
    // The stored spelling of a name (names compare case-insensitively); empty when absent.
    QString StoredName(const QString& name);
    QString RequireName(const QString& name);
    void WriteDefinition(const QString& name, const TTaskDefinitionData& definition);
    QDateTime Now() const;

private:
    struct TRunState {
        QDateTime lastRun;
        HRESULT lastResult = TaskResult::kHasNotRun;
        qint64 pid = 0;
        QString token, bootId;
    };
    QString FileOf(const QString& name, const char* extension) const;
    TRunState ReadState(const QString& name) const;
    void WriteState(const QString& name, const TRunState& state) const;
    // Folds a finished run into the state; true while the run goes on.
    bool UpdateRun(const QString& name, TRunState& state) const;

    QString FFolder;
    TClock FClock;
};

// Writes a file in one step (the old file stays when writing fails); throws EOleSysError.
void WriteTaskFile(const QString& path, const QByteArray& bytes);
// Throws EOleSysError (kInvalidArg) for an empty name or one with control characters.
void CheckTaskName(const QString& name);
// Throws EOleSysError unless the definition can be run: at least one action, exec actions
// with a program.
void CheckRunnableDefinition(const TTaskDefinitionData& definition);
