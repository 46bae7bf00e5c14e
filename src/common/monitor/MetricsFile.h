#pragma once

#include <optional>
#include <utility>

#include <QByteArray>
#include <QList>
#include <QString>

// A program whose runs are kept as metrics, one file per program.
struct TMonitoredProgram {
    const char* Name;     // program name in journal entries
    const char* FileName; // metrics file in the collector's folder
    const char* Prefix;   // of every metric name
    const char* Label;    // label naming the group or schedule
    bool Rotation;        // runs make a step of a rotation in a mode
};

inline constexpr TMonitoredProgram kStarterProgram{"KvStarter", "kvstarter.prom", "kelvara_starter",
                                                   "group", false};
inline constexpr TMonitoredProgram kPlanerProgram{"KvPlaner", "kvplaner.prom", "kelvara_planer",
                                                  "schedule", true};

// Outcome numbers of the backup program besides its own exit codes.
inline constexpr int kExitNotStarted = 7;

// What one run of a group or schedule came to.
struct TRunRecord {
    QString Name;        // group or schedule
    qint64 EndTime = 0;  // seconds since 1970
    double Duration = 0; // seconds
    int Errors = 0;
    int ExitCode = 0; // of the backup program; kExitNotStarted when it did not start
    QString Mode;     // rotation: "full", "differential" or "incremental"; empty: none made
    int Step = 0;     // rotation: the step made, 1 ...

    bool Succeeded() const { return Errors == 0; }
};

using TLabels = QList<std::pair<QString, QString>>;

// One line of a metrics file: metric name, labels and value.
struct TMetricSeries {
    QString Name;
    TLabels Labels;
    QString Value;

    QString Label(const QString& name) const;
};

// A label value in the text format: backslash, double quote and line feed escaped.
QString EscapeLabelValue(const QString& value);
// A series line of the text format; nullopt for comments, blank lines and anything malformed.
std::optional<TMetricSeries> ParseSeriesLine(const QString& line);
// The series that describe the run.
QList<TMetricSeries> RecordSeries(const TMonitoredProgram& program, const TRunRecord& record);
// The program's earlier series with those of the run's group or schedule replaced by the run's;
// a failed run keeps the time of the last success. Series of other names are dropped.
QList<TMetricSeries> MergeSeries(const TMonitoredProgram& program,
                                 const QList<TMetricSeries>& earlier, const TRunRecord& record);
// The file's text: each metric with its help and type, then its series sorted by labels.
QByteArray FormatMetrics(const TMonitoredProgram& program, const QList<TMetricSeries>& series);
// Merges the run into the program's file in the folder, replacing the file atomically.
// Empty on success, else the reason; the earlier file then stays as it was.
QString UpdateMetricsFile(const QString& folder, const TMonitoredProgram& program,
                          const TRunRecord& record);
