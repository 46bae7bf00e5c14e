#include "common/platform/ProcessEnvironment.h"

#include <map>

#include "common/platform/SystemEnvironment.h"

namespace {

// The user's values of the variables we changed, taken before the first change.
std::map<std::string, std::optional<std::string>>& UserValues()
{
    static std::map<std::string, std::optional<std::string>> values;
    return values;
}

} // namespace

void SetOwnVariable(const std::string& name, const std::string& value)
{
    UserValues().try_emplace(name, SystemVariable(name));
    SetSystemVariable(name, value);
}

std::optional<std::string> UserVariable(const std::string& name)
{
    const auto saved = UserValues().find(name);
    return saved != UserValues().end() ? saved->second : SystemVariable(name);
}

std::vector<std::string> UserEnvironment()
{
    const auto& saved = UserValues();
    std::vector<std::string> environment;
    for (const std::string& text : SystemEnvironment())
        if (saved.count(text.substr(0, text.find('='))) == 0)
            environment.push_back(text);
    for (const auto& [name, value] : saved)
        if (value)
            environment.push_back(name + '=' + *value);
    return environment;
}
