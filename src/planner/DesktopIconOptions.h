#pragma once

#include <QString>

// Status window choices of a schedule's desktop shortcut, in the order of the dialog's entries.
enum TIconStatus { isQuiet, isDelay, isWait, isError, isSilent };
// Actions after the backup, in the order of the dialog's radio buttons.
enum TIconAction {
    iaNone,
    iaStandby,
    iaHibernate,
    iaLogoff,
    iaRestart,
    iaShutdown,
    iaLockDown,
    iaHybridDown
};
inline constexpr int kIconActionCount = iaHybridDown + 1;
inline constexpr int kIconStatusCount = isSilent + 1;

// The backup program's options that a schedule's desktop shortcut passes on.
struct TIconOptions {
    TIconStatus Status = isDelay;
    TIconAction Action = iaNone;
    bool NoSplash = true;
    bool ActionChangeable = true;
    int ActErr = 0;       // error actions (bits of the error-action dialog); 0 none
    QString OtherOptions; // options without a control, each with a leading blank
};

// The presets changed by the options of a command line; options without a control are kept
// in OtherOptions.
TIconOptions ReadIconOptions(const QString& options);
// The options in their order: prompt, hide, noaction, the action, erractions, the others.
QString IconOptionsText(const TIconOptions& options);

// The shortcut name offered for a schedule: "KvSched-" and the name without its extension.
QString ShortcutNamePreset(const QString& schedule);
// The name without a trailing extension (from the last "." unless a path separator follows).
QString WithoutExtension(const QString& name);
// KvPlaner's arguments in a shortcut: the schedule name in double quotes, the options and
// "interactive".
QString ShortcutArguments(const QString& schedule, const QString& options);
