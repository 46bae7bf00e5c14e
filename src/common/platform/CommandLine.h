#pragma once

#include <string>
#include <vector>

// Splits a command line into words: blanks separate, double quotes group, and a doubled
// double quote inside quotes stands for one quote. An empty quoted word ("") is kept.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
// True when a word must be put in double quotes to come back whole from SplitCommandLine: it is
// empty or holds a blank (space, tab, line break) or a double quote.
bool NeedsCommandLineQuotes(const std::string& word);

// One argument for a Windows command line, so that the system's splitting (CommandLineToArgvW,
// the C runtime) gives it back unchanged: in double quotes when it is empty or holds a blank or
// a quote; inner quotes as \" and the backslashes before a quote (or the closing quote) doubled.
std::string QuoteWindowsArgument(const std::string& argument);
// The arguments as one Windows command line, each quoted as QuoteWindowsArgument does.
std::string JoinWindowsCommandLine(const std::vector<std::string>& arguments);
