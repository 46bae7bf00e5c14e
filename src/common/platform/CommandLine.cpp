#include "common/platform/CommandLine.h"

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
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
