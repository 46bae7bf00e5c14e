#include "common/infra/Registry.h"

#include <QDir>
#include <QFileInfo>

#include "common/infra/IniFileUtils.h"
#include "common/infra/KnownFolders.h"

QString RegistryFile(TRegHive hive)
{
    if (hive == TRegHive::LocalMachine) {
        const QString overridden = qEnvironmentVariable("KELVARA_MACHINE_REGISTRY");
        return overridden.isEmpty() ? QStringLiteral("/etc/Kelvara6/registry.ini") : overridden;
    }
    const QString config = GetKnownFolder(TKnownFolder::RoamingAppData);
    return config.isEmpty() ? QString() : config + QStringLiteral("Kelvara6/registry.ini");
}

QString ReadRegistryString(TRegHive hive, const QString& key, const QString& name,
                           const QString& def)
{
    try {
        const TMemIniFile ini(RegistryFile(hive));
        return ini.ReadString(key, name, def);
    } catch (const std::exception&) {
        return def;
    }
}

bool WriteRegistryString(TRegHive hive, const QString& key, const QString& name,
                         const QString& value)
{
    const QString file = RegistryFile(hive);
    if (file.isEmpty() || !QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    try {
        auto ini = TUnicodeIniFile::CreateForWrite(file, false);
        ini->WriteString(key, name, value);
        ini->Close();
        return true;
    } catch (const std::exception&) {
        return false;
    }
}
