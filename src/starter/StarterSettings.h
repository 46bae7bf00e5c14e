#pragma once

#include <memory>
#include <vector>

#include <QString>
#include <QStringList>

#include "common/mail/MailData.h"
#include "common/monitor/MonitorSettings.h"

// One group of backup tasks.
class TTaskProperties {
public:
    explicit TTaskProperties(const QString& desc);

    QString Desc;
    QString User; // "user" or "domain\user"
    QString Pwd;  // plain in memory only
    QString AltLogDir;
    QString PingUrl; // monitoring: pinged before and after each run; empty: none
    bool PwdPrompt = true;
    bool NoSplash = false;
    bool PlaySound = false;
    bool ParProc = false;
    bool RunAs = false;
    int Delay = 5;
    int StartDelay = 0;
    int Status = 1;
    // "path|1" for a selected task, "path|0" for one that is skipped.
    QStringList Tasks;

    // Back to the values of a new group; Desc is kept.
    void Reset();
    void ClearTasks() { Tasks.clear(); }
    // Appends a task; gives its index.
    int AddTask(const QString& fileName, bool enabled);
    bool IsChecked(int index) const;
    QString TaskFile(int index) const;
    void RemoveTask(int index);
    int TaskCount() const { return int(Tasks.size()); }
};

// Status-window modes and the value the backup program's option "prompt" gets for them.
QString StatusCaption(int status);
QString PromptValue(int status);
// True when the status mode passes the display time (option "wait").
bool StatusUsesWait(int status);

// The window position kept in the settings file.
struct TWindowPlacement {
    int Top = -1;
    int Left = -1;
    int Height = 0;
    int Width = 0;
};

using TGroupList = std::vector<std::unique_ptr<TTaskProperties>>;

// Everything the starter keeps in its settings file.
struct TStarterSettings {
    TWindowPlacement Window;
    TMailData MailData;
    TMonitorSettings Monitoring;
    QString LastTask;
    QString LastDir;
    TGroupList Groups;

    // Position of the group of that name (case-insensitive), -1 when none.
    int IndexOfGroup(const QString& name) const;
};

// The section of the group at a position: "Task00", "Task01", ..., "Task100".
QString GroupSectionName(int position);
// The key of the task file at a position: "TaskFile00", ...
QString TaskFileKey(int position);

// Stored text of a password and back (the key of the settings files).
QString EncipherPassword(const QString& password);
QString DecipherPassword(const QString& stored);

// Reads the settings file. LastTask is read only when settings.LastTask is empty.
// A missing or unreadable file leaves the defaults.
void LoadStarterSettings(const QString& fileName, TStarterSettings& settings);
// Writes the settings file; throws EWriteError (the old file stays intact).
void SaveStarterSettings(const QString& fileName, const TStarterSettings& settings);
// The group shown first: LastTask's position, else the first group, else -1.
int ShownGroupIndex(const TStarterSettings& settings);

// A task file of a group as the settings file names it, whether it exists or not.
struct TStoredTask {
    QString File;
    bool Selected = true;
};
// What the settings file holds for the group at a position, as written: the stored text of its
// password and all its task files. Empty when the file cannot be read.
struct TStoredGroup {
    QString Password;
    std::vector<TStoredTask> Tasks;
};
TStoredGroup ReadStoredGroup(const QString& fileName, int position);
