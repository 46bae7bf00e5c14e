#include "planner/PlanerUsage.h"

#include "common/infra/Translate.h"

namespace {

constexpr const char* kSynopsis[] = {
    "SCHEDULE [OPTION...] [KELVARA-OPTION...]",
    "[/ini:FILE] [/dark]",
    "--check SCHEDULE [/ini:FILE]",
    "--calendar SCHEDULE [DAYS] [FIRST-DAY] [/ini:FILE]",
    "--help | --version",
};

constexpr TUsageOption kOptions[] = {
    {"SCHEDULE", TrNoop("make today's backup of this schedule, without the window")},
    {"/ini:FILE", TrNoop("use another settings file instead of KvPlaner.ini")},
    {"/delay:SECONDS", TrNoop("how long the message of a run stays on the screen (default 5)")},
    {"/interactive", TrNoop("when today's backup is already done, ask whether to make it again")},
    {"/dark", TrNoop("show the windows in dark colours")},
    {"/lang:CODE", TrNoop("use the language CODE, e.g. /lang:de")},
    {"/portable", TrNoop("keep the settings beside the program")},
    {"KELVARA-OPTION", TrNoop("any other option beginning with \"/\" or \"-\" is handed on to "
                              "Kelvara")},
    {"--check", TrNoop("tell whether today's run of the schedule would work, and exit (0: all "
                       "right, 1: warnings, 2: a failure)")},
    {"--calendar", TrNoop("print the step, mode and folder of the schedule's runs for DAYS days "
                          "(default 28, at most 366) from today or from FIRST-DAY "
                          "(yyyy-mm-dd), and exit")},
    {"--help", TrNoop("show this help and exit")},
    {"--version", TrNoop("show the version and exit")},
};

constexpr TProgramUsage kUsage{
    "KvPlaner",
    kSynopsis,
    TrNoop("Keeps rotations of full, differential and incremental backups: started daily "
           "with a schedule's name it works out today's step, starts Kelvara and stores the "
           "progress. Without a name it shows its window."),
    kOptions,
    TrNoop("Settings: %sKvPlaner.ini. Words beginning with \"--\" are KvPlaner's own "
           "and never handed on to Kelvara."),
};

} // namespace

const TProgramUsage& PlanerUsage()
{
    return kUsage;
}
