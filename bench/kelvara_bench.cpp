// Full backup of a tree of many small and a few large files, side by side with "cp -a".
//   kelvara_bench [folder] [rounds]   folder: where the trees are made (default: a temporary
//                                     folder below the current one, so on the build's disk)
#include <algorithm>
#include <cstdio>
#include <random>
#include <vector>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace {

constexpr int kSmallFiles = 10000;
constexpr int kFolders = 100;
constexpr int kLargeFiles = 4;
constexpr qint64 kLargeSize = qint64(48) << 20;

bool WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

bool MakeTree(const QString& root)
{
    std::mt19937 random(42);
    QByteArray block(qsizetype(1) << 20, '\0');
    std::generate(block.begin(), block.end(), [&] { return char(random()); });
    for (int i = 0; i < kSmallFiles; ++i) {
        const QString folder = QStringLiteral("%1/d%2/e%3").arg(root).arg(i % kFolders).arg(i % 7);
        if (i < kFolders * 7 && !QDir().mkpath(folder))
            return false;
        const int size = int(random() % 16384);
        if (!WriteFile(QStringLiteral("%1/f%2.dat").arg(folder).arg(i), block.left(size)))
            return false;
    }
    for (int i = 0; i < kLargeFiles; ++i) {
        QFile f(QStringLiteral("%1/large%2.bin").arg(root).arg(i));
        if (!f.open(QIODevice::WriteOnly))
            return false;
        for (qint64 done = 0; done < kLargeSize; done += block.size())
            f.write(block);
    }
    return true;
}

// Wall time of one run in seconds; negative when the program failed.
double Time(const QString& program, const QStringList& args)
{
    QElapsedTimer timer;
    timer.start();
    const int code = QProcess::execute(program, args);
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    return code == 0 ? seconds : -1;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    const QString base = args.size() > 1 ? args[1] : QDir::currentPath();
    const int rounds = args.size() > 2 ? std::max(1, args[2].toInt()) : 3;
    const QString kelvara = QStringLiteral(KV_BIN_DIR "/Kelvara");
    QTemporaryDir tmp(base + QStringLiteral("/kelvara_bench-XXXXXX"));
    if (!tmp.isValid() || !QFileInfo(kelvara).isExecutable()) {
        std::fprintf(stderr, "cannot create a folder in %s or find %s\n", qPrintable(base),
                     qPrintable(kelvara));
        return 1;
    }
    const QString src = tmp.filePath(QStringLiteral("src"));
    std::printf("tree: %d small files in %d folders, %d files of %lld MiB, in %s\n", kSmallFiles,
                kFolders * 7, kLargeFiles, kLargeSize >> 20, qPrintable(tmp.path()));
    if (!MakeTree(src))
        return 1;
    const QString task = tmp.filePath(QStringLiteral("bench.buj"));
    WriteFile(task, QStringLiteral("[Global]\nDestination=%1/kv\n[Dir000]\nFolder=%2\n")
                        .arg(tmp.path(), src)
                        .toUtf8());
    const QStringList kvArgs{task, QStringLiteral("/mode:full"), QStringLiteral("/backupdir:Bu01F"),
                             QStringLiteral("/prompt:quiet"),
                             QStringLiteral("/logdir:") + tmp.path()};
    const QString cpDest = tmp.filePath(QStringLiteral("cp"));
    std::vector<double> cp, kv;
    for (int round = 0; round <= rounds; ++round) { // round 0 warms the page cache
        QDir(cpDest).removeRecursively();
        QDir(tmp.filePath(QStringLiteral("kv"))).removeRecursively();
        const double c = Time(QStringLiteral("cp"), {QStringLiteral("-a"), src, cpDest});
        const double k = Time(kelvara, kvArgs);
        if (c < 0 || k < 0) {
            std::fprintf(stderr, "a copy failed (cp %.3f, Kelvara %.3f)\n", c, k);
            return 1;
        }
        if (round > 0) {
            cp.push_back(c);
            kv.push_back(k);
            std::printf("round %d: cp -a %.3f s, Kelvara %.3f s\n", round, c, k);
        }
    }
    const double c = Median(cp), k = Median(kv);
    std::printf("median of %d: cp -a %.3f s, Kelvara %.3f s, ratio %.2f (limit 1.50)\n", rounds, c,
                k, k / c);
    return k / c <= 1.5 ? 0 : 2;
}
