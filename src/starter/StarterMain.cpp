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
#include "common/platform/SessionServices.h"
#include "common/platform/WinExecute.h"
#include "common/ui/AppStart.h"
#include "common/ui/DialogPosition.h"
#include "common/ui/DialogReporter.h"
#include "common/ui/PwdDlg.h"
#include "common/ui/SelectDlg.h"
#include "starter/ConsolePrompt.h"
#include "starter/StarterRun.h"

namespace {

void SleepWithEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

std::optional<QString> AskPassword(bool gui, const QString& title, const QString& prompt)
{
    if (!gui)
        return ConsolePassword(prompt);
    QString password;
    if (!InputPassword(kCentreOnMainWindow, title, prompt, password))
        return std::nullopt;
    return password;
}

TRunHooks MakeHooks(bool gui, Reporter& reporter)
{
    TRunHooks hooks;
    hooks.ProcessEvents = [] { QCoreApplication::processEvents(); };
    hooks.Sleep = SleepWithEvents;
    hooks.ErrorMessage = [&reporter](const QString& text) { reporter.Error(text, 0); };
    hooks.InputPassword = [gui](const QString& title, const QString& prompt) {
        return AskPassword(gui, title, prompt);
    };
    return hooks;
}

TSelectActionHook MakeSelectHook(bool gui)
{
    if (!gui)
        return {}; // nobody could answer it
    return [](const QString& caption, const QStringList& buttons, const QString& option) {
        return SelectButton(QStringLiteral("Kelvara"), caption, siQuestion, QString(), -1, 200,
                            option, buttons, true);
    };
}

} // namespace

int main(int argc, char** argv)
{
    const std::unique_ptr<QCoreApplication> app = CreateApplication(argc, argv);
    SetProgramName(QStringLiteral("KvStarter"));
    InitProgramTranslation({QString::fromLatin1(kRuntimeDomain), QString::fromLatin1(kMailDomain),
                            QString::fromLatin1(kUnitsDomain)});
    const bool gui = ShowsWindows();
    std::unique_ptr<Reporter> reporter;
    if (gui)
        reporter = std::make_unique<TDialogReporter>();
    else
        reporter = std::make_unique<StdErrReporter>();

    TStarterState state;
    state.Options = ParseStarterOptions(QCoreApplication::arguments().mid(1));
    state.KvPath = LocateKelvara();
    state.Settings = ChooseSettingsFile(state.Options);
    state.Stored.LastTask = state.Options.LastTask;
    LoadStarterSettings(state.Settings.IniName, state.Stored);
    state.LogName = RunLogName(state.Settings.IniName);
    state.ProtocolLog = EffectiveSettingsFolder(state.Settings) + QStringLiteral("KvSmtp.log");

    TmMailer mailer(nullptr, ProgramFolder(), QStringLiteral("kelvararoot.pem"),
                    QStringLiteral("kelvara.crt"), QStringLiteral("kelvara.key"),
                    QStringLiteral("TorvanQuelmist"));
    mailer.SetContentType(ctUtf8);
    std::unique_ptr<IProcessLauncher> launcher = CreateProcessLauncher();
    std::unique_ptr<ISessionService> session = CreateSessionService();

    TStarterServices services;
    services.Launcher = launcher.get();
    services.Session = session.get();
    services.Mailer = &mailer;
    services.Hooks = MakeHooks(gui, *reporter);
    services.SelectAction = MakeSelectHook(gui);

    TStarterRun run(state, services);
    if (run.CheckForce())
        return 0;
    // The group window is not part of this program yet: without a run there is nothing to do.
    return 0;
}
