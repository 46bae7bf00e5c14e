#pragma once

#include <functional>

#include <QDate>
#include <QDialog>

#include "planner/Schedules.h"

class QDateEdit;
class QLabel;
class QPushButton;
class QTableWidget;

// The next days of a schedule's rotation: step, mode, folder and catch-up full backup of each
// day's run, from today or from a chosen day on.
class TRotationCalendarDialog : public QDialog {
    Q_OBJECT

public:
    TRotationCalendarDialog(const TSchedTask& schedule, const QDate& today,
                            QWidget* parent = nullptr);

    // Shows the days from first on (first is kept between today and the calendar's reach).
    void ShowFrom(const QDate& first);

    QLabel* lbRotation;
    QDateEdit* deFirst;
    QTableWidget* tvCalendar;
    QLabel* lbMissed;
    QPushButton* btClose;

private:
    TSchedTask FSchedule;
    QDate FToday;
};

// Creates the dialog for the schedule, runs it and frees it.
void ShowRotationCalendar(const TSchedTask& schedule, const QDate& today);

// Tests look at the dialog through this hook instead of a person (empty: none).
void SetCalendarAnswerHook(std::function<void(TRotationCalendarDialog&)> hook);
