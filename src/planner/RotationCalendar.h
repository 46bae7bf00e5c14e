#pragma once

#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>

#include "planner/StepPlan.h"

class TClock;

// One day of a schedule's calendar: what the scheduled run of that day makes.
struct TCalendarDay {
    QDate Date;
    bool DoneToday = false; // today's backup was made already: the run makes none
    TStepPlan Plan;         // Plan.Waiting: no backup, the rotation waits for its first weekday
};

// Days the calendar shows unless told otherwise, and the limits of what it works out.
inline constexpr int kCalendarDays = 28;
inline constexpr int kMaxCalendarDays = 366;
inline constexpr int kMaxCalendarReach = 36525; // days after today (100 years)

// The runs of count days from first on, assuming one successful run a day from today on,
// each worked out from the progress the runs before it stored. Empty when the schedule cannot
// run, first lies before today or beyond the reach, or count is out of range.
QVector<TCalendarDay> RotationCalendar(const TSchedTask& s, const QDate& today, const QDate& first,
                                       int count);

// The rotation in one sentence.
QString RotationText(const TSchedTask& s);
// What a day without a run does to the rotation, in one sentence.
QString MissedDayText(const TSchedTask& s);
// Column titles of the calendar table.
QStringList CalendarHeaders();
// The cells of one day: date (in the given text), weekday, step, mode, folder, catch-up folder.
QStringList CalendarCells(const TSchedTask& s, const TCalendarDay& day, const QString& dateText);

// The first argument that asks for a schedule's calendar instead of a run.
inline constexpr const char* kCalendarOption = "--calendar";
// True when the command line begins with kCalendarOption.
bool IsCalendarCommand(int argc, char** argv);
// "--calendar NAME [DAYS] [FIRST-DAY] [/ini:file]": arguments are those after "--calendar".
// Prints the schedule's calendar on standard output (errors on standard error); 0 on success,
// 2 on an error.
int RunPlanerCalendar(const QStringList& arguments, const TClock& clock);
