#include "common/monitor/MonitorSettings.h"

#include "common/infra/IniFileUtils.h"

namespace {

const QString kMonitoring = QStringLiteral("Monitoring");
const QString kMetricsDir = QStringLiteral("MetricsDir");
const QString kPingCaFile = QStringLiteral("PingCaFile");

} // namespace

TMonitorSettings ReadMonitorSettings(const TMemIniFile& ini)
{
    return {ini.ReadString(kMonitoring, kMetricsDir, QString()).trimmed(),
            ini.ReadString(kMonitoring, kPingCaFile, QString()).trimmed()};
}

void WriteMonitorSettings(TMemIniFile& ini, const TMonitorSettings& settings)
{
    ini.EraseSection(kMonitoring);
    if (!settings.MetricsDir.isEmpty())
        ini.WriteString(kMonitoring, kMetricsDir, settings.MetricsDir);
    if (!settings.PingCaFile.isEmpty())
        ini.WriteString(kMonitoring, kPingCaFile, settings.PingCaFile);
}
