#pragma once

#include <optional>
#include <utility>

#include <QByteArray>
#include <QList>
#include <QProcess>
#include <QString>

// The metrics collector (Debian's prometheus-node-exporter) with only its textfile collector,
// listening on 127.0.0.1 for one test; stopped when the object goes.
class TNodeExporter {
public:
    TNodeExporter() = default;
    ~TNodeExporter();
    TNodeExporter(const TNodeExporter&) = delete;
    TNodeExporter& operator=(const TNodeExporter&) = delete;

    // True when the program is installed.
    static bool Available();
    // Starts it over the folder and waits until it answers; empty, or what went wrong.
    QString Start(const QString& folder);
    // The text of /metrics; empty when it did not answer.
    QByteArray Scrape() const;

private:
    QProcess fProcess;
    quint16 fPort = 0;
};

// The value of the series in a scraped text whose name and labels (in any order) match;
// nullopt when there is none.
std::optional<double> ScrapedValue(const QByteArray& text, const QString& name,
                                   const QList<std::pair<QString, QString>>& labels = {});
