// Kelvara: backs up the folders of its task files, fully, differentially or incrementally.
#include <csignal>

#include <QCoreApplication>

#include "KvArgs.h"
#include "KvBackupRun.h"
#include "KvTreeCopy.h"
#include "common/backup/KelvaraUsage.h"
#include "common/backup/KvUtils.h"
#include "common/backup/Volumes.h"
#include "common/infra/ProgramPath.h"

namespace {

extern "C" void OnAbortSignal(int)
{
    gKvAbortRequested = 1;
}

void InstallAbortHandlers()
{
    struct sigaction action {};
    action.sa_handler = OnAbortSignal;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
    // The program that started us may be gone with the console we echo the log to; losing that
    // copy must not end the backup.
    ::signal(SIGPIPE, SIG_IGN);
}

bool Quiet(const QString& prompt)
{
    return prompt.compare(QLatin1String("quiet"), Qt::CaseInsensitive) == 0 ||
           prompt.compare(QLatin1String("silent"), Qt::CaseInsensitive) == 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> answered = AnswerProgramCommand(argc, argv, KelvaraUsage()))
        return *answered;
    QCoreApplication app(argc, argv);
    SetProgramName(QStringLiteral("Kelvara"));
    InstallAbortHandlers();
    const TKelvaraArgs args = ParseKelvaraArgs(QCoreApplication::arguments().mid(1));
    const TVolumeTable volumes;
    TRunContext context;
    context.programPath = ProgramFilePath();
    context.logFolder = args.logDir;
    context.defaultLogFolder = DefaultLogFolder(args.iniPath);
    context.volumes = &volumes;
    context.echo = !Quiet(args.prompt);
    return RunKelvara(args, context);
}
