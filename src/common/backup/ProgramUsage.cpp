#include "common/backup/ProgramUsage.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/infra/SettingsFolder.h"
#include "common/infra/Translate.h"
#include "common/infra/Translation.h"

#ifndef KV_BUILD_DATE
#define KV_BUILD_DATE "unknown"
#endif

namespace {

constexpr const char* kHelpCommand = "--help";
constexpr const char* kVersionCommand = "--version";
// Options longer than this get their text on a line of its own.
constexpr qsizetype kOptionColumn = 24;
constexpr qsizetype kTextColumn = kOptionColumn + 4;
constexpr qsizetype kLineWidth = 79;

bool IsLongCommand(const QString& word)
{
    return word.startsWith(QLatin1String("--"));
}

// The text's words in lines of at most kLineWidth characters; the first line goes on from
// `column`, the others begin with `indent` blanks.
QString Wrapped(const QString& text, qsizetype indent, qsizetype column)
{
    QString out;
    bool lineEmpty = true;
    for (const QString& word : text.split(u' ', Qt::SkipEmptyParts)) {
        if (!lineEmpty && column + 1 + word.size() > kLineWidth) {
            out += u'\n' + QString(indent, u' ');
            column = indent;
            lineEmpty = true;
        }
        if (!lineEmpty) {
            out += u' ';
            ++column;
        }
        out += word;
        column += word.size();
        lineEmpty = false;
    }
    return out + u'\n';
}

QString OptionLine(const TUsageOption& option)
{
    const QString lead = QStringLiteral("  ") + QString::fromUtf8(option.Option);
    const QString text = Tr(option.Text);
    if (lead.size() > kTextColumn - 2)
        return lead + u'\n' + QString(kTextColumn, u' ') + Wrapped(text, kTextColumn, kTextColumn);
    return lead.leftJustified(kTextColumn) + Wrapped(text, kTextColumn, kTextColumn);
}

void Print(std::FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

QStringList Arguments(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);
    return args;
}

} // namespace

TProgramCommand FindProgramCommand(const QStringList& args,
                                   std::initializer_list<const char*> commands)
{
    for (const QString& word : args) {
        if (!IsLongCommand(word))
            continue;
        if (word == QLatin1String(kHelpCommand))
            return {TProgramRequest::Help, word};
        if (word == QLatin1String(kVersionCommand))
            return {TProgramRequest::Version, word};
        const bool known = std::any_of(commands.begin(), commands.end(),
                                       [&](const char* c) { return word == QLatin1String(c); });
        if (!known)
            return {TProgramRequest::UnknownCommand, word};
    }
    return {};
}

QString UsageText(const TProgramUsage& usage, const QString& settingsFolder)
{
    const QString program = QString::fromUtf8(usage.Program);
    QString text;
    for (const char* line : usage.Synopsis) {
        text += (text.isEmpty() ? Tr("Usage:") : QString(Tr("Usage:").size(), u' ')) + u' ' +
                program + u' ' + QString::fromUtf8(line) + u'\n';
    }
    text += u'\n' + Wrapped(Tr(usage.Summary), 0, 0) + u'\n';
    text += Wrapped(Tr("Options begin with \"/\" or \"-\" and may be shortened to any leading "
                       "part (/i:FILE is /ini:FILE):"),
                    0, 0);
    for (const TUsageOption& option : usage.Options)
        text += OptionLine(option);
    text += u'\n' + Wrapped(Fmt(Tr(usage.Files), {settingsFolder}), 0, 0);
    return text;
}

QString VersionText(const char* program)
{
    return Fmt(Tr("%s %s (built %s)"),
               {QString::fromUtf8(program), QStringLiteral(KV_VERSION_STRING),
                QStringLiteral(KV_BUILD_DATE)}) +
           u'\n';
}

std::optional<int> AnswerProgramCommand(int argc, char** argv, const TProgramUsage& usage,
                                        std::initializer_list<const char*> commands)
{
    const TProgramCommand command = FindProgramCommand(Arguments(argc, argv), commands);
    if (command.Request == TProgramRequest::None)
        return std::nullopt;
    // The language as the program would choose it (/lang, Kelvara.cfg, the desktop's), read only.
    const QString settingsFolder = SettingsFolderPath();
    InitTranslation(settingsFolder, QStringLiteral("Kelvara.cfg"), {});
    switch (command.Request) {
    case TProgramRequest::Help:
        Print(stdout, UsageText(usage, settingsFolder));
        return 0;
    case TProgramRequest::Version:
        Print(stdout, VersionText(usage.Program));
        return 0;
    default:
        Print(stderr, Fmt(Tr("%s: unknown option \"%s\""),
                          {QString::fromUtf8(usage.Program), command.Word}) +
                          QStringLiteral("\n\n") + UsageText(usage, settingsFolder));
        return 2;
    }
}
