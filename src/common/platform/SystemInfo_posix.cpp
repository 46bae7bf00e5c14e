#include "common/platform/SystemInfo.h"

#include <cstdlib>
#include <vector>

#include <limits.h>
#include <pwd.h>
#include <unistd.h>

std::string GetLoginUserName()
{
    std::vector<char> buffer(16384);
    passwd entry{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found)
        return found->pw_name;
    const char* name = std::getenv("USER");
    return name ? name : "";
}

std::string GetSamUserName()
{
    return GetLoginUserName();
}

std::string GetLocalComputerName()
{
    char name[HOST_NAME_MAX + 1] = {};
    return gethostname(name, sizeof name - 1) == 0 ? name : "";
}

bool IsVistaOrLater()
{
    return false;
}

bool IsNative64BitProcess()
{
    return sizeof(void*) == 8;
}

int CurrentProcessId()
{
    return static_cast<int>(getpid());
}
