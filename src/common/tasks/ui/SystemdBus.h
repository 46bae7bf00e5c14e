#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringList>

// systemd's own interface on the user's message bus (org.freedesktop.systemd1), asked in this
// process instead of starting systemctl for every look.

// The object path of a unit ("a-b.service" -> ".../unit/a_2db_2eservice").
QString SystemdUnitObjectPath(const QString& unit);
// The main process id of each service (0: none, or not loaded); nullopt when the user's
// manager cannot be reached on the bus.
std::optional<std::vector<qint64>> SystemdBusMainPids(const QStringList& services);
