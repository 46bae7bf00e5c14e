#pragma once

#include <string>
#include <vector>

// Splits a command line into words: blanks separate, double quotes group, and a doubled
// double quote inside quotes stands for one quote. An empty quoted word ("") is kept.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// True when a word must be put in double quotes to come back whole from SplitCommandLine: it is
// empty or holds a blank (space, tab, line break) or a double quote.
bool NeedsCommandLineQuotes(const std::string& word);
