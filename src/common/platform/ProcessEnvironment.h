#pragma once

// The environment of the programs we start. The program may set variables for itself (the
// language of its texts, say); the programs it starts get the user's own values all the same.

#include <optional>
#include <string>
#include <vector>

// Sets a variable of our own process, remembering the user's value from before the first change.
void SetOwnVariable(const std::string& name, const std::string& value);

// The user's value of a variable (nullopt: not set).
std::optional<std::string> UserVariable(const std::string& name);

// Our environment ("NAME=value" entries) with the user's values in place of our own.
std::vector<std::string> UserEnvironment();
