#pragma once

#include <QDate>

// Where the run takes today's date from.
class TClock {
public:
    virtual ~TClock() = default;
    virtual QDate Today() const = 0;
};

// The system's date.
class TSystemClock : public TClock {
public:
    QDate Today() const override;
};

// Whole days since 30 December 1899, the date form of the settings file.
int DaysSince1899(const QDate& date);
