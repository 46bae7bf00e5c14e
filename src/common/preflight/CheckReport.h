#pragma once

#include <vector>

#include <QString>

// The outcome of a check: every item is OK, a warning or a failure, with a reason and, where
// there is one, what to do about it.
enum class TCheckLevel { Ok, Warn, Fail };

struct TCheckItem {
    TCheckLevel Level = TCheckLevel::Ok;
    QString Reason;
    QString Advice; // empty: nothing to do
};

class TCheckReport {
public:
    void Ok(const QString& reason) { Add(TCheckLevel::Ok, reason, {}); }
    void Warn(const QString& reason, const QString& advice = {})
    {
        Add(TCheckLevel::Warn, reason, advice);
    }
    void Fail(const QString& reason, const QString& advice = {})
    {
        Add(TCheckLevel::Fail, reason, advice);
    }
    void Add(TCheckLevel level, const QString& reason, const QString& advice);

    const std::vector<TCheckItem>& Items() const { return FItems; }
    // 0 when every item is OK, 1 with warnings, 2 with a failure.
    int ExitCode() const;
    // One line per item: "OK   ", "WARN " or "FAIL " and the reason, then " - " and the advice.
    QString Text() const;

private:
    std::vector<TCheckItem> FItems;
};

QString CheckLine(const TCheckItem& item);
