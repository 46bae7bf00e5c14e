#pragma once

#include <initializer_list>
#include <optional>
#include <span>

#include <QString>
#include <QStringList>

// ---- --help and --version ----
//
// A program's own options begin with "/" or "-" and may be abbreviated, so no word that begins
// with "--" can be one of them: such words are the program's long commands (--help, --version,
// --check ...) and are never taken for a group, a schedule or an option handed on.

// One line of the option list: the option as typed and what it does (a text marked TrNoop).
struct TUsageOption {
    const char* Option;
    const char* Text;
};

// What --help prints for a program.
struct TProgramUsage {
    const char* Program;                   // "KvStarter"
    std::span<const char* const> Synopsis; // command lines after the program's name
    const char* Summary;                   // what the program does (TrNoop)
    std::span<const TUsageOption> Options; // every option and command
    const char* Files;                     // where its settings live (TrNoop, %s: the folder)
};

enum class TProgramRequest { None, Help, Version, UnknownCommand };

struct TProgramCommand {
    TProgramRequest Request = TProgramRequest::None;
    QString Word; // the long command as given
};

// The first word of the arguments (without the program itself) that begins with "--" and is
// not one of the program's other long commands (`commands`, e.g. "--check"): --help, --version,
// or an unknown command.
TProgramCommand FindProgramCommand(const QStringList& args,
                                   std::initializer_list<const char*> commands);
// The usage, translated: synopsis, summary, options and the files below `settingsFolder`.
QString UsageText(const TProgramUsage& usage, const QString& settingsFolder);
// "<program> <version> (built <date>)", translated.
QString VersionText(const char* program);

// Answers --help and --version on standard output (exit code 0) and an unknown long command
// with the usage on standard error (exit code 2), before anything else is set up: no window
// module, no settings file written or created. Nothing when the command line asks for none of
// them. Call first thing in main().
std::optional<int> AnswerProgramCommand(int argc, char** argv, const TProgramUsage& usage,
                                        std::initializer_list<const char*> commands = {});
