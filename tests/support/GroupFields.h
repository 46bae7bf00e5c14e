#pragma once

#include <QStringList>

#include "starter/StarterSettings.h"

// Gives every field of the group a value other than its default; the tasks alternate between
// selected and not.
inline void SetEveryField(TTaskProperties& group, const QString& logDir, const QStringList& tasks)
{
    group.AltLogDir = logDir;
    group.User = QStringLiteral("OFFICE\\backup");
    group.Pwd = QStringLiteral("s3cret");
    group.PwdPrompt = false;
    group.NoSplash = group.PlaySound = group.ParProc = group.RunAs = true;
    group.Status = 3;
    group.Delay = 42;
    group.StartDelay = 35;
    group.ClearTasks();
    for (int i = 0; i < tasks.size(); ++i)
        group.AddTask(tasks[i], i % 2 == 0);
}

// The names of the fields in which the groups differ.
inline QStringList DifferentFields(const TTaskProperties& a, const TTaskProperties& b)
{
    QStringList differ;
    const std::pair<const char*, bool> same[] = {
        {"Desc", a.Desc == b.Desc},
        {"AltLogDir", a.AltLogDir == b.AltLogDir},
        {"User", a.User == b.User},
        {"Pwd", a.Pwd == b.Pwd},
        {"PwdPrompt", a.PwdPrompt == b.PwdPrompt},
        {"NoSplash", a.NoSplash == b.NoSplash},
        {"PlaySound", a.PlaySound == b.PlaySound},
        {"ParProc", a.ParProc == b.ParProc},
        {"RunAs", a.RunAs == b.RunAs},
        {"Status", a.Status == b.Status},
        {"Delay", a.Delay == b.Delay},
        {"StartDelay", a.StartDelay == b.StartDelay},
        {"Tasks", a.Tasks == b.Tasks},
    };
    for (const auto& [name, equal] : same)
        if (!equal)
            differ.append(QString::fromLatin1(name));
    return differ;
}
