#include "starter/PreflightCheck.h"

#include <cstdio>

#include <QFileInfo>

#include "common/backup/KvUtils.h"
#include "common/infra/Translate.h"
#include "common/mail/mMailer10.h"
#include "common/platform/AccountAccess.h"
#include "common/platform/LogonCheck.h"
#include "common/preflight/CheckReport.h"
#include "common/preflight/PreflightItems.h"
#include "common/tasks/WinTask.h"
#include "starter/ErrorReport.h"
#include "starter/StarterOptions.h"
#include "starter/StarterSettings.h"

namespace {

void CheckTasks(const TStoredGroup& stored, const TTaskProperties& group, TCheckReport& report)
{
    bool any = false;
    for (const TStoredTask& entry : stored.Tasks) {
        if (!entry.Selected)
            continue;
        any = true;
        if (const std::optional<TBackupTask> task = CheckTaskFile(entry.File, report))
            CheckDestination(*task, group.User, report);
    }
    if (!any)
        report.Fail(Tr("No backup tasks specified!"), Tr("select a task file for the group"));
}

void CheckLogon(const QString& user, const QString& password, TCheckReport& report)
{
    const TLogonCheckResult result = CheckAccountLogon(user.toStdString(), password.toStdString());
    switch (result.result) {
    case TLogonCheck::Ok:
        report.Ok(Fmt(Tr("The stored password of \"%s\" logs on"), {user}));
        break;
    case TLogonCheck::UnknownAccount:
        report.Fail(Fmt(Tr("Account \"%s\" does not exist"), {user}),
                    Tr("correct the group's account"));
        break;
    case TLogonCheck::Refused:
        report.Fail(Fmt(Tr("The stored password of \"%s\" does not log on: %s"),
                        {user, QString::fromStdString(result.text)}),
                    Tr("store the account's current password"));
        break;
    }
}

void CheckAccount(const TStoredGroup& stored, const TTaskProperties& group, TCheckReport& report)
{
    if (group.User.isEmpty()) {
        report.Ok(Tr("The group runs under this account"));
        return;
    }
    if (!AccountExists(group.User)) {
        report.Fail(Fmt(Tr("Account \"%s\" does not exist"), {group.User}),
                    Tr("correct the group's account"));
        return;
    }
    if (!stored.Password.isEmpty() && group.Pwd.isEmpty()) {
        report.Fail(Tr("The stored password cannot be deciphered"), Tr("store the password again"));
        return;
    }
    if (group.PwdPrompt) {
        report.Warn(Fmt(Tr("The password of \"%s\" is asked at every run"), {group.User}),
                    Tr("store the password for runs without anybody to answer"));
        return;
    }
    CheckLogon(group.User, group.Pwd, report);
}

// True when the task's arguments begin with a group list that names the group.
bool ListNamesGroup(const QStringList& words, const QString& group)
{
    for (const QString& word : words) {
        if (word.startsWith(u'/') || word.startsWith(u'-'))
            continue;
        return word.split(u',').contains(group, Qt::CaseInsensitive);
    }
    return false;
}

void PrintReport(const QString& title, const TCheckReport& report)
{
    std::fputs(qPrintable(title + u'\n' + report.Text()), stdout);
}

} // namespace

void CheckGroup(const QString& iniName, int position, const TTaskProperties& group,
                TCheckReport& report)
{
    const TStoredGroup stored = ReadStoredGroup(iniName, position);
    CheckTasks(stored, group, report);
    CheckAccount(stored, group, report);
    if (!group.AltLogDir.isEmpty())
        CheckLogFolder(group.AltLogDir, group.User, report);
    const std::unique_ptr<ITaskBackend> backend = CreateTaskBackend();
    CheckScheduledTask(
        *backend,
        {QStringLiteral("KvStarter"), group.Desc,
         [&group](const QStringList& words) { return ListNamesGroup(words, group.Desc); }},
        report);
}

void CheckReportMail(TmMailer& mailer, const TMailData& mail, TCheckReport& report)
{
    ApplyServerSettings(mailer, mail);
    mailer.SetWriteLogFile(false);
    if (mailer.CheckLogin()) {
        report.Ok(Fmt(Tr("Mail server %s:%u accepts the login"),
                      {mail.SMTP, QString::number(mail.Port)}));
        return;
    }
    QStringList reasons;
    for (const TSendError& error : mailer.ErrorList())
        reasons << error.ErrMsg;
    report.Fail(Fmt(Tr("Mail server %s:%u: %s"),
                    {mail.SMTP, QString::number(mail.Port), reasons.join(QStringLiteral("; "))}),
                Tr("check the mail settings"));
}

int RunStarterCheck(const QStringList& arguments, TmMailer& mailer)
{
    const TStarterOptions options = ParseStarterOptions(arguments);
    const TSettingsChoice settings = ChooseSettingsFile(options);
    TStarterSettings stored;
    LoadStarterSettings(settings.IniName, stored);

    TCheckReport common;
    CheckBackupProgram(LocateKelvara(), common);
    CheckLogFolder(QFileInfo(RunLogName(settings.IniName)).path(), QString(), common);
    if (stored.MailData.Enabled)
        CheckReportMail(mailer, stored.MailData, common);
    PrintReport(Fmt(Tr("Settings file \"%s\":"), {settings.IniName}), common);
    int exitCode = common.ExitCode();

    const QStringList groups = options.ConfigList.split(u',', Qt::SkipEmptyParts);
    if (groups.isEmpty()) {
        std::fputs(qPrintable(Tr("No group given.") + u'\n'), stderr);
        return 2;
    }
    for (const QString& name : groups) {
        TCheckReport report;
        const int position = stored.IndexOfGroup(name.trimmed());
        if (position < 0)
            report.Fail(Fmt(Tr("Group \"%s\" not found"), {name}),
                        Fmt(Tr("check the name in \"%s\""), {settings.IniName}));
        else
            CheckGroup(settings.IniName, position, *stored.Groups[size_t(position)], report);
        PrintReport(Fmt(Tr("Group \"%s\":"), {name}), report);
        exitCode = std::max(exitCode, report.ExitCode());
    }
    return exitCode;
}
