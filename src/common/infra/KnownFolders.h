#pragma once

#include <QString>

enum class TKnownFolder { RoamingAppData, LocalAppData, Documents, Desktop, ProgramFiles };

// The folder with a trailing separator; empty when the system does not know it.
// Roaming application data is $XDG_CONFIG_HOME, local application data $XDG_DATA_HOME,
// program files the folder above the program's "bin" folder.
QString GetKnownFolder(TKnownFolder folder);

// The programs' shared data (translation catalogues, help pages, the PAM service): the folder
// "share/kelvara6/" below the program files folder, in a build tree as in an installed one.
QString ProgramDataFolder();
