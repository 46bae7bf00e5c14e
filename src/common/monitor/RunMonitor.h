#pragma once

#include <functional>

#include <QElapsedTimer>
#include <QString>

#include "common/monitor/MetricsFile.h"
#include "common/monitor/MonitorSettings.h"
#include "common/monitor/PingClient.h"

// A part of the monitoring output that could not be delivered.
struct TMonitorFailure {
    QString Target; // metrics folder or ping address
    QString Reason;
    QString Text; // translated, for a log line
};

// The journal line of a run: program, group or schedule, outcome ("success", "failure", or
// "skipped" when no backup was due), errors, exit code, duration and for rotations mode and step.
QString RunJournalText(const TMonitoredProgram& program, const TRunRecord& record, bool madeBackup);

// Tells monitoring systems about the runs of one program: pings before and after each run, the
// metrics file and a journal entry after it. Failures never change a run's outcome; they are
// handed to the failure function.
class TRunMonitor {
public:
    TRunMonitor(const TMonitoredProgram& program, TMonitorSettings settings,
                std::function<void(const TMonitorFailure&)> failure);

    // Seconds since 1970 of a run's end (defaults to the system's clock).
    std::function<qint64()> Now;
    // Writes a journal line (defaults to the system's log).
    std::function<void(bool failed, const QString& text)> Journal;

    // Sends the start ping when there is an address; the run's time is taken from here on.
    void Begin(const QString& pingUrl);
    // Completes the record with end time and duration, sends the closing ping, rewrites the
    // metrics file (unless the run made no backup) and writes the journal line.
    void End(TRunRecord record, const QString& pingUrl, bool madeBackup = true);

private:
    void Ping(const QString& url, TPingKind kind);

    const TMonitoredProgram& FProgram;
    TMonitorSettings FSettings;
    std::function<void(const TMonitorFailure&)> FFailure;
    QElapsedTimer FTimer;
};
