#include "common/infra/Reporter.h"

#include <cstdio>

#include "common/infra/Translate.h"

namespace {

void Print(const QString& message, const char* title, const QString& suffix = QString())
{
    const QByteArray text =
        (TrDialogs(title) + QStringLiteral(": ") + PlainLines(message) + suffix + u'\n')
            .toLocal8Bit();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
}

} // namespace

THintParts SplitHint(const QString& hint)
{
    const qsizetype bar = hint.indexOf(u'|');
    if (bar < 0)
        return {QString(), hint};
    return {hint.left(bar), hint.mid(bar + 1)};
}

QString UntitledHint(const QString& message)
{
    return u'|' + message;
}

QString PlainLines(const QString& text)
{
    QString lines = text;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return lines;
}

void StdErrReporter::Information(const QString& hint, int)
{
    if (!hint.isEmpty())
        Print(hint, "Information");
}

void StdErrReporter::Error(const QString& hint, int)
{
    if (!hint.isEmpty())
        Print(hint, "Error");
}

bool StdErrReporter::Confirm(const QString& hint)
{
    // Nobody can answer: the question is told and answered No.
    if (!hint.isEmpty())
        Print(hint, "Confirm", u' ' + TrDialogs("No"));
    return false;
}

void StdErrReporter::Event(const TEventEntry& entry)
{
    WriteEvent(entry);
}
