#include "common/tasks/TaskTexts.h"

#include <array>
#include <functional>
#include <vector>

#include <QLocale>

#include "common/infra/Translate.h"

namespace {

constexpr std::array kStatusNames = {"Unknown", "Ready", "Queued", "Running", "Disabled"};
constexpr std::array kActionNames = {"Start a program", "File handler", "Send an email",
                                     "Display a message"};
constexpr std::array kTriggerNames = {"On an event",
                                      "One time",
                                      "Daily",
                                      "Weekly",
                                      "Monthly",
                                      "Monthly",
                                      "On idle",
                                      "On task creation/modification",
                                      "At startup",
                                      "At log on",
                                      "On session state change",
                                      "Custom trigger"};
constexpr std::array kCompatibilityNames = {"deprecated", "Windows XP", "Windows Vista",
                                            "Windows 7", "Windows 10"};
constexpr std::array kWeekOrdinals = {"First", "Second", "Third", "Fourth", "Last"};

template <size_t N> QString Named(const std::array<const char*, N>& names, int index)
{
    return index >= 0 && index < int(N) ? Tr(names[size_t(index)]) : QString();
}

struct TPlaceholder {
    qsizetype length = 0; // 0: no placeholder here
    int index = -1;       // -1: next in order
    QChar kind;
};

// The placeholder at position i of a template ("%s", "%1:u"), as the format function reads it.
TPlaceholder PlaceholderAt(const QString& f, qsizetype i)
{
    if (f[i] != u'%' || i + 1 >= f.size())
        return {};
    const QChar n = f[i + 1];
    if (n == u's' || n == u'd' || n == u'u')
        return {2, -1, n};
    if (!n.isDigit())
        return {};
    qsizetype j = i + 1;
    int index = 0;
    while (j < f.size() && f[j].isDigit())
        index = qMin(index * 10 + f[j++].digitValue(), 1000);
    if (j + 1 < f.size() && f[j] == u':' && QStringView(u"sdu").contains(f[j + 1]))
        return {j + 2 - i, index, f[j + 1]};
    return {};
}

bool TemplateFits(const QString& format, const std::vector<TTemplateArg>& args)
{
    int next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format[i] == u'%' && i + 1 < format.size() && format[i + 1] == u'%') {
            ++i;
            continue;
        }
        const TPlaceholder p = PlaceholderAt(format, i);
        if (p.length == 0)
            continue;
        const int index = p.index >= 0 ? p.index : next;
        if (index >= int(args.size()) || args[size_t(index)].number != (p.kind != u's'))
            return false;
        next = index + 1;
        i += p.length - 1;
    }
    return true;
}

QString JoinBits(int mask, int count, const std::function<QString(int)>& name)
{
    QStringList parts;
    for (int bit = 0; bit < count; ++bit)
        if (mask & (1 << bit))
            parts << name(bit);
    return parts.join(QStringLiteral(", "));
}

QString WeekdayList(int mask)
{
    // Bit 0 is Sunday, the locale counts from Monday (1) to Sunday (7).
    return JoinBits(mask, 7, [](int bit) { return QLocale().dayName(bit == 0 ? 7 : bit); });
}

QString MonthList(int mask)
{
    return JoinBits(mask, 12, [](int bit) { return QLocale().monthName(bit + 1); });
}

QString DayList(int mask)
{
    return JoinBits(mask, 32,
                    [](int bit) { return bit == 31 ? Tr("Last") : QString::number(bit + 1); });
}

QString WeekList(int mask)
{
    return JoinBits(mask, 5, [](int bit) { return Tr(kWeekOrdinals[size_t(bit)]); });
}

struct TUnitPhrase {
    std::uint32_t seconds;
    const char* one;
    const char* many;
};

// Whole days from a day on; below, whole hours, minutes or seconds.
TUnitPhrase UnitOf(std::uint32_t seconds, bool repeating)
{
    static constexpr TUnitPhrase kEvery[] = {{86400, "every day", "every %u days"},
                                             {3600, "every hour", "every %u hours"},
                                             {60, "every minute", "every %u minutes"},
                                             {1, "every second", "every %u seconds"}};
    static constexpr TUnitPhrase kFor[] = {{86400, "1 day", "%u days"},
                                           {3600, "1 hour", "%u hours"},
                                           {60, "1 minute", "%u minutes"},
                                           {1, "1 second", "%u seconds"}};
    const TUnitPhrase* table = repeating ? kEvery : kFor;
    for (int i = 0; i < 3; ++i)
        if (seconds >= table[i].seconds)
            return table[i];
    return table[3];
}

QString UnitPhrase(std::uint32_t seconds, bool repeating)
{
    const TUnitPhrase unit = UnitOf(seconds, repeating);
    const std::uint32_t count = seconds / unit.seconds;
    return count == 1 ? Tr(unit.one) : FormatTemplate(Tr(unit.many), {NumberArg(count)});
}

QString RepetitionText(const TWinTaskTrigger& t)
{
    const QString every = RepetitionPhrase(t.Interval());
    if (t.Duration() == 0)
        return FormatTemplate(Tr(" - After triggered, repeat %s indefinitely"), {TextArg(every)});
    return FormatTemplate(Tr(" - After triggered, repeat %0:s for a duration of %1:s"),
                          {TextArg(every), TextArg(UnitPhrase(t.Duration(), false))});
}

// ", starting at <time> on <date>" for triggers that start on a condition.
QString OptionalStart(const TWinTaskTrigger& t, const QString& time, const QString& date)
{
    if (!IsDateTimeSet(t.StartTime()))
        return QString();
    return FormatTemplate(Tr(", starting at %0:s on %1:s"), {TextArg(time), TextArg(date)});
}

} // namespace

QString StatusText(TWinTaskStatus status)
{
    return Named(kStatusNames, int(status));
}

QString ActionTypeText(TWinTaskActionType type)
{
    return Named(kActionNames, int(type));
}

QString TriggerTypeText(TWinTaskTriggerType type)
{
    return Named(kTriggerNames, int(type));
}

QString CompatibilityText(TWinTaskCompatibility compatibility)
{
    return Named(kCompatibilityNames, int(compatibility));
}

QString FormatTemplate(const QString& format, std::initializer_list<TTemplateArg> args)
{
    const std::vector<TTemplateArg> list(args);
    if (!TemplateFits(format, list))
        return Tr("Format error: ") + format;
    switch (list.size()) {
    case 0:
        return Fmt(format, {});
    case 1:
        return Fmt(format, {list[0].text});
    case 2:
        return Fmt(format, {list[0].text, list[1].text});
    case 3:
        return Fmt(format, {list[0].text, list[1].text, list[2].text});
    default:
        return Fmt(format, {list[0].text, list[1].text, list[2].text, list[3].text});
    }
}

QString RepetitionPhrase(std::uint32_t seconds)
{
    return UnitPhrase(seconds, true);
}

QString TriggerDescription(const TWinTaskTrigger& t)
{
    const QDateTime start = IsDateTimeSet(t.StartTime()) ? t.StartTime() : ZeroDateTime();
    const QLocale locale;
    const QString time = locale.toString(start.time(), HourMinuteFormat());
    const QString date = locale.toString(start.date(), ShortDateFormat());
    switch (t.TaskTrigger().type) {
    case TriggerKind::kEvent:
        return Tr("On an event") + OptionalStart(t, time, date);
    case TriggerKind::kTime:
        return FormatTemplate(Tr("At %0:s on %1:s"), {TextArg(time), TextArg(date)});
    case TriggerKind::kDaily:
        if (t.DaysInterval() <= 1)
            return FormatTemplate(Tr("At %s every day"), {TextArg(time)});
        return FormatTemplate(Tr("At %0:s every %1:u days"),
                              {TextArg(time), NumberArg(t.DaysInterval())}) +
               (t.Interval() != 0 ? RepetitionText(t) : QString());
    case TriggerKind::kWeekly:
        if (t.WeeksInterval() <= 1)
            return FormatTemplate(
                Tr("At %0:s every %1:s of every week, starting %2:s"),
                {TextArg(time), TextArg(WeekdayList(t.DaysOfWeek())), TextArg(date)});
        return FormatTemplate(Tr("At %0:s every %1:s of every %2:u weeks, starting %3:s"),
                              {TextArg(time), TextArg(WeekdayList(t.DaysOfWeek())),
                               NumberArg(t.WeeksInterval()), TextArg(date)});
    case TriggerKind::kMonthly:
        return FormatTemplate(Tr("At %0:s on %1:s of %2:s, starting %3:s"),
                              {TextArg(time), TextArg(DayList(t.DaysOfMonth())),
                               TextArg(MonthList(t.MonthsOfYear())), TextArg(date)});
    case TriggerKind::kMonthlyDow:
        return FormatTemplate(Tr("Runs on the %0:s %1:s, each %2:s starting %3:s"),
                              {TextArg(WeekList(t.WeeksOfMonth())),
                               TextArg(WeekdayList(t.DaysOfWeek())),
                               TextArg(MonthList(t.MonthsOfYear())), TextArg(date)});
    case TriggerKind::kIdle:
        return Tr("When computer is idle");
    case TriggerKind::kRegistration:
        return Tr("When task is created or modified");
    case TriggerKind::kBoot:
        return Tr("At system startup") + OptionalStart(t, time, date);
    case TriggerKind::kLogon:
        return (t.LogonUserId().isEmpty()
                    ? Tr("At logon of any user")
                    : FormatTemplate(Tr("At logon of %s"), {TextArg(t.LogonUserId())})) +
               OptionalStart(t, time, date);
    default:
        return Tr("Unknown");
    }
}
