#include "common/backup/KelvaraUsage.h"

#include "common/infra/Translate.h"

namespace {

constexpr const char* kSynopsis[] = {
    "TASKFILE... [/mode:full|differential|incremental] [/OPTION...]",
    "/edit TASKFILE",
    "--help | --version",
};

constexpr TUsageOption kOptions[] = {
    {"/mode:full|differential|incremental",
     TrNoop("what to copy: every file (the default), the files changed since the last full "
            "backup, or since the last backup of any kind")},
    {"/backupdir:NAME", TrNoop("back up into the folder NAME below the destination")},
    {"/logdir:FOLDER", TrNoop("write the backup log into FOLDER")},
    {"/ini:FILE", TrNoop("the log goes to the folder of FILE unless /logdir names one")},
    {"/prompt:quiet", TrNoop("do not echo the log on standard output (also /prompt:silent)")},
    {"/delay:SECONDS", TrNoop("wait before the backup starts")},
    {"/edit", TrNoop("open the task file in $VISUAL, $EDITOR or the desktop's editor")},
    {"/hide /logmode /force ...",
     TrNoop("options of the status window, sounds and power actions are accepted and ignored")},
    {"--help", TrNoop("show this help and exit")},
    {"--version", TrNoop("show the version and exit")},
};

constexpr TProgramUsage kUsage{
    "Kelvara",
    kSynopsis,
    TrNoop("Backs up the source folders of each task file into its destination. Exit codes: "
           "0 success, 1 task file not found, 2 destination not found, 3 source folder not "
           "found, 4 errors during backup, 5 aborted, 6 invalid task."),
    kOptions,
    TrNoop("The log goes to the log folder, else to the settings folder %s (Kelvara.log); "
           "each destination keeps the times of its backups in Kelvara.state."),
};

} // namespace

const TProgramUsage& KelvaraUsage()
{
    return kUsage;
}
