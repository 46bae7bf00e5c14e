#pragma once

#include <QString>
#include <QStringList>

#include "starter/StarterSettings.h"

class IProcessLauncher;

// The start of any program under another account: what the dialog keeps in the settings file,
// its checks and the start itself.

inline constexpr const char* kAppSection = "Applications";
// Entries of the application history kept in the file, and shown at once in its drop-down.
inline constexpr int kAppHistoryStored = 50;
inline constexpr int kAppHistoryShown = 8;

struct TAppSettings {
    TWindowPlacement Window;
    QString FileManager;
    QString Application;
    QStringList History; // most recent first
};

// Reads the section; a missing file or section gives empty values.
TAppSettings LoadAppSettings(const QString& iniName, const QString& section);
// Writes the section into the file (other keys and sections stay); throws EWriteError.
void SaveAppSettings(const QString& iniName, const QString& section, const TAppSettings& settings);

// The program of a command line: its first word, double quotes grouping.
QString CommandProgram(const QString& commandLine);
// True when the dialog must ask for the password: none is known, or the account was changed
// (compared without case).
bool NeedsPasswordPrompt(const QString& password, const QString& account,
                         const QString& incomingAccount);

// The history after a program was chosen: an entry already there moves to the top; a new one
// drops the last entry first when the drop-down is full.
QStringList HistoryWithProgram(const QStringList& history, const QString& program);

// Starts the command line under the account ("domain\user" or "user") without waiting;
// empty on success, else the message to show.
QString StartApplication(IProcessLauncher& launcher, const QString& account,
                         const QString& password, const QString& commandLine);
