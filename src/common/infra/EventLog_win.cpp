#include "common/infra/EventLog.h"

#include <string>
#include <vector>

#include "common/platform/WinEventLog_win.h"

namespace {

constexpr char kSource[] = "Kelvara";
// The identifier of a plain line (an information message without own text resource).
constexpr std::uint32_t kLineEventId = 0;

TWinEventType WinType(TEventType type)
{
    switch (type) {
    case TEventType::Warning:
        return TWinEventType::Warning;
    case TEventType::Error:
        return TWinEventType::Error;
    case TEventType::Information:
        break;
    }
    return TWinEventType::Information;
}

} // namespace

bool EventSourceRegistered()
{
    return WinEventSourceRegistered(kSource);
}

void WriteEvent(const TEventEntry& entry)
{
    std::vector<std::string> strings;
    for (const QString& text : entry.strings)
        strings.push_back(text.toStdString());
    ReportWinEvent(kSource, WinType(entry.type), kEventCategory, entry.id, strings);
}

void WriteSystemLog(TEventType type, const QString& text)
{
    ReportWinEvent(kSource, WinType(type), kEventCategory, kLineEventId, {text.toStdString()});
}
