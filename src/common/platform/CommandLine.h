#pragma once

#include <string>
#include <vector>

// Splits a command line into words: blanks separate, double quotes group, and a doubled
// double quote inside quotes stands for one quote. An empty quoted word ("") is kept.
std::vector<std::string> SplitCommandLine(const std::string& commandLine);
