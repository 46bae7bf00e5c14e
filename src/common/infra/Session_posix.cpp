#include "common/infra/Session.h"

#include <cstdlib>

#include <fcntl.h>
#include <unistd.h>

namespace {

bool EnvSet(const char* name)
{
    const char* value = std::getenv(name);
    return value && *value;
}

} // namespace

bool HasControllingTerminal()
{
    const int fd = ::open("/dev/tty", O_RDONLY | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}

bool HasGraphicalSession()
{
    return EnvSet("DISPLAY") || EnvSet("WAYLAND_DISPLAY");
}

bool IsBatch()
{
    return !HasControllingTerminal() && !HasGraphicalSession();
}
