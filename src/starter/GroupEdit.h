#pragma once

#include <vector>

#include <QString>
#include <QStringList>

#include "starter/StarterSettings.h"

// The values of a group as the main window's controls show them. The window copies a group into
// this record and back; the rules of that copy live here, where tests reach them.
struct TGroupView {
    QString LogDir;
    QString User;
    QString UserPwd; // the password being edited
    bool PwdPrompt = true;
    bool NoSplash = false;
    bool PlaySound = false;
    bool ParProc = false;
    bool RunAs = false;
    int Status = 1;
    int Delay = 5;
    bool DelayBetween = false; // "Delay between tasks" ticked
    int StartDelay = 0;        // the delay field
    std::vector<TStoredTask> Tasks;
};

// A group as the window shows it: a group without password always asks for one.
TGroupView ViewOfGroup(const TTaskProperties& group);
// Takes the window's values back into the group (its name is kept).
void StoreView(const TGroupView& view, TTaskProperties& group);

// Ranges of the window's number fields.
inline constexpr int kMinDisplayTime = 1;
inline constexpr int kMaxDisplayTime = 99;
inline constexpr int kMaxStartDelay = 3600;
inline constexpr int kStartDelayStep = 5;
// The delay a freshly ticked "Delay between tasks" gets when its field holds 0.
inline constexpr int kDefaultStartDelay = 20;

// Which of the delay controls are enabled and whether the box is ticked.
struct TDelayControls {
    bool BoxEnabled = false;
    bool BoxTicked = false;
    bool FieldEnabled = false;
};
TDelayControls DelayControlsFor(bool parallel, int delayValue);
// The delay field's value after the box was ticked.
int DelayAfterTicking(int delayValue);
// True when the status mode shows the display-time field.
bool ShowsDisplayTime(int status);

// Positions in a list after an edit: -1 means none.
// The row to select after the row was removed from a list that now has `count` rows.
int RowAfterRemove(int row, int count);
// The row the row changes places with when moved by delta (-1 up, +1 down), or -1 when it is
// already first or last.
int SwapTarget(int row, int delta, int count);

// Result of "Add new group".
struct TAddedGroup {
    int Index = -1;
    bool Existed = false; // a group of that name (compared without case) is already there
};
// Appends a group with default values, unless one of that name exists.
TAddedGroup AddGroup(TStarterSettings& settings, const QString& name);
// Makes sure there is a group to show: creates "New group" in an empty list; gives the group
// to show for `index` (the first for an index out of range).
int EnsureShownGroup(TStarterSettings& settings, int index);

// An entry of the group list dialog: its (possibly new) name and the group it came from.
struct TListEntry {
    QString Name;
    int Origin = -1; // position in the list the dialog was opened with
};
// The list of the group list dialog with its editing rules.
class TEntryListEdit {
public:
    explicit TEntryListEdit(const QStringList& names);

    const std::vector<TListEntry>& Entries() const { return FEntries; }
    QStringList Names() const;
    // Removes the rows; gives the row to select (the first removed position, or the new last).
    int Remove(std::vector<int> rows);
    // Renames the row; false when the name is taken by another entry (compared without case).
    bool Rename(int row, const QString& name);
    // Moves the rows one place up or down together; gives their new positions.
    std::vector<int> MoveUp(std::vector<int> rows);
    std::vector<int> MoveDown(std::vector<int> rows);

private:
    std::vector<TListEntry> FEntries;
};
// Replaces the groups by the dialog's entries in their order, each named after its entry;
// groups not among them are freed. An empty result gets a "New group". Gives the group to show:
// the selected row, the first when none.
int ApplyGroupList(TStarterSettings& settings, const std::vector<TListEntry>& entries,
                   int selectedRow);

// The radio choice after the password dialog: prompt when no password was entered.
bool PromptAfterPasswordDialog(const QString& userPwd);

// The backup program's command line that opens a task for editing.
QString EditTaskCommandLine(const QString& kvPath, const QString& altLogDir,
                            const QString& taskFile);

// Writes the settings file; empty on success, else the message to show. The file is replaced
// only by a complete one and keeps its mode.
QString SaveSettingsWithMessage(const QString& fileName, const TStarterSettings& settings);
// Why the settings file, which exists, cannot be read; empty when it can (or does not exist).
// Such a file is not overwritten, so nothing it holds is lost.
QString SettingsReadError(const QString& fileName);
