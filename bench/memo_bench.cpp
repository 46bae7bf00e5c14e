// Opens a large log in the log viewer and measures the time until it is shown and scrollable,
// beside a plain text edit given the same text. Usage: memo_bench [megabytes] [--no-peer]
#include <cstdio>
#include <ctime>

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTemporaryDir>

#include "common/ui/LogView.h"
#include "common/ui/ShowMemo.h"

namespace {

void WriteLog(const QString& path, qint64 bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return;
    QByteArray block;
    for (int i = 0; block.size() < 1024 * 1024; ++i) {
        block += i % 40 == 0 ? QByteArray("KvStarter - run of group Daily - 2026-12-01 22:00\r\n")
                             : QByteArray("  Task daily.buj: copied /home/user/data/file_") +
                                   QByteArray::number(i) + ".txt (123456 bytes) ok\r\n";
        if (i % 97 == 0)
            block += "  *** Task daily.buj: error 3 - file locked\r\n";
    }
    for (qint64 written = 0; written < bytes; written += block.size())
        file.write(block);
}

// Milliseconds until the widget has painted its first page and a page from the middle.
double ShowAndScroll(QAbstractScrollArea& view)
{
    QElapsedTimer timer;
    timer.start();
    view.show();
    view.grab();
    QScrollBar* bar = view.verticalScrollBar();
    bar->setValue(bar->maximum() / 2);
    view.grab();
    return double(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM",
            qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const int megabytes = args.size() > 1 && args[1].toInt() > 0 ? args[1].toInt() : 50;
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("big.log"));
    WriteLog(log, qint64(megabytes) * 1024 * 1024);
    std::printf("file: %lld bytes\n", QFile(log).size());

    TShowTextDialog viewer;
    viewer.resize(900, 700);
    QElapsedTimer timer;
    timer.start();
    const std::clock_t cpuStart = std::clock();
    viewer.OpenFile(log);
    const double loadMs = double(timer.nsecsElapsed()) / 1e6;
    const double paintMs = ShowAndScroll(*viewer.Memo);
    const double cpuMs = double(std::clock() - cpuStart) * 1000.0 / CLOCKS_PER_SEC;
    timer.restart();
    viewer.GoError(false);
    const double jumpMs = double(timer.nsecsElapsed()) / 1e6;
    const double viewerMs = loadMs + paintMs;
    std::printf(
        "viewer: read+decode+index %.0f ms, first paint+scroll %.0f ms, total %.0f ms "
        "(goal < 1000), processor time %.0f ms, lines %lld, jump to previous error %.1f ms\n",
        loadMs, paintMs, viewerMs, cpuMs, qlonglong(viewer.Memo->Lines().Count()), jumpMs);
    if (args.contains(QStringLiteral("--no-peer")))
        return 0;

    QPlainTextEdit peer;
    peer.setReadOnly(true);
    peer.resize(900, 700);
    const QString text = viewer.Memo->Text();
    timer.restart();
    peer.setPlainText(text);
    const double peerMs = double(timer.nsecsElapsed()) / 1e6 + ShowAndScroll(peer);
    std::printf("peer (plain text edit, text already decoded): %.0f ms\n", peerMs);
    std::printf("ratio=%.3f\n", viewerMs / peerMs);
    return 0;
}
