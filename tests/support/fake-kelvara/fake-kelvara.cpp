// Stand-in for the backup program in tests.
//   FAKE_KELVARA_LOG    file to which one line is appended: the argument vector, tab-separated
//   FAKE_KELVARA_EXIT   exit code (default 0)
//   FAKE_KELVARA_SLEEP  seconds to sleep before exiting (fractions allowed)
//   FAKE_KELVARA_GATE   a file: the program ends only once it exists
#include <cstdio>
#include <cstdlib>
#include <string>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

namespace {

void AppendLine(const char* path, int argc, char** argv)
{
    std::string line;
    for (int i = 0; i < argc; ++i) {
        if (i > 0)
            line += '\t';
        line += argv[i];
    }
    line += '\n';
    // One write with O_APPEND keeps lines of parallel instances whole.
    const int fd = ::open(path, O_WRONLY | O_CREAT | O_APPEND, 0644);
    if (fd < 0) {
        std::perror(path);
        return;
    }
    if (::write(fd, line.data(), line.size()) < 0)
        std::perror(path);
    ::close(fd);
}

void SleepSeconds(double seconds)
{
    if (seconds <= 0)
        return;
    timespec ts{};
    ts.tv_sec = static_cast<time_t>(seconds);
    ts.tv_nsec = static_cast<long>((seconds - double(ts.tv_sec)) * 1e9);
    while (nanosleep(&ts, &ts) != 0) {
    }
}

} // namespace

int main(int argc, char** argv)
{
    if (const char* log = std::getenv("FAKE_KELVARA_LOG"); log && *log)
        AppendLine(log, argc, argv);
    if (const char* sleep = std::getenv("FAKE_KELVARA_SLEEP"))
        SleepSeconds(std::atof(sleep));
    if (const char* gate = std::getenv("FAKE_KELVARA_GATE"); gate && *gate)
        while (access(gate, F_OK) != 0)
            SleepSeconds(0.02);
    const char* code = std::getenv("FAKE_KELVARA_EXIT");
    return code ? std::atoi(code) : 0;
}
