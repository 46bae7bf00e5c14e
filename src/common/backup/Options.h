#pragma once

#include <optional>
#include <span>

#include <QString>
#include <QStringList>

// ---- Option texts handed to other programs ----

// " /keyword"
QString OptionText(const QString& keyword);
// " /keyword:value"; the option is put in double quotes as a whole (inner quotes doubled) when
// it holds a blank or a double quote, so that the command line splits back into its words.
QString OptionText(const QString& keyword, const QString& value);
QString OptionText(const QString& keyword, qint64 value);
// A path (or any word) for a command line: in double quotes (inner quotes doubled) only when it
// holds a blank or a double quote.
QString QuotedPath(const QString& path);
// A word always in double quotes, inner quotes doubled.
QString AlwaysQuoted(const QString& word);

// Splits a command line into words: blanks separate words, double quotes group, and a doubled
// double quote inside quotes is one quote. The inverse of the quoting above.
QStringList SplitCommandLine(const QString& commandLine);

// ---- Reading options ----

// A parameter is an option when its first character is "/" or "-".
bool IsOptionParam(const QString& param);
// True when text, lower-cased, equals the same number of leading characters of keyword
// (so the empty text is a beginning of every keyword, and a longer text never is).
bool IsKeywordBeginning(const QString& text, const QString& keyword);

struct TOptionKeyword {
    const char* keyword;
    bool hasValue; // compared before the first ":"; a parameter without ":" never matches
    int id;
};

struct TOptionMatch {
    int id = -1;   // -1: no keyword matched
    QString value; // the text after the first ":" (options with value)
};

// Matches an option parameter ("/lo:1", "-FORCE") against keywords tried in the given order;
// the first match wins.
TOptionMatch MatchOption(const QString& param, std::span<const TOptionKeyword> keywords);
// Index of the first of values that the given value is a beginning of, or -1.
int MatchOptionValue(const QString& value, const QStringList& values);
// The integer at the start of a value, read up to the first blank; nullopt when it is none.
std::optional<int> LeadingInteger(const QString& value);
