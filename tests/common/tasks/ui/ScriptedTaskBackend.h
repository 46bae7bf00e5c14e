#pragma once

#include <map>

#include <QDateTime>

#include "common/tasks/TaskSchedApi.h"

// A task backend whose tasks, states and failures a test sets directly.
class TScriptedTaskBackend : public ITaskBackend {
public:
    struct TEntry {
        TTaskDefinitionData definition;
        TTaskRunInfo info;
        bool damaged = false;
    };
    std::map<QString, TEntry> tasks; // sorted by name, as the backends list them
    HRESULT failRegister = 0;
    int stateReads = 0; // calls of States

    bool Available() override { return true; }
    QString Description() const override { return QStringLiteral("scripted tasks"); }
    void Connect() override {}
    QStringList TaskNames() override
    {
        QStringList names;
        for (const auto& [name, entry] : tasks)
            names << name;
        return names;
    }
    TTaskDefinitionData Definition(const QString& name) override
    {
        const TEntry& entry = Find(name);
        if (entry.damaged)
            throw EOleSysError(TaskResult::kMalformedXml, "The task XML is malformed.");
        return entry.definition;
    }
    void Register(const QString& name, const TTaskDefinitionData& definition, const QString&,
                  const QString&) override
    {
        if (failRegister)
            throw EOleSysError(failRegister, "refused by the script");
        TEntry& entry = tasks[name];
        entry.definition = definition;
        entry.info.state = definition.settings.enabled ? TaskState::kReady : TaskState::kDisabled;
    }
    void Delete(const QString& name) override
    {
        for (auto it = tasks.begin(); it != tasks.end(); ++it)
            if (it->first.compare(name, Qt::CaseInsensitive) == 0) {
                tasks.erase(it);
                return;
            }
        throw EOleSysError(TaskResult::kFileNotFound, "no such task");
    }
    void SetEnabled(const QString& name, bool enabled) override
    {
        TEntry& entry = Find(name);
        entry.definition.settings.enabled = enabled;
        entry.info.state = enabled ? TaskState::kReady : TaskState::kDisabled;
    }
    void Run(const QString& name) override
    {
        TEntry& entry = Find(name);
        entry.info.state = TaskState::kRunning;
        entry.info.lastRunTime = QDateTime::currentDateTime();
        entry.info.lastResult = TaskResult::kRunning;
    }
    void Stop(const QString& name) override
    {
        TEntry& entry = Find(name);
        entry.info.state = TaskState::kReady;
        entry.info.lastResult = TaskResult::kTerminated;
    }
    TTaskRunInfo Info(const QString& name) override { return Find(name).info; }
    std::vector<int> States(const QStringList& names) override
    {
        ++stateReads;
        return ITaskBackend::States(names);
    }

    // A task that starts program with arguments and has the trigger.
    TEntry& Add(const QString& name, const QString& program, TTaskTriggerData trigger = {})
    {
        TEntry& entry = tasks[name];
        auto action = std::make_shared<TTaskActionData>();
        action->path = program;
        action->arguments = QStringLiteral("Docs /force");
        entry.definition.actions.push_back(action);
        entry.definition.triggers.push_back(std::make_shared<TTaskTriggerData>(trigger));
        entry.definition.registration.description = QStringLiteral("made by the test");
        entry.info.state = TaskState::kReady;
        return entry;
    }

private:
    TEntry& Find(const QString& name)
    {
        for (auto& [stored, entry] : tasks)
            if (stored.compare(name, Qt::CaseInsensitive) == 0)
                return entry;
        throw EOleSysError(TaskResult::kFileNotFound, "no such task");
    }
};
