#pragma once

#include <QString>

// The shortcut file of that name in the user's desktop folder; empty without a desktop folder.
QString DesktopShortcutFile(const QString& name);
// "Error creating desktop shortcut!", a line break and the text of the error code: the system's
// message followed by " (0x%.8x)", or "Error code = 0x%.8x" when the system has none.
QString ShortcutErrorMessage(int code);
// Puts a shortcut of that name on the desktop that starts this program with the arguments in
// the working folder. One of the same name is replaced only after Yes to replaceQuestion; a
// failure is shown. True when the shortcut was written.
bool PutShortcutOnDesktop(const QString& name, const QString& arguments,
                          const QString& workingFolder, const QString& description, bool runAsAdmin,
                          const QString& replaceQuestion);
