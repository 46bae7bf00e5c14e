#pragma once

// Entries of the system's event log, in UTF-8.

#include <cstdint>
#include <string>
#include <vector>

enum class TWinEventType { Information, Warning, Error };

// The registry key under which the source is registered for the application log.
std::string EventSourceKey(const std::string& source);
// True when the source is registered for the application log.
bool WinEventSourceRegistered(const std::string& source);
// Writes an entry under the source; false when the system refuses.
bool ReportWinEvent(const std::string& source, TWinEventType type, std::uint16_t category,
                    std::uint32_t id, const std::vector<std::string>& strings);
