#pragma once

#include <QString>

// The hives of the registry substitute: INI files whose sections are key paths
// ("Software\Kelvara6") and whose keys are value names.
enum class TRegHive { CurrentUser, LocalMachine };

// The product's key below both hives.
inline const QString kProductRegKey = QStringLiteral("Software\\Kelvara6");

// File that stands in for the hive: $XDG_CONFIG_HOME/Kelvara6/registry.ini for the current user,
// /etc/Kelvara6/registry.ini (or $KELVARA_MACHINE_REGISTRY) for the machine.
QString RegistryFile(TRegHive hive);
// A string value; def when the file, key or value is missing.
QString ReadRegistryString(TRegHive hive, const QString& key, const QString& name,
                           const QString& def = QString());
// Writes a string value; false when the file cannot be written.
bool WriteRegistryString(TRegHive hive, const QString& key, const QString& name,
                         const QString& value);
