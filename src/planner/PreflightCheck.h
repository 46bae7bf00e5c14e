#pragma once

#include <QDate>
#include <QString>
#include <QStringList>

class TCheckReport;
class TClock;
struct TSchedTask;

// Tells, without starting a backup, what the schedule's next run makes and whether it would work.

// The items of one schedule on the given day.
void CheckScheduleItems(const TSchedTask& s, const QDate& today, TCheckReport& report);

// "--check NAME [/ini:file]": arguments are those after "--check". Prints one line per item on
// standard output; returns 0 (all OK), 1 (warnings) or 2 (a failure).
int RunPlanerCheck(const QStringList& arguments, const TClock& clock);
