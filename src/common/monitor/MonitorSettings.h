#pragma once

#include <QString>

class TMemIniFile;

// What the [Monitoring] section of a program's settings file holds.
struct TMonitorSettings {
    QString MetricsDir; // folder read by the metrics collector; empty: no metrics
    QString PingCaFile; // PEM certificates that pings trust besides the system's
};

// Reads the [Monitoring] section; missing keys read as empty.
TMonitorSettings ReadMonitorSettings(const TMemIniFile& ini);
// Writes the [Monitoring] section; nothing when every value is empty.
void WriteMonitorSettings(TMemIniFile& ini, const TMonitorSettings& settings);
