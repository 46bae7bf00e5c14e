#include "common/infra/EventLog.h"

namespace {

const char* TypeName(TEventType type)
{
    switch (type) {
    case TEventType::Warning:
        return "warning";
    case TEventType::Error:
        return "error";
    case TEventType::Information:
        break;
    }
    return "information";
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

QString EventLogText(const TEventEntry& entry)
{
    const QString id = QStringLiteral("%1").arg(entry.id, 8, 16, QLatin1Char('0')).toUpper();
    QString text = QStringLiteral("event 0x") + id + QStringLiteral(" (") +
                   QLatin1String(TypeName(entry.type)) + QStringLiteral(", category ") +
                   QString::number(kEventCategory) + QStringLiteral("):");
    for (const QString& s : entry.strings)
        text += u' ' + LogQuoted(s);
    return text;
}
