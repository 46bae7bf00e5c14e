// How long the task list takes to read the states of all listed tasks, which it does every
// second while it is open: 20 tasks over the file store and over cron (goal: under 20 ms), and,
// as the peer, the same read asked task by task.

#include <cstdio>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include "common/tasks/TaskCron.h"
#include "common/tasks/TaskFileStore.h"
#include "common/tasks/WinTask.h"

namespace {

constexpr int kTasks = 20;
constexpr int kRounds = 50;

void Fill(ITaskBackend& backend)
{
    for (int i = 0; i < kTasks; ++i) {
        TWinTask task;
        TWinTaskAction& action = task.NewAction(taExec);
        action.SetExecPath(QStringLiteral("/opt/kv/bin/KvPlaner"));
        action.SetExecArguments(QStringLiteral("\"Weekly %1\" /hide /prompt:delay /wait:3").arg(i));
        task.NewTrigger(ttDaily).SetStartTime(QDateTime(QDate(2026, 1, 1), QTime(6, i)));
        backend.Register(QStringLiteral("Schedule-Weekly %1").arg(i), task.Definition(), {}, {});
    }
}

// Milliseconds per read of all states, the best of kRounds.
double BestMs(const std::function<void()>& read)
{
    double best = 1e9;
    for (int round = 0; round < kRounds; ++round) {
        QElapsedTimer timer;
        timer.start();
        read();
        best = std::min(best, timer.nsecsElapsed() / 1e6);
    }
    return best;
}

void Measure(const char* name, ITaskBackend& backend)
{
    Fill(backend);
    const QStringList names = backend.TaskNames();
    const double batch = BestMs([&] { backend.States(names); });
    const double single = BestMs([&] {
        for (const QString& n : names)
            backend.Info(n);
    });
    std::printf("%-10s tasks=%d states_ms=%.2f one_by_one_ms=%.2f ratio=%.2f goal_ms=20 %s\n", name,
                int(names.size()), batch, single, batch / single, batch < 20 ? "ok" : "SLOW");
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    TTaskFileStore files(dir.filePath(QStringLiteral("files")));
    files.Connect();
    Measure("filestore", files);
    QByteArray crontab;
    TTaskCronStore cron(dir.filePath(QStringLiteral("cron")), QString(),
                        [&crontab](const QString&, const QStringList& args, const QByteArray& in) {
                            if (args.contains(QStringLiteral("-l")))
                                return TToolOutput{0, crontab, {}};
                            crontab = in;
                            return TToolOutput{0, {}, {}};
                        });
    Measure("cron", cron);
    return 0;
}
