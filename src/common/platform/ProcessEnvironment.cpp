#include "common/platform/ProcessEnvironment.h"

#include <cstdlib>
#include <map>

#include <unistd.h>

namespace {

// The user's values of the variables we changed, taken before the first change.
std::map<std::string, std::optional<std::string>>& UserValues()
{
    static std::map<std::string, std::optional<std::string>> values;
    return values;
}

std::optional<std::string> CurrentValue(const std::string& name)
{
    const char* value = std::getenv(name.c_str());
    return value ? std::optional<std::string>(value) : std::nullopt;
}

} // namespace

void SetOwnVariable(const std::string& name, const std::string& value)
{
    UserValues().try_emplace(name, CurrentValue(name));
    setenv(name.c_str(), value.c_str(), 1);
}

std::optional<std::string> UserVariable(const std::string& name)
{
    const auto saved = UserValues().find(name);
    return saved != UserValues().end() ? saved->second : CurrentValue(name);
}

std::vector<std::string> UserEnvironment()
{
    const auto& saved = UserValues();
    std::vector<std::string> environment;
    for (char** entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        if (saved.count(text.substr(0, text.find('='))) == 0)
            environment.push_back(text);
    }
    for (const auto& [name, value] : saved)
        if (value)
            environment.push_back(name + '=' + *value);
    return environment;
}
