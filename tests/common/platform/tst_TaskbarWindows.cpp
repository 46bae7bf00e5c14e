#include <QDir>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include <unistd.h>

#include "ProgramEnvironment.h"
#include "common/platform/SystemInfo.h"
#include "common/platform/TaskbarWindows.h"

namespace {

const QString kHelper = KV_BINARY_DIR "/tests/bin/platform_window_helper";

std::optional<TTaskbarWindow> FindTitle(const std::vector<TTaskbarWindow>& windows,
                                        const QString& title)
{
    const auto found = std::find_if(windows.begin(), windows.end(), [&](const TTaskbarWindow& w) {
        return w.title == title.toStdString();
    });
    return found == windows.end() ? std::nullopt : std::optional(*found);
}

} // namespace

// Everything here happens on an Xvfb display of the test's own, and only processes the test
// started are ever signalled.
class tst_TaskbarWindows : public QObject {
    Q_OBJECT

private:
    QTemporaryDir runtime;
    QProcess server;
    QProcess windowManager;
    std::vector<std::unique_ptr<QProcess>> helpers;
    QString display;
    QString suffix = QString::number(QRandomGenerator::global()->bounded(100000, 999999));

    QProcessEnvironment DisplayEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DISPLAY", display);
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        return env;
    }

    QProcess* StartHelper(const QString& title, const QString& kind = {})
    {
        helpers.push_back(std::make_unique<QProcess>());
        QProcess* helper = helpers.back().get();
        helper->setProcessEnvironment(DisplayEnvironment());
        helper->start(kHelper, kind.isEmpty() ? QStringList{title} : QStringList{title, kind});
        return helper->waitForStarted() ? helper : nullptr;
    }

    // Windows mapped before the window manager took over might not be listed by it.
    bool WindowManagerRuns() const
    {
        QProcess xprop;
        xprop.setProcessEnvironment(DisplayEnvironment());
        xprop.start("xprop", {"-root", "_NET_SUPPORTING_WM_CHECK"});
        return xprop.waitForFinished(5000) && xprop.readAllStandardOutput().contains("window id");
    }

    std::vector<TTaskbarWindow> List() const { return ListTaskbarWindows(display.toStdString()); }

    std::vector<TTaskbarWindow> ListOnce(const QStringList& titles)
    {
        std::vector<TTaskbarWindow> windows;
        (void)QTest::qWaitFor(
            [&] {
                windows = List();
                return std::all_of(titles.begin(), titles.end(), [&](const QString& title) {
                    return FindTitle(windows, title).has_value();
                });
            },
            10000);
        return windows;
    }

    bool StartDisplay()
    {
        server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "800x600x24"});
        if (!server.waitForStarted() ||
            !QTest::qWaitFor([&] { return server.canReadLine(); }, 15000))
            return false;
        display = ":" + QString::fromUtf8(server.readLine()).trimmed();
        windowManager.setProcessEnvironment(DisplayEnvironment());
        windowManager.start("openbox", {"--sm-disable"});
        return windowManager.waitForStarted() &&
               QTest::qWaitFor([&] { return WindowManagerRuns(); }, 10000) && WindowsAreManaged();
    }

    // The window manager announces itself a little before it manages new windows: a probe
    // window must show up in its client list first.
    bool WindowsAreManaged()
    {
        for (int attempt = 0; attempt < 5; ++attempt) {
            const QString title = "kv probe " + suffix + QString::number(attempt);
            QProcess probe;
            probe.setProcessEnvironment(DisplayEnvironment());
            probe.start(kHelper, {title});
            const bool listed =
                probe.waitForStarted() &&
                QTest::qWaitFor([&] { return FindTitle(List(), title).has_value(); }, 2000);
            probe.kill();
            probe.waitForFinished(3000);
            if (listed)
                return true;
        }
        return false;
    }

    void StopDisplay()
    {
        windowManager.terminate();
        windowManager.waitForFinished(3000);
        server.terminate();
        server.waitForFinished(3000);
    }

    QString WindowManagerState()
    {
        return QStringLiteral("display %1, window manager state %2, exit %3, output: %4")
            .arg(display)
            .arg(int(windowManager.state()))
            .arg(windowManager.exitCode())
            .arg(QString::fromLocal8Bit(windowManager.readAllStandardError() +
                                        windowManager.readAllStandardOutput()));
    }

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty())
            QSKIP("Xvfb is not installed");
        if (QStandardPaths::findExecutable("openbox").isEmpty())
            QSKIP("openbox is not installed");
        if (QStandardPaths::findExecutable("xprop").isEmpty())
            QSKIP("xprop (x11-utils) is not installed");
        QVERIFY(QFile::setPermissions(runtime.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        // A busy machine now and then loses the first server; a fresh one is tried then.
        QString state;
        for (int attempt = 0; attempt < 3; ++attempt) {
            if (StartDisplay())
                return;
            state = WindowManagerState();
            StopDisplay();
        }
        QFAIL(qPrintable(state));
    }

    void cleanupTestCase()
    {
        for (auto& helper : helpers)
            helper->kill(), helper->waitForFinished(3000);
        windowManager.terminate();
        windowManager.waitForFinished(3000);
        server.terminate();
        server.waitForFinished(3000);
    }

    void listsTaskbarWindowsWithTheirProcesses()
    {
        const QString plain = "kv plain " + suffix;
        const QString unicode = "kv Ünïcödé ß " + suffix;
        const QString tool = "kv tool " + suffix;
        QProcess* first = StartHelper(plain);
        QProcess* second = StartHelper(unicode);
        QVERIFY(first && second && StartHelper(tool, "utility"));

        const std::vector<TTaskbarWindow> windows = ListOnce({plain, unicode});
        const std::optional<TTaskbarWindow> a = FindTitle(windows, plain);
        const std::optional<TTaskbarWindow> b = FindTitle(windows, unicode);
        QVERIFY(a && b);
        QCOMPARE(a->processId, int(first->processId()));
        QCOMPARE(b->processId, int(second->processId()));
        QVERIFY(a->window != 0 && a->window != b->window);
        QVERIFY2(!FindTitle(windows, tool), "a tool window is not on the taskbar");
        QCOMPARE(ProcessProgramName(a->processId).value_or(""),
                 std::string("platform_window_helper"));
    }

    void terminatesTheWindowsProcessButNeverOurs()
    {
        const QString title = "kv to end " + suffix;
        QProcess* helper = StartHelper(title);
        QVERIFY(helper);
        const std::optional<TTaskbarWindow> window = FindTitle(ListOnce({title}), title);
        QVERIFY(window);
        QCOMPARE(window->processId, int(helper->processId()));

        QCOMPARE(TerminateProcessById(window->processId), std::nullopt);
        QVERIFY(helper->waitForFinished(5000));
        QCOMPARE(helper->exitStatus(), QProcess::CrashExit);
        QTRY_VERIFY_WITH_TIMEOUT(!FindTitle(List(), title), 5000);

        // Gone now: the second attempt reports the system's text.
        QVERIFY(!TerminateProcessById(window->processId).value_or("").empty());
        // Our own process is refused (should the guard fail, only this test dies).
        QVERIFY(!TerminateProcessById(CurrentProcessId()).value_or("").empty());
    }

    // A window from a client on another host carries that host's process number: it names no
    // process here.
    void foreignHostWindowsAreNotLocal()
    {
        const QString title = "kv remote " + suffix;
        QVERIFY(StartHelper(title, "host=elsewhere.invalid"));
        const std::optional<TTaskbarWindow> window = FindTitle(ListOnce({title}), title);
        QVERIFY(window);
        QVERIFY(!window->local);
        QCOMPARE(window->processId, 0);
    }

    void hostNames_data()
    {
        QTest::addColumn<QString>("machine");
        QTest::addColumn<QString>("host");
        QTest::addColumn<bool>("same");
        QTest::newRow("equal") << "pc7"
                               << "pc7" << true;
        QTest::newRow("case") << "PC7"
                              << "pc7" << true;
        QTest::newRow("with domain") << "pc7.example.org"
                                     << "pc7" << true;
        QTest::newRow("host with domain") << "pc7"
                                          << "pc7.example.org" << true;
        QTest::newRow("other domain") << "pc7.example.org"
                                      << "pc7.other.org" << false;
        QTest::newRow("other host") << "pc8"
                                    << "pc7" << false;
        QTest::newRow("prefix only") << "pc"
                                     << "pc7" << false;
        QTest::newRow("none") << ""
                              << "pc7" << false;
    }
    void hostNames()
    {
        QFETCH(QString, machine);
        QFETCH(QString, host);
        QFETCH(bool, same);
        QCOMPARE(IsThisHost(machine.toStdString(), host.toStdString()), same);
    }

    // KvStarter's /term at work: the programs of this host's windows end, a window of another
    // host is left alone, and the run goes on.
    void starterTermEndsLocalProgramsOnly()
    {
        QTemporaryDir folder;
        const QString settings = folder.filePath("cfg/Kelvara6");
        QVERIFY(QDir().mkpath(settings));
        QVERIFY(QDir().mkpath(folder.filePath("work")));
        QVERIFY(QFile::link(KV_BIN_DIR "/fake-kelvara", folder.filePath("work/Kelvara")));
        QFile ini(settings + "/KvStarter.ini");
        QVERIFY(ini.open(QIODevice::WriteOnly));
        ini.write("[Config]\nTaskCount=1\n[Task00]\nDescription=Empty\n");
        ini.close();

        const QString local = "kv local " + suffix;
        const QString remote = "kv from afar " + suffix;
        QProcess* localHelper = StartHelper(local);
        QProcess* remoteHelper = StartHelper(remote, "host=elsewhere.invalid");
        QVERIFY(localHelper && remoteHelper);
        QVERIFY(FindTitle(ListOnce({local, remote}), remote));

        QProcess starter;
        QProcessEnvironment env = ProgramEnvironment(folder.path());
        env.insert("DISPLAY", display);
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        env.insert("XDG_CONFIG_HOME", folder.filePath("cfg"));
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + folder.filePath("no-bus"));
        starter.setProcessEnvironment(env);
        starter.setWorkingDirectory(folder.filePath("work"));
        starter.start(KV_BIN_DIR "/KvStarter", {"Empty", "/force", "/term", "/logmode:1"});
        QVERIFY(starter.waitForFinished(60000));
        QCOMPARE(starter.exitCode(), 0);

        QVERIFY(localHelper->waitForFinished(10000));
        QCOMPARE(remoteHelper->state(), QProcess::Running);
        QVERIFY(FindTitle(List(), remote));
        QFile log(settings + "/KvStarter.log");
        QVERIFY(log.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(log.readAll());
        QVERIFY2(!text.contains("afar") && !text.contains("Terminating"), qPrintable(text));
        QVERIFY2(text.contains("  ->  Backup group: Empty"), qPrintable(text));
    }

    void noDisplayGivesNoWindows()
    {
        QVERIFY(!QFile::exists("/tmp/.X11-unix/X9731"));
        QVERIFY(ListTaskbarWindows(":9731").empty());
        QCOMPARE(ProcessProgramName(0), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(tst_TaskbarWindows)
#include "tst_TaskbarWindows.moc"
