#pragma once

#include <cstdint>

#include <QDateTime>
#include <QString>

// Conversions between the scheduler's texts and the wrapper's numbers and date-times.
// A date-time "0" (no date) is a null QDateTime; values before 31 December 1899 count as unset.

// Duration text ("PT1H30M", "P1D") to whole seconds; 0 for a text that is no duration.
std::uint32_t DurationToSeconds(const QString& duration);
// Seconds to duration text: empty for 0, "PT…H…M…S" below a day, else whole days "P…D".
QString SecondsToDuration(std::uint32_t seconds);
// Date-time text to local clock time (the zone is not applied); null for empty or invalid
// texts. hasZone tells whether anything followed the seconds.
QDateTime TaskTimeToDateTime(const QString& text, bool* hasZone = nullptr);
// Local date-time to "yyyy-MM-ddTHH:mm:ss", with the UTC offset of that time ("Z", "+01:00")
// when withZone is set; empty for an unset value.
QString DateTimeToTaskTime(const QDateTime& value, bool withZone);
// The locale's short date and long time (time left out at midnight); empty before 2000.
QString TaskTimeToDisplay(const QDateTime& value);

// True for a date-time on or after 31 December 1899 (day 1 of the time scale).
bool IsDateTimeSet(const QDateTime& value);
// Day 0 of the time scale, 30 December 1899 00:00.
QDateTime ZeroDateTime();

// The user locale's short date format with four-digit years.
QString ShortDateFormat();
// The user locale's long time format, without a time zone.
QString LongTimeFormat();
// "HH:mm" with the user locale's time separator.
QString HourMinuteFormat();
