#pragma once

#include <memory>
#include <optional>

#include <QCoreApplication>
#include <QString>
#include <QStringList>

class Reporter;

// Everything of a program that needs the window system. It lives in a module of its own (built
// from AppStartWindows and the program's windows) that is loaded only when the environment names
// a display, so a run without one loads nothing of the window system.
class TWindowModule {
public:
    virtual ~TWindowModule() = default;
    // The window application; a display that does not answer falls back to the offscreen platform.
    virtual std::unique_ptr<QCoreApplication> CreateApplication(int& argc, char** argv) = 0;
    // True when the application can show windows to somebody.
    virtual bool ShowsWindows() const = 0;
    // Messages in message boxes, events in the system's event log.
    virtual std::unique_ptr<Reporter> CreateReporter() = 0;
    // Asks for a password in a dialog; nothing when it was cancelled.
    virtual std::optional<QString> InputPassword(const QString& title, const QString& prompt) = 0;
    // Asks which of the buttons to take: its number (-1: cancelled), plus 256 when the option
    // was ticked.
    virtual int SelectAction(const QString& caption, const QStringList& buttons,
                             const QString& option) = 0;
    // Shows the program's main window and runs it until it closes. The context is the program's
    // own record (its window library names the type); the result is the program's exit code.
    virtual int RunMainWindow(void* context) = 0;
};

// Every module of the programs exports an entry point of this form: its object when the module
// was built as the given version, else nullptr.
using TModuleEntry = void* (*)(const char* version);
// The window module's entry point; its TWindowModule lives as long as the program.
inline constexpr const char* kWindowModuleEntry = "KvWindowModule";

// A module loaded from the program folder, or why not: Failure is an untranslated text with two
// %s, the file and Detail (the system's reason).
struct TLoadedModule {
    void* Object = nullptr; // what the entry point gave
    QString File;
    const char* Failure = nullptr;
    QString Detail;
};
// Loads the module file (never unloaded) and asks its entry point for the object of this build.
TLoadedModule LoadProgramModule(const QString& fileName, const char* entryName);
// Why the module failed, translated; empty when it was loaded.
QString LoadFailureText(const TLoadedModule& loaded);
// The module "<moduleName>" with the platform's suffix in the program folder.
QString ProgramModulePath(const QString& moduleName);

// How a program started: its application and, with a display, its windows.
struct TProgramStart {
    std::unique_ptr<QCoreApplication> App;
    TWindowModule* Windows = nullptr; // none without a display or when the module failed
    TLoadedModule Module;
};
// The first argument that asks a program to check a group or schedule instead of running it.
inline constexpr const char* kCheckOption = "--check";
// True when the command line begins with kCheckOption.
bool IsCheckCommand(int argc, char** argv);
// A bare application where no display is named (a scheduled run at night) or the command line
// asks for a check; else the window application of the program's window module. When the module
// fails, App is a bare application and Module says why.
TProgramStart StartProgram(int& argc, char** argv, const QString& moduleName);
// True when the start can show windows to somebody.
bool ShowsWindows(const TProgramStart& start);
// Tells on standard error why the window module failed (call after translation is set up);
// true when it did.
bool ReportStartFailure(const TProgramStart& start);
// Sets up translation for a program: the settings folder's "Kelvara.cfg" and the extra domains.
void InitProgramTranslation(const QStringList& extraDomains);
