#include "planner/Schedules.h"

#include <algorithm>
#include <limits>

#include <QFileInfo>

#include "common/backup/KvUtils.h"
#include "common/infra/IniFileUtils.h"
#include "common/infra/Reporter.h"
#include "common/infra/Translate.h"

namespace {

const QString kConfig = QStringLiteral("Config");
const QString kCount = QStringLiteral("Count");

const QString kName = QStringLiteral("Name");
const QString kTask = QStringLiteral("Task");
const QString kCycles = QStringLiteral("Cycles");
const QString kSteps = QStringLiteral("Steps");
const QString kFirstDay = QStringLiteral("FirstDay");
const QString kDifferential = QStringLiteral("Differential");
const QString kNextCycle = QStringLiteral("NextCycle");
const QString kLastFull = QStringLiteral("LastFull");
const QString kLastDay = QStringLiteral("LastDay");
const QString kSilent = QStringLiteral("Silent");
const QString kPingUrl = QStringLiteral("PingUrl");

// Hand-edited counters outside their range read as their defaults.
void NormaliseProgress(TSchedTask& t)
{
    if (t.IsWeekly() && (t.FirstDay < 1 || t.FirstDay > 7))
        t.FirstDay = 1;
    if (t.NextCyc < 0 || (t.IsStartable() && t.NextCyc > t.TotalSteps()))
        t.NextCyc = 0;
    if (t.LastFull < 0)
        t.LastFull = 0;
}

TSchedTask ReadSchedule(const TMemIniFile& ini, int index)
{
    const QString section = ScheduleSection(index);
    const TSchedTask def;
    TSchedTask t;
    t.SName = ini.ReadString(section, kName, section);
    t.Task = ini.ReadString(section, kTask, QString());
    t.Cycles = ini.ReadInteger(section, kCycles, def.Cycles);
    t.Steps = ini.ReadInteger(section, kSteps, def.Steps);
    t.FirstDay = ini.ReadInteger(section, kFirstDay, def.FirstDay);
    t.Diff = ini.ReadBool(section, kDifferential, def.Diff);
    t.NextCyc = ini.ReadInteger(section, kNextCycle, def.NextCyc);
    t.LastFull = ini.ReadInteger(section, kLastFull, def.LastFull);
    t.LastDay = ini.ReadInteger(section, kLastDay, def.LastDay);
    t.Silent = ini.ReadBool(section, kSilent, def.Silent);
    t.PingUrl = ini.ReadString(section, kPingUrl, QString()).trimmed();
    NormaliseProgress(t);
    return t;
}

void WriteSchedule(TMemIniFile& ini, int index, const TSchedTask& t)
{
    const QString section = ScheduleSection(index);
    ini.WriteString(section, kName, t.SName);
    ini.WriteString(section, kTask, t.Task);
    ini.WriteInteger(section, kCycles, t.Cycles);
    ini.WriteInteger(section, kSteps, t.Steps);
    ini.WriteInteger(section, kFirstDay, t.FirstDay);
    ini.WriteBool(section, kDifferential, t.Diff);
    ini.WriteInteger(section, kNextCycle, t.NextCyc);
    ini.WriteInteger(section, kLastFull, t.LastFull);
    ini.WriteInteger(section, kLastDay, t.LastDay);
    ini.WriteBool(section, kSilent, t.Silent);
    if (!t.PingUrl.isEmpty())
        ini.WriteString(section, kPingUrl, t.PingUrl);
}

// A hand-edited count neither hangs nor exhausts memory: it is bounded by what a file can
// sensibly hold.
int BoundedCount(const TMemIniFile& ini)
{
    QStringList sections;
    ini.ReadSections(sections);
    const int limit = std::max(kMaxStoredSchedules, int(sections.size()));
    return std::clamp(ini.ReadInteger(kConfig, kCount, 0), 0, limit);
}

// The section that holds the schedule now: another program may have rebuilt the file since
// it was read, so the name decides; the expected section is tried first.
int SectionHolding(const TMemIniFile& ini, int index, const QString& name)
{
    auto holds = [&](int i) {
        const QString section = ScheduleSection(i);
        return ini.SectionExists(section) &&
               ini.ReadString(section, kName, section).compare(name, Qt::CaseInsensitive) == 0;
    };
    if (holds(index))
        return index;
    const int count = BoundedCount(ini);
    for (int i = 0; i < count; ++i)
        if (holds(i))
            return i;
    return -1;
}

struct TCheckRule {
    int code;
    const char* message;
};

} // namespace

bool TSchedTask::IsStartable() const
{
    return Cycles >= 1 && Steps >= 1 && TotalSteps() < std::numeric_limits<int>::max();
}

QString ScheduleSection(int index)
{
    return QStringLiteral("Sched%1").arg(index, 2, 10, QLatin1Char('0'));
}

TPlanerSettings LoadPlanerSettings(const QString& fileName, const QString& defaultJobDir,
                                   QString* error)
{
    TPlanerSettings settings;
    settings.JobDir = defaultJobDir;
    std::unique_ptr<TUnicodeIniFile> ini;
    try {
        ini = TUnicodeIniFile::CreateForRead(fileName);
    } catch (const EFOpenError& e) {
        if (error)
            *error = e.Message();
        return settings;
    }
    settings.Top = ini->ReadInteger(kConfig, QStringLiteral("Top"), settings.Top);
    settings.Left = ini->ReadInteger(kConfig, QStringLiteral("Left"), settings.Left);
    settings.JobDir = ini->ReadString(kConfig, QStringLiteral("JobDir"), defaultJobDir);
    settings.Monitoring = ReadMonitorSettings(*ini);
    const int count = BoundedCount(*ini);
    settings.Schedules.reserve(size_t(count));
    for (int i = 0; i < count; ++i)
        settings.Schedules.push_back(ReadSchedule(*ini, i));
    return settings;
}

void SavePlanerSettings(const QString& fileName, const TPlanerSettings& settings)
{
    auto ini = TUnicodeIniFile::CreateForWrite(fileName, true);
    ini->WriteProgramInfo(QStringLiteral("Program"), ProgramName());
    ini->WriteProgramInfo(QStringLiteral("Version"), ProgramVersion());
    const int count = int(std::min<size_t>(settings.Schedules.size(), kMaxStoredSchedules));
    ini->WriteInteger(kConfig, QStringLiteral("Top"), settings.Top);
    ini->WriteInteger(kConfig, QStringLiteral("Left"), settings.Left);
    ini->WriteString(kConfig, QStringLiteral("JobDir"), settings.JobDir);
    ini->WriteInteger(kConfig, kCount, count);
    WriteMonitorSettings(*ini, settings.Monitoring);
    for (int i = 0; i < count; ++i)
        WriteSchedule(*ini, i, settings.Schedules[size_t(i)]);
    ini->Close();
}

bool SavePlanerSettings(const QString& fileName, const TPlanerSettings& settings,
                        Reporter& reporter)
{
    try {
        SavePlanerSettings(fileName, settings);
        return true;
    } catch (const EWriteError& e) {
        reporter.Error(e.Message(), 0);
        return false;
    }
}

bool WriteProgress(const QString& fileName, int index, const TSchedTask& task, Reporter& reporter)
{
    try {
        auto ini = TUnicodeIniFile::CreateForWrite(fileName, false);
        const int held = SectionHolding(*ini, index, task.SName);
        if (held < 0)
            return true; // the schedule was removed meanwhile: nothing of it to keep
        const QString section = ScheduleSection(held);
        ini->WriteInteger(section, kNextCycle, task.NextCyc);
        ini->WriteInteger(section, kLastFull, task.LastFull);
        ini->WriteInteger(section, kLastDay, task.LastDay);
        ini->Close();
        return true;
    } catch (const EWriteError& e) {
        reporter.Error(e.Message(), 0);
    } catch (const EFOpenError&) {
        reporter.Error(EWriteError(fileName).Message(), 0);
    }
    return false;
}

int FindSchedule(const TSchedules& schedules, const QString& name)
{
    for (size_t i = 0; i < schedules.size(); ++i)
        if (schedules[i].SName.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

int CheckScheduleValues(const TSchedules& schedules, const TSchedTask& edited, int except,
                        Reporter& reporter)
{
    auto nameUsed = [&] {
        for (size_t i = 0; i < schedules.size(); ++i)
            if (int(i) != except &&
                schedules[i].SName.compare(edited.SName, Qt::CaseInsensitive) == 0)
                return true;
        return false;
    };
    const int limit = edited.IsWeekly() ? kMaxWeeklySteps : kMaxSteps;
    const struct {
        bool failed;
        TCheckRule rule;
    } rules[] = {
        {edited.SName.isEmpty(), {1, "Please specify a name for this schedule!"}},
        {nameUsed(), {1, "Please select a unique name for this schedule!"}},
        {!QFileInfo(edited.Task).isFile(), {2, "Please select a valid backup task!"}},
        {edited.TotalSteps() > limit,
         {edited.IsWeekly() ? 3 : 4, "The total number of steps exceeds the maximum of %u!"}},
    };
    for (const auto& r : rules) {
        if (r.failed) {
            reporter.Error(Fmt(Tr(r.rule.message), {QString::number(limit)}), 0);
            return r.rule.code;
        }
    }
    return 0;
}

namespace {

// The stored definition taken from the edited values, with the progress reset.
TSchedTask FromEdited(const TSchedTask& edited)
{
    TSchedTask t;
    t.SName = edited.SName;
    t.Task = edited.Task;
    t.Cycles = edited.Cycles;
    t.Steps = edited.Steps;
    t.FirstDay = edited.IsWeekly() ? edited.FirstDay : 0;
    t.Diff = edited.Diff;
    t.Silent = edited.Silent;
    t.PingUrl = edited.PingUrl;
    return t;
}

bool ValidIndex(const TSchedules& schedules, int index)
{
    return index >= 0 && size_t(index) < schedules.size();
}

} // namespace

int AddSchedule(TSchedules& schedules, const TSchedTask& edited, Reporter& reporter)
{
    const int code = CheckScheduleValues(schedules, edited, -1, reporter);
    if (code == 0)
        schedules.push_back(FromEdited(edited));
    return code;
}

int ReplaceSchedule(TSchedules& schedules, int index, const TSchedTask& edited, Reporter& reporter)
{
    if (!ValidIndex(schedules, index))
        return -1;
    if (const int code = CheckScheduleValues(schedules, edited, index, reporter); code != 0)
        return code;
    TSchedTask& target = schedules[size_t(index)];
    if (!reporter.Confirm(
            Fmt(Tr("Replace and reset selected backup schedule \"%s\"?"), {target.SName})))
        return -1;
    const bool active = target.Active;
    // The window has no field for the ping address yet: a hand-edited one stays.
    const QString pingUrl = target.PingUrl;
    target = FromEdited(edited);
    target.Active = active;
    if (target.PingUrl.isEmpty())
        target.PingUrl = pingUrl;
    return 0;
}

bool RemoveSchedule(TSchedules& schedules, int index, Reporter& reporter)
{
    if (!ValidIndex(schedules, index))
        return false;
    if (!reporter.Confirm(Fmt(Tr("Remove selected backup schedule \"%s\" from list?"),
                              {schedules[size_t(index)].SName})))
        return false;
    schedules.erase(schedules.begin() + index);
    return true;
}
