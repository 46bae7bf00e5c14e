#include "common/platform/CommandLine.h"

#include <cstring>

namespace {

constexpr char kBlanks[] = " \t\r\n";

bool IsBlank(char c)
{
    return c != '\0' && std::strchr(kBlanks, c) != nullptr;
}

} // namespace

std::vector<std::string> SplitCommandLine(const std::string& commandLine)
{
    std::vector<std::string> words;
    std::string word;
    bool inWord = false;
    bool quoted = false;
    for (std::size_t i = 0; i < commandLine.size(); ++i) {
        const char c = commandLine[i];
        if (quoted) {
            if (c != '"') {
                word += c;
            } else if (i + 1 < commandLine.size() && commandLine[i + 1] == '"') {
                word += '"';
                ++i;
            } else {
                quoted = false;
            }
        } else if (c == '"') {
            quoted = inWord = true;
        } else if (IsBlank(c)) {
            if (inWord)
                words.push_back(std::move(word));
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(std::move(word));
    return words;
}

bool NeedsCommandLineQuotes(const std::string& word)
{
    return word.empty() || word.find_first_of(kBlanks) != std::string::npos ||
           word.find('"') != std::string::npos;
}

std::string QuoteWindowsArgument(const std::string& argument)
{
    if (!argument.empty() && argument.find_first_of(" \t\n\v\"") == std::string::npos)
        return argument;
    std::string quoted = "\"";
    std::size_t backslashes = 0;
    for (const char c : argument) {
        if (c == '\\') {
            ++backslashes;
            continue;
        }
        // Backslashes count double only before a quote.
        quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(backslashes * 2, '\\');
    return quoted + '"';
}

std::string JoinWindowsCommandLine(const std::vector<std::string>& arguments)
{
    std::string line;
    for (const std::string& argument : arguments) {
        if (!line.empty())
            line += ' ';
        line += QuoteWindowsArgument(argument);
    }
    return line;
}
