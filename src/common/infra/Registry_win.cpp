#include "common/infra/Registry.h"

#include "common/platform/WinRegistry_win.h"

namespace {

TRegRoot Root(TRegHive hive)
{
    return hive == TRegHive::LocalMachine ? TRegRoot::LocalMachine : TRegRoot::CurrentUser;
}

} // namespace

QString RegistryFile(TRegHive hive)
{
    // No file stands in for the hive here: the name of the hive itself.
    return hive == TRegHive::LocalMachine ? QStringLiteral("HKEY_LOCAL_MACHINE")
                                          : QStringLiteral("HKEY_CURRENT_USER");
}

QString ReadRegistryString(TRegHive hive, const QString& key, const QString& name,
                           const QString& def)
{
    const auto value = ReadRegString(Root(hive), key.toStdString(), name.toStdString());
    return value ? QString::fromStdString(*value) : def;
}

bool WriteRegistryString(TRegHive hive, const QString& key, const QString& name,
                         const QString& value)
{
    return WriteRegString(Root(hive), key.toStdString(), name.toStdString(), value.toStdString());
}
