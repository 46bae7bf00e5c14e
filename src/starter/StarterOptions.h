#pragma once

#include <QString>
#include <QStringList>

#include "starter/BuConsts.h"

// What the command line asks of the starter.
struct TStarterOptions {
    bool Force = false;
    bool TermProgs = false;
    bool WriteLog = false;
    bool ActPrompt = false;
    bool LockScreen = false;
    bool UseDarkMode = false;
    TDownMode LogOffMode = dmNone;
    TSuspendMode SuspendMode = smNone;
    bool HasIni = false;
    QString IniValue;   // value of "ini" as given
    QString ConfigList; // group names, comma-separated, in order
    QString LastTask;   // the first group-name parameter
};

// Reads the parameters (without the program itself); unknown options are ignored.
TStarterOptions ParseStarterOptions(const QStringList& params);

// The settings file and the folder of an alternative one (empty for the default file).
struct TSettingsChoice {
    QString IniName;
    QString AIniPath;
};
// Chooses the settings file from the "ini" value, or the default file (taking over older
// settings) without one.
TSettingsChoice ChooseSettingsFile(const TStarterOptions& options);
// The run log: folder of the settings file + program base name + ".log".
QString RunLogName(const QString& iniName);
// The settings folder for everything else: AIniPath when set, else the settings folder.
QString EffectiveSettingsFolder(const TSettingsChoice& choice);
