#include "common/credentials/PasswordStrength.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace {

enum TCharClass { ccUpper, ccLower, ccDigit, ccSymbol, ccCount };

struct TAnalysis {
    int Length = 0;
    std::array<int, ccCount> Count{};
    std::array<int, ccCount> Consecutive{};
    int Middle = 0;
    int Repeated = 0;
    double RepeatPenalty = 0;
    int SequentialLetters = 0;
    int SequentialDigits = 0;
    int SequentialSymbols = 0;
};

const QString kLetters = QStringLiteral("abcdefghijklmnopqrstuvwxyz");
const QString kDigits = QStringLiteral("0123456789");
const QString kSymbols = QStringLiteral("!@#$%^&+-/*=?()[]{}~");

TCharClass ClassOf(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'A' && u <= u'Z')
        return ccUpper;
    if (u >= u'a' && u <= u'z')
        return ccLower;
    if (u >= u'0' && u <= u'9')
        return ccDigit;
    return ccSymbol;
}

// Adds the distance-weighted penalty of the character at i; it replaces the running penalty
// as soon as the character repeats somewhere.
void AddRepeatPenalty(const QString& pwd, qsizetype i, TAnalysis& a)
{
    bool repeats = false;
    for (qsizetype j = 0; j < pwd.size(); ++j) {
        if (j != i && pwd[j] == pwd[i]) {
            repeats = true;
            a.RepeatPenalty += double(a.Length) / double(std::abs(j - i));
        }
    }
    if (!repeats)
        return;
    ++a.Repeated;
    const int unique = a.Length - a.Repeated;
    a.RepeatPenalty = std::ceil(unique != 0 ? a.RepeatPenalty / unique : a.RepeatPenalty);
}

// Number of three-character runs of alphabet found forwards or backwards in text.
int CountSequences(const QString& text, const QString& alphabet)
{
    int found = 0;
    for (qsizetype s = 0; s + 3 <= alphabet.size(); ++s) {
        const QString run = alphabet.mid(s, 3);
        QString reversed = run;
        std::reverse(reversed.begin(), reversed.end());
        if (text.contains(run) || text.contains(reversed))
            ++found;
    }
    return found;
}

TAnalysis Analyse(const QString& pwd)
{
    TAnalysis a;
    a.Length = static_cast<int>(pwd.size());
    for (qsizetype i = 0; i < pwd.size(); ++i) {
        const TCharClass cls = ClassOf(pwd[i]);
        ++a.Count[cls];
        if ((cls == ccDigit || cls == ccSymbol) && i != 0 && i != pwd.size() - 1)
            ++a.Middle;
        if (i > 0 && ClassOf(pwd[i - 1]) == cls)
            ++a.Consecutive[cls];
        AddRepeatPenalty(pwd, i, a);
    }
    const QString lower = pwd.toLower();
    a.SequentialLetters = CountSequences(lower, kLetters);
    a.SequentialDigits = CountSequences(lower, kDigits);
    a.SequentialSymbols = CountSequences(lower, kSymbols);
    return a;
}

// The bonus counts only when a class occurs but does not fill the password.
int PartBonus(int count, int length, int factor)
{
    return count > 0 && count < length ? factor : 0;
}

} // namespace

int PasswordScore(const QString& Pwd)
{
    QString pwd = Pwd;
    pwd.remove(u' ');
    const TAnalysis a = Analyse(pwd);
    const int len = a.Length;
    const int upper = a.Count[ccUpper];
    const int lower = a.Count[ccLower];
    const int digits = a.Count[ccDigit];
    const int symbols = a.Count[ccSymbol];
    const int letters = upper + lower;
    const int lettersOnly = letters > 0 && digits == 0 && symbols == 0 ? len : 0;
    const int digitsOnly = digits > 0 && letters == 0 && symbols == 0 ? len : 0;
    const int requirements =
        (len >= 8 ? 1 : 0) + (upper > 0) + (lower > 0) + (digits > 0) + (symbols > 0);

    double score = 4.0 * len;
    score += PartBonus(upper, len, 2 * (len - upper));
    score += PartBonus(lower, len, 2 * (len - lower));
    score += PartBonus(digits, len, 4 * digits);
    score += 6.0 * symbols;
    if (digitsOnly == 0)
        score += 2.0 * a.Middle;
    if (requirements >= 4)
        score += 2.0 * requirements;
    score -= lettersOnly + digitsOnly + a.RepeatPenalty;
    score -= 2.0 * (a.Consecutive[ccUpper] + a.Consecutive[ccLower] + a.Consecutive[ccDigit]);
    score -= 3.0 * (a.SequentialLetters + a.SequentialDigits + a.SequentialSymbols);
    return static_cast<int>(score);
}

int GetPasswordStrength(const QString& Pwd)
{
    const double limited = std::clamp(PasswordScore(Pwd), 0, 500);
    // Nearest integer with halves to even (the default rounding mode).
    const double value = std::nearbyint(100.0 * (1.0 - std::exp(-limited / 100.0) / 0.993));
    return std::max(0, static_cast<int>(value));
}
