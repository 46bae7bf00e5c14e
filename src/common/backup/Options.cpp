#include "common/backup/Options.h"

#include "common/platform/CommandLine.h"

namespace {

bool NeedsQuotes(const QString& word)
{
    return !word.isEmpty() && NeedsCommandLineQuotes(word.toStdString());
}

} // namespace

QString AlwaysQuoted(const QString& word)
{
    QString inner = word;
    inner.replace(u'"', QStringLiteral("\"\""));
    return u'"' + inner + u'"';
}

QString QuotedPath(const QString& path)
{
    return NeedsQuotes(path) ? AlwaysQuoted(path) : path;
}

QString OptionText(const QString& keyword)
{
    return QStringLiteral(" /") + keyword;
}

QString OptionText(const QString& keyword, const QString& value)
{
    return u' ' + QuotedPath(u'/' + keyword + u':' + value);
}

QString OptionText(const QString& keyword, qint64 value)
{
    return OptionText(keyword, QString::number(value));
}

QStringList SplitCommandLine(const QString& commandLine)
{
    QStringList words;
    for (const std::string& word : SplitCommandLine(commandLine.toStdString()))
        words.append(QString::fromStdString(word));
    return words;
}

bool IsOptionParam(const QString& param)
{
    return param.startsWith(u'/') || param.startsWith(u'-');
}

bool IsKeywordBeginning(const QString& text, const QString& keyword)
{
    return text.size() <= keyword.size() &&
           text.toLower() == QStringView(keyword).left(text.size());
}

TOptionMatch MatchOption(const QString& param, std::span<const TOptionKeyword> keywords)
{
    if (!IsOptionParam(param))
        return {};
    const QString text = param.mid(1);
    const qsizetype colon = text.indexOf(u':');
    for (const TOptionKeyword& k : keywords) {
        const QString keyword = QString::fromLatin1(k.keyword);
        if (k.hasValue) {
            if (colon >= 0 && IsKeywordBeginning(text.left(colon), keyword))
                return {k.id, text.mid(colon + 1)};
        } else if (IsKeywordBeginning(text, keyword)) {
            return {k.id, QString()};
        }
    }
    return {};
}

int MatchOptionValue(const QString& value, const QStringList& values)
{
    for (qsizetype i = 0; i < values.size(); ++i)
        if (IsKeywordBeginning(value, values[i]))
            return int(i);
    return -1;
}

std::optional<int> LeadingInteger(const QString& value)
{
    const qsizetype blank = value.indexOf(u' ');
    bool ok = false;
    const int n = (blank < 0 ? value : value.left(blank)).toInt(&ok);
    return ok ? std::optional<int>(n) : std::nullopt;
}
