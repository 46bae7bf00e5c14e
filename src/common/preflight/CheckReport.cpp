#include "common/preflight/CheckReport.h"

#include <algorithm>

namespace {

struct TLevelInfo {
    TCheckLevel level;
    const char* label; // fixed, never translated: scripts look for it
    int exitCode;
};

constexpr TLevelInfo kLevels[] = {
    {TCheckLevel::Ok, "OK  ", 0},
    {TCheckLevel::Warn, "WARN", 1},
    {TCheckLevel::Fail, "FAIL", 2},
};

const TLevelInfo& InfoOf(TCheckLevel level)
{
    return *std::find_if(std::begin(kLevels), std::end(kLevels),
                         [level](const TLevelInfo& info) { return info.level == level; });
}

} // namespace

void TCheckReport::Add(TCheckLevel level, const QString& reason, const QString& advice)
{
    FItems.push_back({level, reason, advice});
}

int TCheckReport::ExitCode() const
{
    int code = 0;
    for (const TCheckItem& item : FItems)
        code = std::max(code, InfoOf(item.Level).exitCode);
    return code;
}

QString CheckLine(const TCheckItem& item)
{
    QString line = QLatin1String(InfoOf(item.Level).label) + u' ' + item.Reason;
    if (!item.Advice.isEmpty())
        line += QStringLiteral(" - ") + item.Advice;
    return line;
}

QString TCheckReport::Text() const
{
    QString text;
    for (const TCheckItem& item : FItems)
        text += CheckLine(item) + u'\n';
    return text;
}
