#include "common/infra/EventLog.h"

#include <syslog.h>

namespace {

int Priority(TEventType type)
{
    switch (type) {
    case TEventType::Warning:
        return LOG_WARNING;
    case TEventType::Error:
        return LOG_ERR;
    case TEventType::Information:
        break;
    }
    return LOG_INFO;
}

} // namespace

bool EventSourceRegistered()
{
    // The system log takes entries from any program.
    return true;
}

void WriteSystemLog(TEventType type, const QString& text)
{
    const QByteArray line = text.toUtf8();
    openlog("Kelvara", LOG_PID, LOG_USER);
    syslog(Priority(type), "%s", line.constData());
    closelog();
}

void WriteEvent(const TEventEntry& entry)
{
    WriteSystemLog(entry.type, EventLogText(entry));
}
