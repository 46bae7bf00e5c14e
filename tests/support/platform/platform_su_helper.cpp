// Starts a command line under another account from an ordinary account, the way KvStarter does
// when it does not run as root. Arguments: user, command line, [su program]; the password comes
// on standard input. Prints "result <n>" or "error <code> <message>".

#include <cstdio>
#include <iostream>
#include <string>

#include "common/platform/WinExecute.h"

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s user command-line [su-program] < password\n", argv[0]);
        return 2;
    }
    std::string password;
    std::getline(std::cin, password);
    if (argc > 3)
        SetLogonOptions({"kvstarter", argv[3]});
    try {
        TProcessHandle handle = StartProcessAsUser(argv[1], "OFFICE", password, "", argv[2]);
        std::printf("result %u\n", WaitForProcess(handle, 0));
    } catch (const EProcessError& e) {
        std::printf("error %u %s\n", e.Code(), e.what());
    }
    return 0;
}
