// KvStarter: runs groups of backup tasks from its command line, or shows its window.
#include <memory>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "common/backup/KvUtils.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/Reporter.h"
#include "common/infra/Translate.h"
#include "common/mail/mMailer10.h"
#include "common/platform/SessionOnDemand.h"
#include "common/platform/WinExecute.h"
#include "common/ui/AppStart.h"
#include "starter/StarterWindowContext.h"
#include "starter/ConsolePrompt.h"
#include "starter/PreflightCheck.h"
#include "starter/StarterRun.h"
#include "starter/StarterUsage.h"

namespace {

void SleepWithEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// windows: the window module when a display can show its dialogs, else nullptr.
std::optional<QString> AskPassword(TWindowModule* windows, const QString& title,
                                   const QString& prompt)
{
    if (!windows)
        return ConsolePassword(prompt);
    return windows->InputPassword(title, prompt);
}

TRunHooks MakeHooks(TWindowModule* windows, Reporter& reporter)
{
    TRunHooks hooks;
    hooks.ProcessEvents = [] { QCoreApplication::processEvents(); };
    hooks.Sleep = SleepWithEvents;
    hooks.ErrorMessage = [&reporter](const QString& text) { reporter.Error(text, 0); };
    hooks.InputPassword = [windows](const QString& title, const QString& prompt) {
        return AskPassword(windows, title, prompt);
    };
    return hooks;
}

// The login manager's service from its module; a missing module fails the session action.
std::unique_ptr<ISessionService> LoadSessionService()
{
    const TLoadedModule module = LoadProgramModule(
        ProgramModulePath(QStringLiteral("KvSessionServices")), kSessionModuleEntry);
    if (!module.Object)
        return CreateUnavailableSessionService(LoadFailureText(module).toStdString());
    return std::unique_ptr<ISessionService>(static_cast<ISessionService*>(module.Object));
}

TSelectActionHook MakeSelectHook(TWindowModule* windows)
{
    if (!windows)
        return {}; // nobody could answer it
    return [windows](const QString& caption, const QStringList& buttons, const QString& option) {
        return windows->SelectAction(caption, buttons, option);
    };
}

} // namespace

int main(int argc, char** argv)
{
    if (const std::optional<int> answered =
            AnswerProgramCommand(argc, argv, StarterUsage(), {kCheckOption}))
        return *answered;
    const TProgramStart start = StartProgram(argc, argv, QStringLiteral("KvStarterUi"));
    SetProgramName(QStringLiteral("KvStarter"));
    InitProgramTranslation({QString::fromLatin1(kRuntimeDomain), QString::fromLatin1(kMailDomain),
                            QString::fromLatin1(kUnitsDomain)});
    if (ReportStartFailure(start))
        return 1;
    TmMailer mailer(nullptr, ProgramFolder(), QStringLiteral("kelvararoot.pem"),
                    QStringLiteral("kelvara.crt"), QStringLiteral("kelvara.key"),
                    QStringLiteral("TorvanQuelmist"));
    mailer.SetContentType(ctUtf8);
    if (IsCheckCommand(argc, argv))
        return RunStarterCheck(QCoreApplication::arguments().mid(2), mailer);
    TWindowModule* const windows = ShowsWindows(start) ? start.Windows : nullptr;
    const std::unique_ptr<Reporter> reporter =
        windows ? windows->CreateReporter() : std::make_unique<StdErrReporter>();

    TStarterState state;
    state.Options = ParseStarterOptions(QCoreApplication::arguments().mid(1));
    state.KvPath = LocateKelvara();
    state.Settings = ChooseSettingsFile(state.Options);
    state.Stored.LastTask = state.Options.LastTask;
    LoadStarterSettings(state.Settings.IniName, state.Stored);
    state.LogName = RunLogName(state.Settings.IniName);
    state.ProtocolLog = EffectiveSettingsFolder(state.Settings) + QStringLiteral("KvSmtp.log");

    std::unique_ptr<IProcessLauncher> launcher = CreateProcessLauncher();
    // The bus is reached only when the run locks the session or ends with an action.
    std::unique_ptr<ISessionService> session = CreateSessionServiceOnDemand(LoadSessionService);

    TStarterServices services;
    services.Launcher = launcher.get();
    services.Session = session.get();
    services.Mailer = &mailer;
    services.Hooks = MakeHooks(windows, *reporter);
    services.SelectAction = MakeSelectHook(windows);

    TStarterRun run(state, services);
    if (run.CheckForce())
        return 0;
    if (!windows)
        return 0; // without a run and without a display there is nothing to do
    TStarterWindowContext context{&state, &services};
    return windows->RunMainWindow(&context);
}
