#pragma once

#include <QDate>
#include <QString>

// ---- The backup program ----

// File name of the backup program on this platform ("Kelvara", "Kelvara.exe" on Windows).
QString KelvaraFileName();
// Full path of the backup program, first hit wins: current folder, the program's folder,
// registry value "Program" of the machine key, then PATH. Empty when none exists.
QString LocateKelvara();
// Text for a non-zero exit code of the backup program (low byte), ending with "!".
QString KelvaraExitText(int exitCode);
// True for a path written as absolute: it begins with "/" or "\" or holds a drive ":".
bool IsAbsolutePathText(const QString& path);

// ---- Program information ----

// Sets the program name shown in titles, logs and mails ("KvStarter", "KvPlaner").
void SetProgramName(const QString& name);
QString ProgramName();
// The build's version, four parts.
QString ProgramVersion();
// "Version" (translated), a blank and the version cut to the given number of parts.
QString VersionText(int parts);
// Cuts a dotted version to at most the given number of parts.
QString CutVersion(const QString& version, int parts);
// " - 64-bit" for a 64-bit process on a 64-bit system, else " - 32-bit".
QString BitnessText();
// Program name + " (" + VersionText(3) + ")".
QString ProgVersName();
// Date of the executable file in the locale's short date format.
QString ProgVersDate();

// Formats for date and time pickers, from the user's locale (Qt format strings).
struct TDisplayFormats {
    bool clock24 = true;
    QString timeEdit;  // hours and minutes of a picker
    QString timeShort; // hours and minutes
    QString timeLong;  // with seconds
    QString date;
};
TDisplayFormats LocaleDisplayFormats();

// ---- Help ----

// Path of the help page in the programs' data folder ("share/kelvara6/help/<page>"); the
// windows open it (ShowHelpPage).
QString HelpPagePath(const QString& page);
// The running program's icon (share/icons/hicolor/scalable/apps/org.kelvara.<program>.svg below
// the program files folder, in the build tree as in an installed one), for its windows.
QString ProgramIconPath();
