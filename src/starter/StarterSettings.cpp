#include "starter/StarterSettings.h"

#include <QFileInfo>
#include <QRegularExpression>

#include "common/backup/KvUtils.h"
#include "common/credentials/PasswordCodec.h"
#include "common/infra/IniFileUtils.h"
#include "common/infra/Translate.h"

namespace {

const QString kConfig = QStringLiteral("Config");
const QString kMail = QStringLiteral("Mail");

struct TStatusMode {
    const char* caption;
    const char* prompt;
    bool usesWait;
};

constexpr TStatusMode kStatusModes[] = {
    {TrNoop("None"), "quiet", false},
    {TrNoop("Close automatically"), "delay", true},
    {TrNoop("Always wait for prompt"), "wait", false},
    {TrNoop("Wait for prompt only on errors"), "error", true},
    {TrNoop("Show only on errors"), "silent", false},
};

const TStatusMode& StatusMode(int status)
{
    // Any unknown value behaves like "Close automatically".
    return (status >= 0 && status < 5) ? kStatusModes[status] : kStatusModes[1];
}

QString TwoDigits(int n)
{
    return QStringLiteral("%1").arg(n, 2, 10, QLatin1Char('0'));
}

QString DefaultSubject()
{
    return Tr("KvStarter error report");
}

void ReadMail(const TMemIniFile& ini, TMailData& mail)
{
    DefaultValues(mail);
    mail.SMTP = ini.ReadString(kMail, "SMTP", mail.SMTP);
    mail.Port = ini.ReadInteger(kMail, "Port", 25);
    if (mail.Port < 0 || mail.Port > 65535)
        mail.Port = 25;
    mail.Username = ini.ReadString(kMail, "Username", QString());
    mail.Password = DecipherPassword(ini.ReadString(kMail, "Password", QString()));
    mail.Sender = ini.ReadString(kMail, "Sender", QStringLiteral("KvStarter"));
    mail.ReplyTo = ini.ReadString(kMail, "ReplyTo", QString());
    mail.Recipients = ini.ReadString(kMail, "Recipients", QString());
    mail.Subject = ini.ReadString(kMail, "Subject", DefaultSubject());
    const int tls = ini.ReadInteger(kMail, "UseTLS", 0);
    mail.SecureMode = (tls >= stNone && tls <= stImplicit) ? TSecTransfer(tls) : stNone;
    mail.Enabled = ini.ReadBool(kMail, "Enabled", false);
    if (mail.SMTP.isEmpty() || mail.Recipients.isEmpty())
        mail.Enabled = false;
}

std::vector<TStoredTask> ReadTaskEntries(const TMemIniFile& ini, const QString& section)
{
    std::vector<TStoredTask> tasks;
    // A hand-edited count never reaches beyond the keys the section holds.
    QStringList keys;
    ini.ReadSection(section, keys);
    const int count = qBound(0, ini.ReadInteger(section, "Count", 0), int(keys.size()));
    for (int i = 0; i < count; ++i) {
        QString file = ini.ReadString(section, TaskFileKey(i), QString());
        if (file.isEmpty())
            continue;
        const bool selected = !file.startsWith(u'#');
        if (!selected)
            file.remove(0, 1);
        tasks.push_back({file, selected});
    }
    return tasks;
}

std::unique_ptr<TTaskProperties> ReadGroup(const TMemIniFile& ini, const QString& section)
{
    auto group = std::make_unique<TTaskProperties>(ini.ReadString(section, "Description", section));
    group->AltLogDir = ini.ReadString(section, "LogDirectory", QString());
    group->PingUrl = ini.ReadString(section, "PingUrl", QString()).trimmed();
    group->User = ini.ReadString(section, "Username", QString());
    group->Pwd = DecipherPassword(ini.ReadString(section, "Password", QString()));
    group->PwdPrompt = ini.ReadBool(section, "PasswordPrompt", true) || group->Pwd.isEmpty();
    group->NoSplash = ini.ReadBool(section, "NoSplash", false);
    group->PlaySound = ini.ReadBool(section, "PlaySound", true);
    group->ParProc = ini.ReadBool(section, "Parallel", false);
    group->RunAs = ini.ReadBool(section, "RunAs", false);
    group->StartDelay = qMax(0, ini.ReadInteger(section, "StartDelay", 0));
    group->Delay = ini.ReadInteger(section, "WaitTime", 5);
    group->Status = ini.ReadInteger(section, "StatusWindow", 1);
    for (const TStoredTask& task : ReadTaskEntries(ini, section))
        if (QFileInfo(task.File).isFile())
            group->AddTask(task.File, task.Selected);
    return group;
}

// A hand-edited count cannot run away: it is bounded by the sections the file holds and by the
// highest group section in it.
int GroupCountLimit(const TMemIniFile& ini)
{
    QStringList sections;
    ini.ReadSections(sections);
    int limit = int(sections.size());
    static const QRegularExpression groupSection(QStringLiteral("^Task(\\d{2,9})$"),
                                                 QRegularExpression::CaseInsensitiveOption);
    for (const QString& section : sections)
        if (const QRegularExpressionMatch m = groupSection.match(section); m.hasMatch())
            limit = qMax(limit, m.captured(1).toInt() + 1);
    return limit;
}

void WriteGroup(TUnicodeIniFile& ini, const QString& section, const TTaskProperties& group)
{
    ini.EraseSection(section);
    ini.WriteString(section, "Description", group.Desc.isEmpty() ? section : group.Desc);
    ini.WriteString(section, "LogDirectory", group.AltLogDir);
    if (!group.PingUrl.isEmpty())
        ini.WriteString(section, "PingUrl", group.PingUrl);
    ini.WriteString(section, "Username", group.User);
    ini.WriteString(section, "Password", EncipherPassword(group.Pwd));
    ini.WriteBool(section, "PasswordPrompt", group.PwdPrompt);
    ini.WriteBool(section, "NoSplash", group.NoSplash);
    ini.WriteBool(section, "PlaySound", group.PlaySound);
    ini.WriteBool(section, "Parallel", group.ParProc);
    ini.WriteBool(section, "RunAs", group.RunAs);
    ini.WriteInteger(section, "StartDelay", group.StartDelay);
    ini.WriteInteger(section, "WaitTime", group.Delay);
    ini.WriteInteger(section, "StatusWindow", group.Status);
    ini.WriteInteger(section, "Count", group.TaskCount());
    for (int i = 0; i < group.TaskCount(); ++i)
        ini.WriteString(section, TaskFileKey(i),
                        (group.IsChecked(i) ? QString() : QStringLiteral("#")) + group.TaskFile(i));
}

} // namespace

TTaskProperties::TTaskProperties(const QString& desc) : Desc(desc)
{
    Reset();
}

void TTaskProperties::Reset()
{
    User.clear();
    Pwd.clear();
    AltLogDir.clear();
    PingUrl.clear();
    PwdPrompt = true;
    NoSplash = PlaySound = ParProc = RunAs = false;
    Status = 1;
    Delay = 5;
    StartDelay = 0;
    Tasks.clear();
}

int TTaskProperties::AddTask(const QString& fileName, bool enabled)
{
    Tasks.append(fileName + (enabled ? QStringLiteral("|1") : QStringLiteral("|0")));
    return int(Tasks.size()) - 1;
}

bool TTaskProperties::IsChecked(int index) const
{
    if (index < 0 || index >= Tasks.size())
        return false;
    const QString& entry = Tasks[index];
    return ParseIniInt32(entry.mid(entry.lastIndexOf(u'|') + 1)).value_or(0) != 0;
}

QString TTaskProperties::TaskFile(int index) const
{
    if (index < 0 || index >= Tasks.size())
        return QString();
    const QString& entry = Tasks[index];
    const qsizetype bar = entry.lastIndexOf(u'|');
    return bar < 0 ? entry : entry.left(bar);
}

void TTaskProperties::RemoveTask(int index)
{
    if (index >= 0 && index < Tasks.size())
        Tasks.removeAt(index);
}

QString StatusCaption(int status)
{
    return Tr(StatusMode(status).caption);
}

QString PromptValue(int status)
{
    return QString::fromLatin1(StatusMode(status).prompt);
}

bool StatusUsesWait(int status)
{
    return StatusMode(status).usesWait;
}

int TStarterSettings::IndexOfGroup(const QString& name) const
{
    for (size_t i = 0; i < Groups.size(); ++i)
        if (Groups[i]->Desc.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

QString GroupSectionName(int position)
{
    return QStringLiteral("Task") + TwoDigits(position);
}

QString TaskFileKey(int position)
{
    return QStringLiteral("TaskFile") + TwoDigits(position);
}

QString EncipherPassword(const QString& password)
{
    return EncryptPassword(UnscrambleKey(QString::fromLatin1(kPasswordKeyText)),
                           Utf8PasswordBytes(password, kStoredPasswordLength),
                           kStoredPasswordLength, false);
}

QString DecipherPassword(const QString& stored)
{
    if (stored.isEmpty())
        return QString();
    return QString::fromUtf8(
        DecryptPassword(UnscrambleKey(QString::fromLatin1(kPasswordKeyText)), stored, false));
}

void LoadStarterSettings(const QString& fileName, TStarterSettings& settings)
{
    std::unique_ptr<TUnicodeIniFile> ini;
    try {
        ini = TUnicodeIniFile::CreateForRead(fileName);
    } catch (const std::exception&) {
        return;
    }
    settings.Window.Top = ini->ReadInteger(kConfig, "Top", settings.Window.Top);
    settings.Window.Left = ini->ReadInteger(kConfig, "Left", settings.Window.Left);
    ReadMail(*ini, settings.MailData);
    settings.Monitoring = ReadMonitorSettings(*ini);
    if (settings.LastTask.isEmpty())
        settings.LastTask = ini->ReadString(kConfig, "LastTask", QString());
    settings.LastDir = ini->ReadString(kConfig, "LastDir",
                                       QFileInfo(settings.LastTask).path() == u'.'
                                           ? QString()
                                           : QFileInfo(settings.LastTask).path());
    // A missing section below the count is a group with default values named after it.
    const int count = qBound(0, ini->ReadInteger(kConfig, "TaskCount", 0), GroupCountLimit(*ini));
    for (int i = 0; i < count; ++i)
        settings.Groups.push_back(ReadGroup(*ini, GroupSectionName(i)));
}

void SaveStarterSettings(const QString& fileName, const TStarterSettings& settings)
{
    auto ini = TUnicodeIniFile::CreateForWrite(fileName, false);
    ini->EraseSection(QStringLiteral("Global"));
    ini->WriteProgramInfo(QStringLiteral("Program"), ProgramName());
    ini->WriteProgramInfo(QStringLiteral("Version"), ProgramVersion());
    ini->WriteInteger(kConfig, "Top", settings.Window.Top);
    ini->WriteInteger(kConfig, "Left", settings.Window.Left);
    ini->WriteInteger(kConfig, "Height", settings.Window.Height);
    ini->WriteInteger(kConfig, "Width", settings.Window.Width);

    const TMailData& mail = settings.MailData;
    ini->EraseSection(kMail);
    ini->WriteString(kMail, "SMTP", mail.SMTP);
    ini->WriteInteger(kMail, "Port", mail.Port);
    ini->WriteString(kMail, "Username", mail.Username);
    ini->WriteString(kMail, "Password", EncipherPassword(mail.Password));
    ini->WriteString(kMail, "Sender", mail.Sender);
    ini->WriteString(kMail, "ReplyTo", mail.ReplyTo);
    ini->WriteString(kMail, "Recipients", mail.Recipients);
    ini->WriteString(kMail, "Subject", mail.Subject);
    ini->WriteInteger(kMail, "UseTLS", int(mail.SecureMode));
    ini->WriteBool(kMail, "Enabled", mail.Enabled);

    WriteMonitorSettings(*ini, settings.Monitoring);
    ini->WriteString(kConfig, "LastTask", settings.LastTask);
    ini->WriteString(kConfig, "LastDir", settings.LastDir);
    ini->WriteInteger(kConfig, "TaskCount", int(settings.Groups.size()));
    for (size_t i = 0; i < settings.Groups.size(); ++i)
        WriteGroup(*ini, GroupSectionName(int(i)), *settings.Groups[i]);
    ini->Close();
}

int ShownGroupIndex(const TStarterSettings& settings)
{
    if (settings.Groups.empty())
        return -1;
    const int index = settings.LastTask.isEmpty() ? -1 : settings.IndexOfGroup(settings.LastTask);
    return index >= 0 ? index : 0;
}

TStoredGroup ReadStoredGroup(const QString& fileName, int position)
{
    TStoredGroup stored;
    try {
        const auto ini = TUnicodeIniFile::CreateForRead(fileName);
        const QString section = GroupSectionName(position);
        stored.Password = ini->ReadString(section, "Password", QString());
        stored.Tasks = ReadTaskEntries(*ini, section);
    } catch (const std::exception&) {
    }
    return stored;
}
