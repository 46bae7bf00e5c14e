#include "common/infra/Reporter.h"

#include <cstdio>

#include "common/infra/Translate.h"

namespace {

void Print(const QString& hint, const char* defaultTitle, const QString& suffix = QString())
{
    const THintParts parts = SplitHint(hint);
    const QString title = parts.title.isEmpty() ? TrDialogs(defaultTitle) : parts.title;
    const QByteArray text =
        (title + QStringLiteral(": ") + PlainLines(parts.message) + suffix + u'\n').toLocal8Bit();
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
