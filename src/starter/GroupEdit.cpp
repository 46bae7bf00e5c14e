#include "starter/GroupEdit.h"

#include <algorithm>

#include "common/backup/Options.h"
#include "common/infra/IniFileUtils.h"
#include "common/infra/Translate.h"

namespace {

// The values that go between a group and the window unchanged.
template <typename T> struct TSameField {
    T TGroupView::*view;
    T TTaskProperties::*group;
};
constexpr TSameField<QString> kTextFields[] = {
    {&TGroupView::LogDir, &TTaskProperties::AltLogDir},
    {&TGroupView::User, &TTaskProperties::User},
    {&TGroupView::UserPwd, &TTaskProperties::Pwd},
};
constexpr TSameField<bool> kSwitchFields[] = {
    {&TGroupView::NoSplash, &TTaskProperties::NoSplash},
    {&TGroupView::PlaySound, &TTaskProperties::PlaySound},
    {&TGroupView::ParProc, &TTaskProperties::ParProc},
    {&TGroupView::RunAs, &TTaskProperties::RunAs},
};
constexpr TSameField<int> kNumberFields[] = {
    {&TGroupView::Status, &TTaskProperties::Status},
    {&TGroupView::Delay, &TTaskProperties::Delay},
};

template <typename T, size_t N>
void CopyToView(const TSameField<T> (&fields)[N], const TTaskProperties& group, TGroupView& view)
{
    for (const TSameField<T>& f : fields)
        view.*f.view = group.*f.group;
}

template <typename T, size_t N>
void CopyToGroup(const TSameField<T> (&fields)[N], const TGroupView& view, TTaskProperties& group)
{
    for (const TSameField<T>& f : fields)
        group.*f.group = view.*f.view;
}

} // namespace

TGroupView ViewOfGroup(const TTaskProperties& group)
{
    TGroupView view;
    CopyToView(kTextFields, group, view);
    CopyToView(kSwitchFields, group, view);
    CopyToView(kNumberFields, group, view);
    view.PwdPrompt = group.PwdPrompt || group.Pwd.isEmpty();
    view.StartDelay = group.StartDelay;
    view.DelayBetween = DelayControlsFor(group.ParProc, group.StartDelay).BoxTicked;
    for (int i = 0; i < group.TaskCount(); ++i)
        view.Tasks.push_back({group.TaskFile(i), group.IsChecked(i)});
    return view;
}

void StoreView(const TGroupView& view, TTaskProperties& group)
{
    CopyToGroup(kTextFields, view, group);
    CopyToGroup(kSwitchFields, view, group);
    CopyToGroup(kNumberFields, view, group);
    group.PwdPrompt = view.PwdPrompt || view.UserPwd.isEmpty();
    group.StartDelay = view.DelayBetween ? view.StartDelay : 0;
    group.ClearTasks();
    for (const TStoredTask& task : view.Tasks)
        group.AddTask(task.File, task.Selected);
}

TDelayControls DelayControlsFor(bool parallel, int delayValue)
{
    return {parallel, delayValue != 0, parallel};
}

int DelayAfterTicking(int delayValue)
{
    return delayValue == 0 ? kDefaultStartDelay : delayValue;
}

bool ShowsDisplayTime(int status)
{
    return status == 1 || status == 3;
}

int RowAfterRemove(int row, int count)
{
    if (count <= 0)
        return -1;
    return std::min(row, count - 1);
}

int SwapTarget(int row, int delta, int count)
{
    const int target = row + delta;
    if (row < 0 || row >= count || target < 0 || target >= count)
        return -1;
    return target;
}

TAddedGroup AddGroup(TStarterSettings& settings, const QString& name)
{
    const int existing = settings.IndexOfGroup(name);
    if (existing >= 0)
        return {existing, true};
    settings.Groups.push_back(std::make_unique<TTaskProperties>(name));
    return {int(settings.Groups.size()) - 1, false};
}

int EnsureShownGroup(TStarterSettings& settings, int index)
{
    if (settings.Groups.empty())
        settings.Groups.push_back(std::make_unique<TTaskProperties>(Tr("New group")));
    return (index >= 0 && index < int(settings.Groups.size())) ? index : 0;
}

TEntryListEdit::TEntryListEdit(const QStringList& names)
{
    for (int i = 0; i < names.size(); ++i)
        FEntries.push_back({names[i], i});
}

QStringList TEntryListEdit::Names() const
{
    QStringList names;
    for (const TListEntry& e : FEntries)
        names.append(e.Name);
    return names;
}

int TEntryListEdit::Remove(std::vector<int> rows)
{
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    if (rows.empty())
        return -1;
    const int first = rows.front();
    for (auto it = rows.rbegin(); it != rows.rend(); ++it)
        if (*it >= 0 && *it < int(FEntries.size()))
            FEntries.erase(FEntries.begin() + *it);
    return RowAfterRemove(first, int(FEntries.size()));
}

bool TEntryListEdit::Rename(int row, const QString& name)
{
    if (row < 0 || row >= int(FEntries.size()) || name.isEmpty())
        return false;
    for (int i = 0; i < int(FEntries.size()); ++i)
        if (i != row && FEntries[size_t(i)].Name.compare(name, Qt::CaseInsensitive) == 0)
            return false;
    FEntries[size_t(row)].Name = name;
    return true;
}

namespace {

// Moves the rows one place towards the front of `order` (the entries seen from the moving
// direction); a row stays where every place before it is taken by moved rows.
std::vector<int> MoveTowardsFront(std::vector<TListEntry>& entries, std::vector<int> rows, bool up)
{
    const int n = int(entries.size());
    auto at = [&](int k) -> TListEntry& { return entries[size_t(up ? k : n - 1 - k)]; };
    std::vector<int> seen;
    for (int r : rows)
        if (r >= 0 && r < n)
            seen.push_back(up ? r : n - 1 - r);
    std::sort(seen.begin(), seen.end());
    seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
    std::vector<int> moved;
    int blocked = 0; // places at the front held by rows that could not move
    for (int k : seen) {
        if (k == blocked) {
            ++blocked;
            moved.push_back(k);
            continue;
        }
        std::swap(at(k), at(k - 1));
        moved.push_back(k - 1);
    }
    std::vector<int> result;
    for (int k : moved)
        result.push_back(up ? k : n - 1 - k);
    std::sort(result.begin(), result.end());
    return result;
}

} // namespace

std::vector<int> TEntryListEdit::MoveUp(std::vector<int> rows)
{
    return MoveTowardsFront(FEntries, std::move(rows), true);
}

std::vector<int> TEntryListEdit::MoveDown(std::vector<int> rows)
{
    return MoveTowardsFront(FEntries, std::move(rows), false);
}

int ApplyGroupList(TStarterSettings& settings, const std::vector<TListEntry>& entries,
                   int selectedRow)
{
    TGroupList groups;
    for (const TListEntry& e : entries) {
        if (e.Origin < 0 || e.Origin >= int(settings.Groups.size()) ||
            !settings.Groups[size_t(e.Origin)])
            continue;
        groups.push_back(std::move(settings.Groups[size_t(e.Origin)]));
        groups.back()->Desc = e.Name;
    }
    settings.Groups = std::move(groups);
    return EnsureShownGroup(settings, selectedRow);
}

bool PromptAfterPasswordDialog(const QString& userPwd)
{
    return userPwd.isEmpty();
}

QString EditTaskCommandLine(const QString& kvPath, const QString& altLogDir,
                            const QString& taskFile)
{
    QString line = QuotedPath(kvPath);
    line += OptionText(QStringLiteral("startapp"), QStringLiteral("kvstarter"));
    if (!altLogDir.isEmpty())
        line += OptionText(QStringLiteral("logdir"), altLogDir);
    line += u' ' + QuotedPath(taskFile);
    line += OptionText(QStringLiteral("edit"));
    return line;
}

QString SaveSettingsWithMessage(const QString& fileName, const TStarterSettings& settings)
{
    try {
        SaveStarterSettings(fileName, settings);
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    }
    return QString();
}

QString SettingsReadError(const QString& fileName)
{
    try {
        TUnicodeIniFile::CreateForRead(fileName);
    } catch (const EFOpenError& e) {
        return e.Message();
    } catch (const std::exception&) {
    }
    return QString();
}
