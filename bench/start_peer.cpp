// A bare Qt Core program that starts the program given as its argument, as the programs start
// the backup program (fork and exec, not waited for), and ends.
#include <unistd.h>

#include <QCoreApplication>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const pid_t pid = fork();
    if (pid == 0) {
        execv(argv[1], argv + 1);
        _exit(127);
    }
    return pid < 0 ? 1 : 0;
}
