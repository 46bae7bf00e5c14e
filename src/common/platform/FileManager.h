#pragma once

#include <string>
#include <vector>

// The file managers a user may pick for a start under another account.

// Full path of the desktop's default file manager (the program of the application that opens
// folders), else of the first known file manager installed; empty when there is none.
std::string DefaultFileManager();
// Program names of well-known file managers, in the order they are tried.
const std::vector<std::string>& KnownFileManagers();
// The program of a desktop entry's Exec line: its first word, without field codes.
std::string DesktopEntryProgram(const std::string& execLine);
