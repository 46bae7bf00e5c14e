#pragma once

// The variables of our own process as the system keeps them, in UTF-8.

#include <optional>
#include <string>
#include <vector>

// The value of a variable; nullopt when it is not set.
std::optional<std::string> SystemVariable(const std::string& name);
// Sets a variable of our own process.
void SetSystemVariable(const std::string& name, const std::string& value);
// All variables as "NAME=value" entries.
std::vector<std::string> SystemEnvironment();
