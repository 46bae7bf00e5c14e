#pragma once

#include <QString>

// Default settings folder: roaming application data + "Kelvara6/"; the program's folder when
// the application data folder is unknown. Always with a trailing separator.
QString AppPath();
// The settings folder: registry value "IniPath" of the current user when set (relative to the
// roaming application data folder), else AppPath(); created when missing, AppPath() when that
// fails.
QString SettingsFolder();
// The settings folder as SettingsFolder() names it, without creating it.
QString SettingsFolderPath();
// Settings folder + program base name + ".ini".
QString DefaultSettingsFile();
// Copies older settings of the same file name when the settings file does not exist yet:
// from AppPath() when the settings folder is elsewhere, else from "Kelvara5/". Silent.
void TakeOverOlderSettings(const QString& settingsFile);
