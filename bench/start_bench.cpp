// Time from spawn to the backup program's start, median of 30 runs each:
//   (a) a scheduled KvPlaner run without a display, (b) a bare Qt Core program that starts the
//   same stub the same way, (c) a scheduled KvStarter run of a one-task group.
// The backup program is a stub that writes the moment it starts to a file. Prints the medians and
// the ratios against (b); the goal for KvPlaner is ratio <= 1.3.
//   start_bench [runs] [folder of the programs (default: this build's)]
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include "starter/StarterSettings.h"

extern char** environ;

namespace {

long long MonotonicNanoseconds()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

bool WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// A scheduled run's environment: no display, no terminal, the bench's own settings folder.
class TBenchSetup {
public:
    explicit TBenchSetup(const QString& stub)
    {
        Work = Dir.filePath("work");
        Config = Dir.filePath("config/Kelvara6");
        Stamp = Dir.filePath("started");
        QDir().mkpath(Work);
        QDir().mkpath(Config);
        QFile::link(stub, Work + "/Kelvara");
        WriteFile(Dir.filePath("task.buj"), "[Global]\nDestination=/nowhere\n");
        for (char** e = environ; *e; ++e) {
            const std::string entry = *e;
            const std::string name = entry.substr(0, entry.find('='));
            if (name != "DISPLAY" && name != "WAYLAND_DISPLAY" && name != "QT_QPA_PLATFORM" &&
                name != "HOME" && name != "XDG_CONFIG_HOME")
                Environment.push_back(entry);
        }
        const QStringList own = {"HOME=" + Dir.path(), "XDG_CONFIG_HOME=" + Dir.filePath("config"),
                                 "START_STUB_OUT=" + Stamp,
                                 "KELVARA_MACHINE_REGISTRY=" + Dir.filePath("none.ini"),
                                 "DBUS_SYSTEM_BUS_ADDRESS=unix:path=" + Dir.filePath("no-bus")};
        for (const QString& entry : own)
            Environment.push_back(entry.toStdString());
    }

    // A schedule that never ran, so that every run starts its full backup.
    bool WritePlanerSchedule() const
    {
        return WriteFile(Config + "/KvPlaner.ini",
                         QString("[Config]\nCount=1\n[Sched00]\nName=Bench\nTask=%1\nCycles=2\n"
                                 "Steps=3\nFirstDay=1\nDifferential=0\nSilent=0\n")
                             .arg(Dir.filePath("task.buj"))
                             .toUtf8());
    }

    // One group of one task that runs under the current account without a password.
    void WriteStarterGroup() const
    {
        auto group = std::make_unique<TTaskProperties>(QStringLiteral("Bench"));
        group->Pwd = QStringLiteral("unused");
        group->PwdPrompt = false;
        group->AddTask(Dir.filePath("task.buj"), true);
        TStarterSettings settings;
        settings.Groups.push_back(std::move(group));
        SaveStarterSettings(Config + "/KvStarter.ini", settings);
    }

    // Milliseconds from the spawn of the command to the stub's start; negative on failure.
    double TimeToStub(const std::vector<std::string>& command) const
    {
        QFile::remove(Stamp);
        std::vector<char*> argv;
        for (const std::string& word : command)
            argv.push_back(const_cast<char*>(word.c_str()));
        argv.push_back(nullptr);
        std::vector<char*> envp;
        for (const std::string& entry : Environment)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
        const QByteArray work = QFile::encodeName(Work);
        const long long spawned = MonotonicNanoseconds();
        const pid_t pid = fork();
        if (pid == 0) {
            setsid();
            const int null = open("/dev/null", O_RDWR);
            dup2(null, 0);
            if (chdir(work.constData()) == 0)
                execve(argv[0], argv.data(), envp.data());
            _exit(127);
        }
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        for (int i = 0; i < 5000 && !QFile::exists(Stamp); ++i)
            QThread::usleep(200);
        QFile f(Stamp);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !f.open(QIODevice::ReadOnly))
            return -1;
        return double(f.readAll().trimmed().toLongLong() - spawned) / 1e6;
    }

private:
    QTemporaryDir Dir;
    QString Work;
    QString Config;
    QString Stamp;
    std::vector<std::string> Environment;
};

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 30;
    const std::string bin = argc > 2 ? argv[2] : KV_BIN_DIR;
    const std::string benchDir = QCoreApplication::applicationDirPath().toStdString();
    const std::string stub = benchDir + "/start_stub";
    TBenchSetup setup(QString::fromStdString(stub));
    setup.WriteStarterGroup();

    const std::vector<std::string> planer = {bin + "/KvPlaner", "Bench"};
    const std::vector<std::string> peer = {benchDir + "/start_peer", stub};
    const std::vector<std::string> starter = {bin + "/KvStarter", "Bench", "/force"};
    std::vector<double> planerTimes, peerTimes, starterTimes;
    // Interleaved, so that a slower moment of the machine weighs on all three alike.
    for (int i = 0; i < runs; ++i) {
        if (!setup.WritePlanerSchedule())
            return 1;
        for (auto [command, times] :
             {std::pair{&planer, &planerTimes}, std::pair{&peer, &peerTimes},
              std::pair{&starter, &starterTimes}}) {
            const double ms = setup.TimeToStub(*command);
            if (ms < 0) {
                std::fprintf(stderr, "%s did not start the stub\n", (*command)[0].c_str());
                return 1;
            }
            times->push_back(ms);
        }
    }
    const double peerMedian = Median(peerTimes);
    const double planerMedian = Median(planerTimes);
    const double starterMedian = Median(starterTimes);
    std::printf("spawn to backup program start, median of %d runs\n", runs);
    std::printf("bare Qt Core program: %.2f ms\n", peerMedian);
    std::printf("KvPlaner (scheduled, no display): %.2f ms  ratio=%.2f\n", planerMedian,
                planerMedian / peerMedian);
    std::printf("KvStarter (force, one task, no display): %.2f ms  starter_ratio=%.2f\n",
                starterMedian, starterMedian / peerMedian);
    return 0;
}
