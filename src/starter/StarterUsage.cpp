#include "starter/StarterUsage.h"

#include "common/infra/Translate.h"

namespace {

constexpr const char* kSynopsis[] = {
    "GROUP[,GROUP...] /force [OPTION...]",
    "[/ini:FILE] [/dark]",
    "--check GROUP[,GROUP...] [/ini:FILE]",
    "--help | --version",
};

constexpr TUsageOption kOptions[] = {
    {"GROUP", TrNoop("a group of KvStarter.ini; several run one after another")},
    {"/force", TrNoop("run the groups now, without the window")},
    {"/logmode[:0|1]", TrNoop("append the run log to KvStarter.log (0: do not)")},
    {"/term", TrNoop("first close the programs that have a window on this desktop")},
    {"/lockscreen", TrNoop("lock the session while the groups run")},
    {"/prompt", TrNoop("ask which action ends the run")},
    {"/end:shutdown|lockdown|logoff|restart|poweroff",
     TrNoop("end with this action (lockdown: lock, then shut down)")},
    {"/suspend:standby|hibernate", TrNoop("end by suspending the computer")},
    {"/ini:FILE", TrNoop("use another settings file (a folder: KvStarter.ini in it)")},
    {"/dark", TrNoop("show the windows in dark colours")},
    {"/lang:CODE", TrNoop("use the language CODE, e.g. /lang:de")},
    {"/portable", TrNoop("keep the settings beside the program")},
    {"--check", TrNoop("tell whether the next run of the groups would work, and exit (0: all "
                       "right, 1: warnings, 2: a failure)")},
    {"--help", TrNoop("show this help and exit")},
    {"--version", TrNoop("show the version and exit")},
};

constexpr TProgramUsage kUsage{
    "KvStarter",
    kSynopsis,
    TrNoop("Runs groups of backup tasks through Kelvara under another account, writes a run "
           "log, mails an error report and may end with a power action. Without /force it "
           "shows its window."),
    kOptions,
    TrNoop("Settings: %sKvStarter.ini; the run log KvStarter.log and the queue of unsent "
           "reports KvStarter.mailqueue lie beside it."),
};

} // namespace

const TProgramUsage& StarterUsage()
{
    return kUsage;
}
