#include "planner/Clock.h"

#include <QtGlobal>

QDate TSystemClock::Today() const
{
    const QDate preset = QDate::fromString(qEnvironmentVariable("KVPLANER_TODAY"), Qt::ISODate);
    return preset.isValid() ? preset : QDate::currentDate();
}

int DaysSince1899(const QDate& date)
{
    return int(QDate(1899, 12, 30).daysTo(date));
}
