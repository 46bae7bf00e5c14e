#pragma once

#include <cstdint>

#include <QString>
#include <QStringList>

// Kind of an event-log entry.
enum class TEventType { Information, Warning, Error };

// One entry of the system's event log, written under the source "Kelvara".
struct TEventEntry {
    uint32_t id = 0;
    TEventType type = TEventType::Information;
    QStringList strings; // inserted strings, in order
};

// The category every entry of the programs carries.
inline constexpr int kEventCategory = 2;

// True when entries can be written (the event source is registered with the system).
bool EventSourceRegistered();
// Writes the entry to the system's event log; failures are silent.
void WriteEvent(const TEventEntry& entry);
// Writes one line to the system's log under the source "Kelvara"; failures are silent.
void WriteSystemLog(TEventType type, const QString& text);
// The text in double quotes, with backslashes, quotes and line breaks escaped: one log line.
QString LogQuoted(const QString& text);
// The text logged for an entry: "event 0x40000017 (information, category 2): "a" "b"".
QString EventLogText(const TEventEntry& entry);
