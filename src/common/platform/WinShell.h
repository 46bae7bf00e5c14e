#pragma once

#include <string>
#include <vector>

// The fields of a desktop shortcut.
struct TShortcutLink {
    std::string target;        // full path of the program
    std::string arguments;     // its command line (blanks separate, double quotes group)
    std::string workingFolder; // empty: none
    std::string description;   // the name the desktop shows
    bool runAsAdmin = false;
};

// ---- Shell services ----

// Extension of shortcut files on this platform, with its dot.
std::string ShortcutExtension();
// The user's desktop folder with a trailing separator; empty when the system gives none.
std::string GetDesktopFolder();
// Writes a shortcut file that starts target with the arguments; 0 on success, a negative error
// code on failure (the old file, if any, is left as it was).
int CreateShortcut(const std::string& linkFile, const std::string& target,
                   const std::string& arguments, const std::string& workingFolder,
                   const std::string& description, bool runAsAdmin);
// Reads a shortcut file: 0 on success, 2 when it does not exist (link emptied), negative on
// other errors.
int ReadShortcut(const std::string& linkFile, TShortcutLink& link);
// Tells the desktop that its items may have changed.
void RefreshDesktop();
// The system's message for a negative result code; empty when it has none.
std::string ShellErrorMessage(int code);

// ---- Text rules of freedesktop launchers ----

// One argument as the Exec key writes it (before the value is escaped): in double quotes with
// " ` $ \ escaped when it holds a reserved character or is empty; "%" doubled.
std::string DesktopExecQuote(const std::string& argument);
// The Exec value for a program and its arguments.
std::string DesktopExecLine(const std::vector<std::string>& argv);
// Splits an Exec value (already unescaped) into the program and its arguments; field codes
// are dropped and "%%" is one "%". Unclosed quotes end at the end of the text.
std::vector<std::string> SplitDesktopExec(const std::string& exec);
// Escapes a value for a launcher file (\\ \n \t \r, a leading blank as \s) and back.
std::string EscapeDesktopValue(const std::string& value);
std::string UnescapeDesktopValue(const std::string& value);
// Joins words into a command line, each in double quotes (inner quotes doubled) when it holds
// a blank or a double quote or is empty; the inverse of splitting a command line.
std::string JoinCommandLine(const std::vector<std::string>& words);

// The text of a launcher file for the link; name is shown when the description is empty.
std::string DesktopEntryText(const TShortcutLink& link, const std::string& name,
                             const std::string& icon);
// Reads the launcher group of a launcher file's text; false when it has none. An application
// gives its program and arguments, a link to a local file or folder its path as target.
bool ParseDesktopEntry(const std::string& text, TShortcutLink& link);
// The desktop folder named by XDG_DESKTOP_DIR in the text of user-dirs.dirs ("$HOME/..." or an
// absolute path), without trailing separator; empty when the text names none.
std::string DesktopFolderFromUserDirs(const std::string& text, const std::string& home);
