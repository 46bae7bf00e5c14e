#include "common/platform/TaskbarWindows.h"

#include <algorithm>
#include <cctype>

namespace {

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    return text;
}

} // namespace

bool IsThisHost(const std::string& clientMachine, const std::string& hostName)
{
    if (clientMachine.empty() || hostName.empty())
        return false;
    const std::string a = Lower(clientMachine), b = Lower(hostName);
    if (a == b)
        return true;
    // One side may carry the domain: "pc7" and "pc7.example.org" are the same host.
    const auto shortName = [](const std::string& name) { return name.substr(0, name.find('.')); };
    const bool oneIsShort = a.find('.') == std::string::npos || b.find('.') == std::string::npos;
    return oneIsShort && shortName(a) == shortName(b);
}
