#include "planner/RotationCalendar.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include <QFileInfo>

#include "common/infra/Reporter.h"
#include "common/infra/Translate.h"
#include "planner/BackupLauncher.h"
#include "planner/Clock.h"
#include "planner/ScheduleRun.h"

namespace {

// The stored progress after the day's run, as the run stores it after a successful start.
void RunDay(TSchedTask& state, TCalendarDay& day)
{
    const int date = DaysSince1899(day.Date);
    if (state.LastDay == date) {
        day.DoneToday = true;
        return;
    }
    day.Plan = PlanStep(state, day.Date.dayOfWeek(), false);
    if (day.Plan.Waiting)
        return;
    state.NextCyc = day.Plan.NextCyc;
    state.LastFull = day.Plan.LastFull;
    state.LastDay = date;
}

QString PartialModeWord(const TSchedTask& s)
{
    return s.Diff ? Tr("differential") : Tr("incremental");
}

QString ModeCell(const TSchedTask& s, const TCalendarDay& day)
{
    if (day.DoneToday)
        return Tr("none, made already today");
    if (day.Plan.Waiting)
        return Fmt(Tr("none, waits for %s"), {WeekdayName(s.FirstDay, true)});
    return Tr(day.Plan.Mode->name);
}

void Print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

// The rows padded to the widest cell of each column; the last column is not padded.
QString Table(const QVector<QStringList>& rows)
{
    QVector<int> widths;
    for (const QStringList& row : rows) {
        widths.resize(std::max(widths.size(), row.size()));
        for (int i = 0; i < row.size(); ++i)
            widths[i] = std::max(widths[i], int(row[i].size()));
    }
    QString text;
    for (const QStringList& row : rows) {
        QString line;
        for (int i = 0; i < row.size(); ++i)
            line += i + 1 < row.size() ? row[i].leftJustified(widths[i] + 2) : row[i];
        text += line.trimmed() + u'\n';
    }
    return text;
}

struct TCalendarRequest {
    QString Name;
    int Days = kCalendarDays;
    QDate First;         // invalid: today
    QStringList Options; // handed to the planner's start-up
    QString Error;       // not empty: the arguments are wrong
};

TCalendarRequest ReadCalendarArguments(const QStringList& arguments)
{
    TCalendarRequest request;
    int positional = 0;
    for (const QString& arg : arguments) {
        if (arg.startsWith(u'/') || arg.startsWith(u'-')) {
            request.Options << arg;
            continue;
        }
        bool isNumber = false;
        const int number = arg.toInt(&isNumber);
        const QDate date = QDate::fromString(arg, Qt::ISODate);
        if (positional++ == 0)
            request.Name = arg;
        else if (isNumber && number >= 1 && number <= kMaxCalendarDays)
            request.Days = number;
        else if (date.isValid())
            request.First = date;
        else
            request.Error = Fmt(Tr("\"%s\" is neither a number of days from 1 to %s nor a date "
                                   "written as yyyy-mm-dd!"),
                                {arg, QString::number(kMaxCalendarDays)});
    }
    if (request.Name.isEmpty())
        request.Error = Tr("Usage: KvPlaner --calendar NAME [DAYS] [FIRST-DAY] [/ini:file]");
    return request;
}

} // namespace

QVector<TCalendarDay> RotationCalendar(const TSchedTask& s, const QDate& today, const QDate& first,
                                       int count)
{
    QVector<TCalendarDay> days;
    if (!s.IsStartable() || count < 1 || count > kMaxCalendarDays || first < today ||
        today.daysTo(first) > kMaxCalendarReach)
        return days;
    days.reserve(count);
    TSchedTask state = s;
    const QDate last = first.addDays(count - 1);
    for (QDate date = today; date <= last; date = date.addDays(1)) {
        TCalendarDay day;
        day.Date = date;
        RunDay(state, day);
        if (date >= first)
            days.push_back(day);
    }
    return days;
}

QString RotationText(const TSchedTask& s)
{
    if (s.IsWeekly())
        return Fmt(Tr("a weekly rotation of %s weeks: a full backup on %s, %s backups on the "
                      "other days."),
                   {QString::number(s.Cycles), WeekdayName(s.FirstDay, true), PartialModeWord(s)});
    return Fmt(Tr("%s cycles of %s steps: a full backup at the start of each cycle, %s backups "
                  "in between."),
               {QString::number(s.Cycles), QString::number(s.Steps), PartialModeWord(s)});
}

QString MissedDayText(const TSchedTask& s)
{
    if (s.IsWeekly())
        return Fmt(Tr("A day without a run is not made up: the next run makes the next step in "
                      "the mode of its own weekday and the full backup stays on %s, so the steps "
                      "fall behind the weeks; a run that begins a new cycle whose full backup "
                      "was not made yet makes it first (catch-up)."),
                   {WeekdayName(s.FirstDay, true)});
    return Tr("A day without a run is not made up: the next run makes the step that was due, so "
              "the rest of the rotation moves one day later.");
}

QStringList CalendarHeaders()
{
    return {Tr("Date"), Tr("Day"), Tr("Step"), Tr("Mode"), Tr("Folder"), Tr("Catch-up full")};
}

QStringList CalendarCells(const TSchedTask& s, const TCalendarDay& day, const QString& dateText)
{
    const bool backup = !day.DoneToday && !day.Plan.Waiting;
    return {dateText,
            WeekdayName(day.Date.dayOfWeek(), false),
            backup ? QString::number(day.Plan.Step) : QString(),
            ModeCell(s, day),
            backup ? day.Plan.Folder : QString(),
            backup ? day.Plan.CatchUpFolder : QString()};
}

bool IsCalendarCommand(int argc, char** argv)
{
    return argc > 1 && std::strcmp(argv[1], kCalendarOption) == 0;
}

int RunPlanerCalendar(const QStringList& arguments, const TClock& clock)
{
    const TCalendarRequest request = ReadCalendarArguments(arguments);
    if (!request.Error.isEmpty()) {
        Print(stderr, request.Error + u'\n');
        return 2;
    }
    StdErrReporter reporter;
    TSpawnLauncher unused; // nothing is started
    TPlanerRun run(reporter, unused, clock);
    run.StartUp(request.Options + QStringList{request.Name});
    const QDate today = clock.Today();
    const QDate first = request.First.isValid() ? request.First : today;
    const int index = FindSchedule(run.Settings.Schedules, request.Name);
    QString error;
    if (!QFileInfo(run.IniName).isFile())
        error = Fmt(Tr("Settings file \"%s\" not found"), {run.IniName});
    else if (index < 0)
        error = Fmt(Tr("Schedule \"%s\" not found!"), {request.Name});
    else if (!run.Settings.Schedules[size_t(index)].IsStartable())
        error = Tr("The number of cycles or steps of the schedule is invalid");
    else if (first < today || today.daysTo(first) > kMaxCalendarReach)
        error = Fmt(Tr("The calendar reaches from today (%s) to 100 years ahead: %s lies outside!"),
                    {today.toString(Qt::ISODate), first.toString(Qt::ISODate)});
    if (!error.isEmpty()) {
        Print(stderr, error + u'\n');
        return 2;
    }
    const TSchedTask& s = run.Settings.Schedules[size_t(index)];
    QVector<QStringList> rows{CalendarHeaders()};
    for (const TCalendarDay& day : RotationCalendar(s, today, first, request.Days)) {
        rows << CalendarCells(s, day, day.Date.toString(Qt::ISODate));
    }
    Print(stdout, Fmt(Tr("Schedule \"%s\":"), {s.SName}) + u' ' + RotationText(s) + u'\n' +
                      Table(rows) + MissedDayText(s) + u'\n');
    return 0;
}
