#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLibrary>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "common/platform/SessionOnDemand.h"
#include "common/ui/AppStart.h"
#include "starter/StarterSettings.h"

namespace {

// Libraries of the window system; a program started without a display must load none of them.
const QRegularExpression
    kWindowSystem("libQt6(Gui|Widgets|OpenGL|XcbQpa)|libX11|libEGL|libGL|libfontconfig|libfreetype|"
                  "libharfbuzz|libxkbcommon");
// Libraries of the system's bus; only a session action needs them.
const QRegularExpression kBus("libQt6DBus|libdbus-1");

QString TestModule(const char* kind)
{
    return QStringLiteral(KV_BINARY_DIR "/tests/bin/kv_test_module_%1.so").arg(kind);
}

bool WriteFile(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

// The shared libraries the file names as its dependencies.
QStringList NeededLibraries(const QString& file)
{
    QProcess readelf;
    readelf.start("readelf", {"-d", file});
    if (!readelf.waitForFinished(10000))
        return {};
    QStringList needed;
    static const QRegularExpression entry(R"(\(NEEDED\)\s+Shared library: \[([^\]]+)\])");
    for (const auto& match : entry.globalMatch(QString::fromUtf8(readelf.readAllStandardOutput())))
        needed << match.captured(1);
    return needed;
}

} // namespace

class tst_AppStart : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;

    QString Path(const QString& name) const { return dir.filePath(name); }

    // A scheduled run's environment: no display, the test's own settings and registry.
    QProcessEnvironment RunEnvironment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
            env.remove(name);
        env.insert("HOME", dir.path());
        env.insert("XDG_CONFIG_HOME", Path("config"));
        env.insert("KELVARA_MACHINE_REGISTRY", Path("registry.ini"));
        env.insert("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + Path("no-bus"));
        env.insert("FAKE_KELVARA_LOG", Path("kelvara.log"));
        return env;
    }

    // Settings of both programs that start the backup program once.
    void WriteSettings() const
    {
        QDir().mkpath(Path("config/Kelvara6"));
        QDir().mkpath(Path("work"));
        QFile::link(KV_BIN_DIR "/fake-kelvara", Path("work/Kelvara"));
        WriteFile(Path("task.buj"), "[Global]\nDestination=/nowhere\n");
        WriteFile(Path("config/Kelvara6/KvPlaner.ini"),
                  QString("[Config]\nCount=1\n[Sched00]\nName=Night\nTask=%1\nCycles=2\nSteps=3\n"
                          "FirstDay=1\nDifferential=0\nSilent=0\n")
                      .arg(Path("task.buj"))
                      .toUtf8());
        auto group = std::make_unique<TTaskProperties>("Night");
        group->Pwd = "unused";
        group->PwdPrompt = false;
        group->AddTask(Path("task.buj"), true);
        TStarterSettings settings;
        settings.Groups.push_back(std::move(group));
        SaveStarterSettings(Path("config/Kelvara6/KvStarter.ini"), settings);
    }

    // The libraries the dynamic loader initialised in every process of the run.
    QStringList LoadedLibraries(const QString& prefix) const
    {
        QStringList loaded;
        static const QRegularExpression init(R"(calling init: (\S+))");
        QDirIterator files(dir.path(), {QFileInfo(prefix).fileName() + ".*"}, QDir::Files);
        while (files.hasNext()) {
            QFile f(files.next());
            if (f.open(QIODevice::ReadOnly))
                for (const auto& match : init.globalMatch(QString::fromUtf8(f.readAll())))
                    loaded << match.captured(1);
        }
        return loaded;
    }

private slots:
    void loadProgramModule_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("entry");
        QTest::addColumn<QString>("failure"); // empty: the module loads
        const QByteArray windows = kWindowModuleEntry;
        QTest::newRow("missing") << Path("nothing.so") << windows << "is missing.";
        QTest::newRow("not a library") << Path("garbage.so") << windows << "cannot be loaded: ";
        QTest::newRow("no entry point")
            << TestModule("no_entry") << windows << "is not a module of this program.";
        QTest::newRow("another version") << TestModule("other_version") << windows
                                         << "belongs to another version of this program.";
        QTest::newRow("KvPlaner's windows") << KV_BIN_DIR "/KvPlanerUi.so" << windows << "";
        QTest::newRow("KvStarter's windows") << KV_BIN_DIR "/KvStarterUi.so" << windows << "";
        QTest::newRow("session services")
            << KV_BIN_DIR "/KvSessionServices.so" << QByteArray(kSessionModuleEntry) << "";
    }

    void loadProgramModule()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, entry);
        QFETCH(QString, failure);
        QVERIFY(WriteFile(Path("garbage.so"), "not a library\n"));
        const TLoadedModule loaded = LoadProgramModule(file, entry.constData());
        const QString text = LoadFailureText(loaded);
        QCOMPARE(loaded.Object == nullptr, !failure.isEmpty());
        if (entry == kSessionModuleEntry)
            delete static_cast<ISessionService*>(loaded.Object);
        if (failure.isEmpty()) {
            QVERIFY2(text.isEmpty(), qPrintable(text));
            return;
        }
        QVERIFY2(text.contains(file) && text.contains(failure), qPrintable(text));
    }

    // A module of another build must not be driven through an interface that may differ.
    void moduleRefusesAnotherVersion()
    {
        QLibrary module(KV_BIN_DIR "/KvPlanerUi.so");
        const auto entry = reinterpret_cast<TModuleEntry>(module.resolve(kWindowModuleEntry));
        QVERIFY2(entry, qPrintable(module.errorString()));
        QVERIFY(entry(KV_VERSION_STRING) != nullptr);
        QCOMPARE(entry("0.0.0.0"), nullptr);
        QCOMPARE(entry(nullptr), nullptr);
    }

    void programsDependOnNoWindowSystem_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<bool>("windows");
        QTest::addColumn<bool>("bus");
        QTest::addColumn<bool>("network"); // Qt Network: only the ping module needs it
        QTest::newRow("KvPlaner") << KV_BIN_DIR "/KvPlaner" << false << false << false;
        QTest::newRow("KvStarter") << KV_BIN_DIR "/KvStarter" << false << false << false;
        // The windows read the states of scheduled tasks over the user's bus; Qt Gui needs the
        // bus library anyway.
        QTest::newRow("KvPlaner's windows")
            << KV_BIN_DIR "/KvPlanerUi.so" << true << true << false;
        QTest::newRow("KvStarter's windows")
            << KV_BIN_DIR "/KvStarterUi.so" << true << true << false;
        QTest::newRow("session services")
            << KV_BIN_DIR "/KvSessionServices.so" << false << true << false;
        QTest::newRow("pings") << KV_BIN_DIR "/KvPing.so" << false << false << true;
    }

    // Bound at start or not, every library named here is loaded with the program.
    void programsDependOnNoWindowSystem()
    {
        QFETCH(QString, file);
        QFETCH(bool, windows);
        QFETCH(bool, bus);
        QFETCH(bool, network);
        const QStringList needed = NeededLibraries(file);
        QVERIFY2(needed.contains("libQt6Core.so.6"), qPrintable(needed.join(' ')));
        QCOMPARE(!needed.filter(kWindowSystem).isEmpty(), windows);
        QCOMPARE(!needed.filter(kBus).isEmpty(), bus);
        QCOMPARE(!needed.filter("libQt6Network").isEmpty(), network);
    }

    void runWithoutDisplayLoadsNoWindowSystem_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<bool>("backup"); // the run starts the backup program
        // A terminal, so that the unknown schedule is told there and not in the system log.
        QTest::newRow("KvPlaner") << "script"
                                  << QStringList{"-qec", "'" KV_BIN_DIR "/KvPlaner' Unknown",
                                                 "/dev/null"}
                                  << false;
        QTest::newRow("KvStarter")
            << KV_BIN_DIR "/KvStarter" << QStringList{"Night", "/force"} << true;
    }

    // The whole run, with every library that it loads on the way.
    void runWithoutDisplayLoadsNoWindowSystem()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        QFETCH(bool, backup);
        WriteSettings();
        QFile::remove(Path("kelvara.log"));
        const QString trace = Path("ld-" + QString(QTest::currentDataTag()));
        QProcessEnvironment env = RunEnvironment();
        env.insert("LD_DEBUG", "libs");
        env.insert("LD_DEBUG_OUTPUT", trace);
        QProcess p;
        p.setProcessEnvironment(env);
        p.setWorkingDirectory(Path("work"));
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(program, args);
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitCode(), 0);
        if (backup)
            QVERIFY2(QTest::qWaitFor([&] { return QFile::exists(Path("kelvara.log")); }, 10000),
                     "the backup program was not started");
        const QStringList loaded = LoadedLibraries(trace);
        QVERIFY2(!loaded.filter("libQt6Core").isEmpty(), qPrintable(loaded.join(' ')));
        QCOMPARE(loaded.filter(kWindowSystem), QStringList());
        QCOMPARE(loaded.filter(kBus), QStringList());
    }

    // With a display named, a program without its window module says so and fails.
    void missingModuleIsReported()
    {
        QVERIFY(QDir().mkpath(Path("alone")));
        QFile::remove(Path("alone/KvPlaner"));
        QVERIFY(QFile::copy(KV_BIN_DIR "/KvPlaner", Path("alone/KvPlaner")));
        QProcessEnvironment env = RunEnvironment();
        env.insert("DISPLAY", ":97");
        QProcess p;
        p.setProcessEnvironment(env);
        p.start(Path("alone/KvPlaner"), {"Night"});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 1);
        QCOMPARE(QString::fromLocal8Bit(p.readAllStandardError()),
                 "Error: The module " + Path("alone/KvPlanerUi.so") + " is missing.\n");
    }

    // Without its session module a run still backs up, and the failed action is told.
    void missingSessionModuleFailsTheAction()
    {
        WriteSettings();
        QVERIFY(QDir().mkpath(Path("alone")));
        QFile::remove(Path("alone/KvStarter"));
        QVERIFY(QFile::copy(KV_BIN_DIR "/KvStarter", Path("alone/KvStarter")));
        QFile::remove(Path("kelvara.log"));
        QProcess p;
        p.setProcessEnvironment(RunEnvironment());
        p.setWorkingDirectory(Path("work"));
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(Path("alone/KvStarter"), {"Night", "/force", "/logmode:1", "/end:shutdown"});
        QVERIFY(p.waitForFinished(20000));
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QVERIFY(QFile::exists(Path("kelvara.log")));
        const QString text = QString::fromLocal8Bit(p.readAllStandardError());
        QVERIFY2(text.contains("Error on shutting down or logging off!") &&
                     text.contains(Path("alone/KvSessionServices.so") + " is missing."),
                 qPrintable(text));
    }

    // On a real display the message box comes from the window module.
    void messageBoxOnDisplay()
    {
        if (QStandardPaths::findExecutable("Xvfb").isEmpty() ||
            QStandardPaths::findExecutable("xwininfo").isEmpty())
            QSKIP("Xvfb or xwininfo (x11-utils) is not installed");
        QTemporaryDir runtime;
        QVERIFY(QFile::setPermissions(runtime.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        QProcess server;
        server.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "800x600x24"});
        QVERIFY(server.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return server.canReadLine(); }, 15000));
        QProcessEnvironment env = RunEnvironment();
        env.insert("DISPLAY", ":" + QString::fromUtf8(server.readLine()).trimmed());
        env.insert("XDG_RUNTIME_DIR", runtime.path());
        QProcess planer;
        planer.setProcessEnvironment(env);
        planer.start(KV_BIN_DIR "/KvPlaner", {"Unknown", "/interactive"});
        const auto boxShown = [&] {
            QProcess tree;
            tree.setProcessEnvironment(env);
            tree.start("xwininfo", {"-root", "-tree"});
            return tree.waitForFinished(5000) &&
                   tree.readAllStandardOutput().contains(R"("Error": ("KvPlaner" "KvPlaner"))");
        };
        const bool shown = QTest::qWaitFor(boxShown, 15000);
        planer.kill();
        planer.waitForFinished(5000);
        server.terminate();
        server.waitForFinished(5000);
        QVERIFY2(shown, planer.readAllStandardError().constData());
    }
};

QTEST_GUILESS_MAIN(tst_AppStart)
#include "tst_AppStart.moc"
