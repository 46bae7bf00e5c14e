#pragma once

#include <initializer_list>

#include <QString>

#include "common/tasks/WinTask.h"

// Words for what the scheduler reports: names of states and types, trigger sentences.

QString StatusText(TWinTaskStatus status);
QString ActionTypeText(TWinTaskActionType type);
QString TriggerTypeText(TWinTaskTriggerType type);
QString CompatibilityText(TWinTaskCompatibility compatibility);

// The sentence that describes a trigger ("At 06:30 every day").
QString TriggerDescription(const TWinTaskTrigger& trigger);

// One argument of a sentence template: a text (%s) or an unsigned number (%u, %d).
struct TTemplateArg {
    QString text;
    bool number = false;
};
inline TTemplateArg TextArg(const QString& text)
{
    return {text, false};
}
inline TTemplateArg NumberArg(qint64 value)
{
    return {QString::number(value), true};
}
// Fills the template; "Format error: " and the template when a placeholder has no argument or
// an argument of the wrong kind.
QString FormatTemplate(const QString& format, std::initializer_list<TTemplateArg> args);
// The repetition phrase of a number of seconds ("every 2 hours").
QString RepetitionPhrase(std::uint32_t seconds);
