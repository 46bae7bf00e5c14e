#include "planner/Clock.h"

QDate TSystemClock::Today() const
{
    return QDate::currentDate();
}

int DaysSince1899(const QDate& date)
{
    return int(QDate(1899, 12, 30).daysTo(date));
}
