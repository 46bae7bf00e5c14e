#include "starter/GroupRun.h"

#include <algorithm>
#include <cstring>

#include "common/backup/KvUtils.h"
#include "common/backup/Options.h"
#include "common/infra/Translate.h"

namespace {

const QString kErrorPrefix = QStringLiteral("  *** ");

std::string Utf8(const QString& s)
{
    return s.toStdString();
}

// Exit code 4 while the backup program showed its own status window needs no box.
bool ShownByBackupProgram(int outcome, const TTaskProperties& group)
{
    return outcome == 4 && group.Status >= 2;
}

} // namespace

std::pair<QString, QString> SplitAccount(const QString& account)
{
    const qsizetype slash = account.indexOf(u'\\');
    if (slash < 0)
        return {QString(), account};
    return {account.left(slash), account.mid(slash + 1)};
}

QString BackupTaskLine(const QString& path)
{
    return QStringLiteral("      ") + Tr("Backup task") + QStringLiteral(": ") + path;
}

TGroupRunner::TGroupRunner(IProcessLauncher& launcher, TRunHooks hooks, QString kvPath,
                           QString aIniPath, QString title)
    : FLauncher(launcher), FHooks(std::move(hooks)), FKvPath(std::move(kvPath)),
      FAIniPath(std::move(aIniPath)), FTitle(std::move(title))
{}

QString TGroupRunner::BuildCommandLine(const TTaskProperties& group) const
{
    QString line = QuotedPath(FKvPath);
    line += OptionText(QStringLiteral("startapp"), QStringLiteral("kvstarter"));
    line += OptionText(QStringLiteral("prompt"), PromptValue(group.Status));
    if (!FAIniPath.isEmpty())
        line += OptionText(QStringLiteral("ini"), FAIniPath);
    if (!group.AltLogDir.isEmpty())
        line += OptionText(QStringLiteral("logdir"), group.AltLogDir);
    if (group.NoSplash)
        line += OptionText(QStringLiteral("hide"));
    if (!group.PlaySound)
        line += OptionText(QStringLiteral("nosound"));
    if (group.RunAs)
        line += OptionText(QStringLiteral("elevate"));
    if (StatusUsesWait(group.Status))
        line += OptionText(QStringLiteral("wait"), group.Delay);
    line += OptionText(QStringLiteral("force"));
    line += OptionText(QStringLiteral("noaction"));
    return line;
}

void TGroupRunner::ProcessEvents() const
{
    if (FHooks.ProcessEvents)
        FHooks.ProcessEvents();
}

void TGroupRunner::ReportRunError(const QString& text, bool interactive)
{
    if (interactive) {
        if (FHooks.ErrorMessage)
            FHooks.ErrorMessage(text);
        return;
    }
    LogList.append(kErrorPrefix + text);
    ++ErrCount;
}

TGroupRunner::TStarted TGroupRunner::StartBackupProgram(const QString& account,
                                                        const QString& password,
                                                        const QString& commandLine)
{
    const auto [domain, user] = SplitAccount(account);
    try {
        return {FLauncher.StartAsUser(Utf8(user), Utf8(domain), Utf8(password), std::string(),
                                      Utf8(commandLine)),
                QString()};
    } catch (const EProcessError& e) {
        return {std::nullopt,
                Fmt(Tr("Error on starting Kelvara: %s"), {QString::fromUtf8(e.what())})};
    }
}

int TGroupRunner::OutcomeOf(std::uint32_t waitResult, QString& message) const
{
    if (waitResult == kWaitTimeout)
        return roRunning;
    if (waitResult == 0)
        return roSuccess;
    if (waitResult & kExitCodeFlag) {
        const int code = int(waitResult & 0xFF);
        message = Fmt(Tr("Error reported by Kelvara: %s"), {KelvaraExitText(code)});
        return code;
    }
    message = Fmt(Tr("Error on executing Kelvara: %s"),
                  {QString::fromUtf8(std::strerror(int(waitResult)))});
    return roWaitFailed;
}

int TGroupRunner::PollBackupProgram(TProcessHandle& handle, QString& message)
{
    return OutcomeOf(FLauncher.Wait(handle, 100, {}), message);
}

int TGroupRunner::RunBackupProgram(const QString& account, const QString& password,
                                   const QString& commandLine, QString& message)
{
    TStarted started = StartBackupProgram(account, password, commandLine);
    if (!started.handle) {
        message = started.message;
        return roNotStarted;
    }
    return OutcomeOf(FLauncher.Wait(*started.handle, 0, [this] { ProcessEvents(); }), message);
}

void TGroupRunner::ReportOutcome(int outcome, const QString& message, const TTaskProperties& group,
                                 bool interactive)
{
    if (outcome <= 0)
        return;
    WorstOutcome = std::max(WorstOutcome, outcome);
    if (interactive && ShownByBackupProgram(outcome, group))
        return;
    ReportRunError(message, interactive);
}

void TGroupRunner::RunSequential(const TTaskProperties& group, const QString& password,
                                 const QString& commandLine, bool interactive)
{
    QString line = commandLine;
    for (int i = 0; i < group.TaskCount(); ++i) {
        if (!group.IsChecked(i))
            continue;
        line += u' ' + QuotedPath(group.TaskFile(i));
        LogList.append(BackupTaskLine(group.TaskFile(i)));
    }
    QString message;
    const int outcome = RunBackupProgram(group.User, password, line, message);
    ReportOutcome(outcome, message, group, interactive);
}

void TGroupRunner::RunParallel(const TTaskProperties& group, const QString& password,
                               const QString& commandLine, bool interactive)
{
    std::vector<std::optional<TProcessHandle>> handles(size_t(group.TaskCount()));
    for (int i = 0; i < group.TaskCount(); ++i) {
        if (!group.IsChecked(i))
            continue;
        const QString path = group.TaskFile(i);
        LogList.append(BackupTaskLine(path));
        QString line = commandLine;
        if (group.StartDelay > 0 && i > 0)
            line += OptionText(QStringLiteral("delay"), qint64(i) * group.StartDelay);
        line += OptionText(QStringLiteral("xinst"), i + 1);
        line += u' ' + QuotedPath(path);
        TStarted started = StartBackupProgram(group.User, password, line);
        if (started.handle)
            handles[size_t(i)] = std::move(started.handle);
        else {
            WorstOutcome = std::max(WorstOutcome, int(roNotStarted));
            ReportRunError(started.message, interactive);
        }
        if (FHooks.Sleep)
            FHooks.Sleep(500);
        ProcessEvents();
    }
    bool running = true;
    while (running) {
        running = false;
        for (int i = 0; i < group.TaskCount(); ++i) {
            auto& handle = handles[size_t(i)];
            if (!handle || !group.IsChecked(i))
                continue;
            QString message;
            const int outcome = PollBackupProgram(*handle, message);
            if (outcome == roRunning) {
                running = true;
                continue;
            }
            handle.reset();
            ReportOutcome(outcome,
                          message + QStringLiteral(" - ") + Tr("Backup task") +
                              QStringLiteral(": ") + group.TaskFile(i),
                          group, interactive);
        }
        ProcessEvents();
    }
}

bool TGroupRunner::RunGroup(const TTaskProperties& group, bool interactive)
{
    WorstOutcome = 0;
    if (group.TaskCount() == 0) {
        WorstOutcome = roNotStarted;
        ReportRunError(Tr("No backup tasks specified!"), interactive);
        return true;
    }
    QString password = group.Pwd;
    if (group.PwdPrompt || group.Pwd.isEmpty()) {
        const QString prompt = Fmt(
            Tr("Enter the password for user \"%s\"\r\nto start the the backups of group \"%s\""),
            {group.User, group.Desc});
        std::optional<QString> entered;
        if (FHooks.InputPassword)
            entered = FHooks.InputPassword(FTitle, prompt);
        if (!entered)
            return false;
        password = *entered;
    }
    const QString commandLine = BuildCommandLine(group);
    if (group.ParProc)
        RunParallel(group, password, commandLine, interactive);
    else
        RunSequential(group, password, commandLine, interactive);
    return true;
}
