#include "common/tasks/NextRunTime.h"

#include "common/tasks/TaskTimes.h"

namespace {

constexpr qint64 kSearchDays = 3660; // ten years hold every 29 February pattern

// Sunday-based weekday index: 0 Sunday ... 6 Saturday.
int WeekdayBit(QDate day)
{
    return day.dayOfWeek() % 7;
}

QDate WeekStart(QDate day)
{
    return day.addDays(-WeekdayBit(day));
}

qint64 CeilDiv(qint64 a, qint64 b)
{
    return a <= 0 ? 0 : (a + b - 1) / b;
}

std::optional<QDate> NextDaily(const TTaskTriggerData& t, QDate start, QDate from)
{
    const qint64 n = qMax(1, t.daysInterval);
    return start.addDays(CeilDiv(start.daysTo(from), n) * n);
}

std::optional<QDate> NextWeekly(const TTaskTriggerData& t, QDate start, QDate from)
{
    const int mask = t.daysOfWeek & 0x7F;
    if (mask == 0)
        return std::nullopt;
    const qint64 n = qMax(1, t.weeksInterval);
    const QDate firstWeek = WeekStart(start);
    // The first week of the interval that can still hold a day on or after `from`.
    qint64 week = CeilDiv(firstWeek.daysTo(WeekStart(from)), 7 * n) * n;
    for (int round = 0; round < 3; ++round, week += n) {
        const QDate weekStart = firstWeek.addDays(week * 7);
        for (int i = 0; i < 7; ++i) {
            const QDate day = weekStart.addDays(i);
            if (day >= from && (mask & (1 << i)))
                return day;
        }
    }
    return std::nullopt;
}

bool MonthlyMatches(const TTaskTriggerData& t, QDate day)
{
    if (!(t.monthsOfYear & (1 << (day.month() - 1))))
        return false;
    const bool lastDay = day.day() == day.daysInMonth();
    if (t.type == TriggerKind::kMonthly)
        return (t.daysOfMonth & (1 << (day.day() - 1))) || (t.runOnLastDayOfMonth && lastDay);
    if (!(t.daysOfWeek & (1 << WeekdayBit(day))))
        return false;
    const int week = (day.day() - 1) / 7; // 0..4
    const bool inLastWeek = day.day() > day.daysInMonth() - 7;
    return (week < 4 && (t.weeksOfMonth & (1 << week))) || (t.runOnLastWeekOfMonth && inLastWeek);
}

std::optional<QDate> NextMonthly(const TTaskTriggerData& t, QDate from)
{
    if ((t.monthsOfYear & 0xFFF) == 0)
        return std::nullopt;
    for (qint64 i = 0; i < kSearchDays; ++i) {
        const QDate day = from.addDays(i);
        if (MonthlyMatches(t, day))
            return day;
    }
    return std::nullopt;
}

// The local date-time of a clock time; a time the clock skips (summer time starts) becomes the
// first minute after the gap, so that day's run is not lost.
QDateTime LocalTime(QDate day, QTime time)
{
    const QDateTime value(day, time);
    if (value.isValid())
        return value;
    for (int minutes = 1; minutes <= 180; ++minutes) {
        const QTime later = time.addSecs(minutes * 60);
        if (later < time)
            break;
        const QDateTime shifted(day, QTime(later.hour(), later.minute()));
        if (shifted.isValid())
            return shifted;
    }
    return value;
}

// The first of base, base + interval, ... after `after` within the repetition duration.
QDateTime FirstRunAfter(const QDateTime& base, const QDateTime& after, qint64 interval,
                        qint64 duration)
{
    if (base > after)
        return base;
    if (interval <= 0)
        return QDateTime();
    const qint64 steps = base.secsTo(after) / interval + 1;
    if (duration > 0 && steps * interval >= duration)
        return QDateTime();
    return base.addSecs(steps * interval);
}

} // namespace

bool IsCalendarTrigger(int type)
{
    return type >= TriggerKind::kTime && type <= TriggerKind::kMonthlyDow;
}

std::optional<QDate> NextTriggerDay(const TTaskTriggerData& t, QDate from)
{
    const QDateTime start = TaskTimeToDateTime(t.startBoundary);
    if (!IsDateTimeSet(start) || !IsCalendarTrigger(t.type))
        return std::nullopt;
    const QDate first = qMax(from, start.date());
    switch (t.type) {
    case TriggerKind::kTime:
        return from <= start.date() ? std::optional<QDate>(start.date()) : std::nullopt;
    case TriggerKind::kDaily:
        return NextDaily(t, start.date(), first);
    case TriggerKind::kWeekly:
        return NextWeekly(t, start.date(), first);
    default:
        return NextMonthly(t, first);
    }
}

QDateTime NextTriggerRun(const TTaskTriggerData& t, const QDateTime& after)
{
    const QDateTime start = TaskTimeToDateTime(t.startBoundary);
    if (!t.enabled || !IsCalendarTrigger(t.type) || !IsDateTimeSet(start))
        return QDateTime();
    const QDateTime end = TaskTimeToDateTime(t.endBoundary);
    const bool hasEnd = IsDateTimeSet(end);
    const qint64 interval = DurationToSeconds(t.repetition.interval);
    const qint64 duration = interval > 0 ? DurationToSeconds(t.repetition.duration) : 0;
    // A repetition that began on an earlier day may still be running.
    const qint64 lookBack = interval <= 0 ? 0 : duration > 0 ? duration / 86400 + 1 : 400;

    if (t.type == TriggerKind::kTime) {
        const QDateTime run = FirstRunAfter(start, after, interval, duration);
        return run.isValid() && (!hasEnd || run <= end) ? run : QDateTime();
    }
    QDateTime best;
    std::optional<QDate> day = NextTriggerDay(t, after.date().addDays(-lookBack));
    for (int guard = 0; day && guard < 5000; ++guard) {
        const QDateTime base = LocalTime(*day, start.time());
        if ((best.isValid() && base > best) || (hasEnd && base > end))
            break;
        const QDateTime run = FirstRunAfter(base, after, interval, duration);
        if (run.isValid() && (!hasEnd || run <= end) && (!best.isValid() || run < best))
            best = run;
        day = NextTriggerDay(t, day->addDays(1));
    }
    return best;
}

QDateTime NextTaskRun(const TTaskDefinitionData& definition, const QDateTime& after)
{
    QDateTime best;
    for (const auto& t : definition.triggers) {
        const QDateTime run = NextTriggerRun(*t, after);
        if (run.isValid() && (!best.isValid() || run < best))
            best = run;
    }
    return best;
}
