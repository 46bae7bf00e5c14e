#include "common/platform/SystemEnvironment.h"

#include <cstdlib>

#include <unistd.h>

std::optional<std::string> SystemVariable(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    return value ? std::optional<std::string>(value) : std::nullopt;
}

void SetSystemVariable(const std::string& name, const std::string& value)
{
    setenv(name.c_str(), value.c_str(), 1);
}

std::vector<std::string> SystemEnvironment()
{
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry)
        environment.emplace_back(*entry);
    return environment;
}
