// KvStarter: runs groups of backup tasks from its command line, or shows its window.
#include <cstdio>
#include <memory>

#include <QApplication>
#include <QEventLoop>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QTimer>

#include "common/backup/KvUtils.h"
#include "common/infra/ProgramPath.h"
#include "common/infra/Translate.h"
#include "common/mail/mMailer10.h"
#include "common/platform/SessionServices.h"
#include "common/platform/WinExecute.h"
#include "starter/ConsolePrompt.h"
#include "starter/StarterRun.h"

namespace {

bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") ||
           !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

void SleepWithEvents(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

TRunHooks MakeHooks(bool gui)
{
    TRunHooks hooks;
    hooks.ProcessEvents = [] { QCoreApplication::processEvents(); };
    hooks.Sleep = SleepWithEvents;
    if (gui) {
        hooks.ErrorMessage = [](const QString& text) {
            QMessageBox::critical(nullptr, TrDialogs("Error"), text);
        };
        hooks.InputPassword = [](const QString& title,
                                 const QString& prompt) -> std::optional<QString> {
            bool ok = false;
            const QString pwd = QInputDialog::getText(nullptr, title, prompt, QLineEdit::Password,
                                                      QString(), &ok);
            return ok ? std::optional<QString>(pwd) : std::nullopt;
        };
    } else {
        hooks.ErrorMessage = [](const QString& text) {
            std::fprintf(stderr, "%s\n", qPrintable(text));
        };
        hooks.InputPassword = [](const QString&, const QString& prompt) {
            return ConsolePassword(prompt);
        };
    }
    return hooks;
}

TSelectActionHook MakeSelectHook(bool gui)
{
    if (!gui)
        return [](const QString& caption, const QStringList&, const QString&) {
            // Nobody can answer the selection: the run counts as cancelled.
            std::fprintf(stderr, "%s\n", qPrintable(caption));
            return -1;
        };
    return [](const QString& caption, const QStringList& buttons, const QString& option) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Kelvara"), caption);
        for (const QString& b : buttons)
            box.addButton(b, QMessageBox::AcceptRole);
        box.addButton(QMessageBox::Cancel);
        box.exec();
        Q_UNUSED(option);
        const int index = int(box.buttons().indexOf(box.clickedButton()));
        return index < buttons.size() ? index : -1;
    };
}

} // namespace

int main(int argc, char** argv)
{
    const bool gui = HasDisplay();
    std::unique_ptr<QCoreApplication> app;
    if (gui)
        app = std::make_unique<QApplication>(argc, argv);
    else
        app = std::make_unique<QCoreApplication>(argc, argv);
    SetProgramName(QStringLiteral("KvStarter"));

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
    services.Hooks = MakeHooks(gui);
    services.SelectAction = MakeSelectHook(gui);

    TStarterRun run(state, services);
    if (run.CheckForce())
        return 0;
    // The group window is not part of this program yet: without a run there is nothing to do.
    return 0;
}
