#include "common/infra/EventLog.h"

#include <syslog.h>

namespace {

struct TTypeInfo {
    const char* name;
    int priority;
};

TTypeInfo TypeInfo(TEventType type)
{
    switch (type) {
    case TEventType::Warning:
        return {"warning", LOG_WARNING};
    case TEventType::Error:
        return {"error", LOG_ERR};
    case TEventType::Information:
        break;
    }
    return {"information", LOG_INFO};
}

} // namespace

QString LogQuoted(const QString& value)
{
    // One entry stays one log line, whatever the inserted strings hold.
    QString text = value;
    text.replace(u'\\', QStringLiteral("\\\\"));
    text.replace(u'"', QStringLiteral("\\\""));
    text.replace(u'\r', QStringLiteral("\\r"));
    text.replace(u'\n', QStringLiteral("\\n"));
    return u'"' + text + u'"';
}

bool EventSourceRegistered()
{
    // The system log takes entries from any program.
    return true;
}

QString EventLogText(const TEventEntry& entry)
{
    const QString id = QStringLiteral("%1").arg(entry.id, 8, 16, QLatin1Char('0')).toUpper();
    QString text = QStringLiteral("event 0x") + id + QStringLiteral(" (") +
                   QLatin1String(TypeInfo(entry.type).name) + QStringLiteral(", category ") +
                   QString::number(kEventCategory) + QStringLiteral("):");
    for (const QString& s : entry.strings)
        text += u' ' + LogQuoted(s);
    return text;
}

void WriteSystemLog(TEventType type, const QString& text)
{
    const QByteArray line = text.toUtf8();
    openlog("Kelvara", LOG_PID, LOG_USER);
    syslog(TypeInfo(type).priority, "%s", line.constData());
    closelog();
}

void WriteEvent(const TEventEntry& entry)
{
    WriteSystemLog(entry.type, EventLogText(entry));
}
