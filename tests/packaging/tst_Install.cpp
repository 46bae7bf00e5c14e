// The installed tree: `cmake --install` into a temporary DESTDIR, then the programs from there
// find their catalogues, help pages and backup program, and answer --help and --version.
#include <memory>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include "ProgramEnvironment.h"
#include "TestFiles.h"

namespace {

const QStringList kPrograms{"KvStarter", "KvPlaner", "Kelvara"};

struct TRun {
    int exitCode = -1;
    QString out, err;
};

} // namespace

class tst_Install : public QObject {
    Q_OBJECT

private:
    QTemporaryDir tmp;
    QString root; // <DESTDIR>/usr

    QString Path(const QString& name) const { return tmp.filePath(name); }
    QString Bin(const QString& program) const { return root + "/bin/" + program; }

    // The environment of a user without settings who has a display: a program that loaded
    // its window module there would try to open it.
    QProcessEnvironment UserEnvironment() const
    {
        QProcessEnvironment env = ProgramEnvironment(tmp.path());
        env.insert("HOME", Path("home"));
        env.insert("XDG_CONFIG_HOME", Path("home/.config"));
        env.insert("XDG_DATA_HOME", Path("home/.local/share"));
        env.insert("DISPLAY", ":97");
        env.insert("LC_ALL", "C.UTF-8");
        env.remove("LANGUAGE");
        return env;
    }

    TRun Run(const QString& program, const QStringList& args,
             const QProcessEnvironment& env = {}) const
    {
        QProcess p;
        p.setProcessEnvironment(env.isEmpty() ? UserEnvironment() : env);
        p.setWorkingDirectory(tmp.path());
        p.setStandardInputFile(QProcess::nullDevice());
        p.start(program, args);
        TRun run;
        if (!p.waitForFinished(30000))
            return run;
        run.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
        run.out = QString::fromUtf8(p.readAllStandardOutput());
        run.err = QString::fromUtf8(p.readAllStandardError());
        return run;
    }

    QString ManPage(const QString& program) const
    {
        QProcess gzip;
        gzip.start("gzip", {"-dc", root + "/share/man/man1/" + program + ".1.gz"});
        gzip.waitForFinished();
        return QString::fromUtf8(gzip.readAllStandardOutput()).replace("\\-", "-");
    }

    // The options and commands --help lists ("/force", "--check"), as typed.
    static QStringList ListedOptions(const QString& help)
    {
        QStringList options;
        static const QRegularExpression option("^  (/[a-z]+|--[a-z]+)",
                                               QRegularExpression::MultilineOption);
        for (auto it = option.globalMatch(help); it.hasNext();)
            options << it.next().captured(1);
        return options;
    }

private slots:
    void initTestCase()
    {
        QVERIFY(tmp.isValid());
        QProcess install;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DESTDIR", Path("root"));
        install.setProcessEnvironment(env);
        install.start(KV_CMAKE_COMMAND, {"--install", KV_BINARY_DIR, "--prefix", "/usr"});
        QVERIFY(install.waitForFinished(120000));
        QVERIFY2(install.exitCode() == 0, install.readAllStandardError().constData());
        root = Path("root/usr");
    }

    void everyPartIsInstalled_data()
    {
        QTest::addColumn<QString>("file");
        for (const QString& program : kPrograms) {
            QTest::newRow(qPrintable(program)) << "usr/bin/" + program;
            QTest::newRow(qPrintable(program + ".1")) << "usr/share/man/man1/" + program + ".1.gz";
        }
        for (const QString module : {"KvStarterUi", "KvPlanerUi", "KvSessionServices", "KvPing"})
            QTest::newRow(qPrintable(module)) << "usr/bin/" + module + ".so";
        for (const QString app : {"org.kelvara.KvStarter", "org.kelvara.KvPlaner"}) {
            QTest::newRow(qPrintable(app + ".desktop"))
                << "usr/share/applications/" + app + ".desktop";
            QTest::newRow(qPrintable(app + ".svg"))
                << "usr/share/icons/hicolor/scalable/apps/" + app + ".svg";
            QTest::newRow(qPrintable(app + ".metainfo"))
                << "usr/share/metainfo/" + app + ".metainfo.xml";
        }
        for (const QString domain : {"default", "dialogs-svg", "Units"})
            QTest::newRow(qPrintable(domain + ".mo"))
                << "usr/share/kelvara6/locale/de/LC_MESSAGES/" + domain + ".mo";
        QTest::newRow("pam") << QString(KV_SYSTEM_PAM ? "etc/pam.d/kvstarter"
                                                      : "usr/share/kelvara6/pam.d/kvstarter");
        QTest::newRow("copyright") << "usr/share/doc/kelvara6/copyright";
        QTest::newRow("changelog") << "usr/share/doc/kelvara6/changelog.Debian.gz";
        QTest::newRow("style sheet") << "usr/share/kelvara6/help/kelvara-help.css";
    }
    void everyPartIsInstalled()
    {
        QFETCH(QString, file);
        QVERIFY2(QFileInfo(Path("root/" + file)).isFile(), qPrintable(file));
    }

    void everyHelpPageIsInstalled()
    {
        const QStringList pages = QDir(KV_SOURCE_DIR "/help").entryList({"*.html"}, QDir::Files);
        for (const QString& page : pages)
            QVERIFY2(QFile::exists(root + "/share/kelvara6/help/" + page), qPrintable(page));
    }

    void programsAnswerWithoutWindowsOrSettings_data()
    {
        QTest::addColumn<QString>("program");
        for (const QString& program : kPrograms)
            QTest::newRow(qPrintable(program)) << program;
    }
    // --version and --help: on standard output, exit code 0, with a display named but no
    // window module loaded, and no settings folder created.
    void programsAnswerWithoutWindowsOrSettings()
    {
        QFETCH(QString, program);
        const TRun version = Run(Bin(program), {"--version"});
        QCOMPARE(version.exitCode, 0);
        QVERIFY2(version.out.startsWith(program + " " KV_VERSION_TEXT " (built "),
                 qPrintable(version.out));
        QCOMPARE(version.err, QString());

        const TRun help = Run(Bin(program), {"/ini:x.ini", "--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY2(help.out.startsWith("Usage: " + program + " "), qPrintable(help.out));
        QVERIFY(help.out.contains("--version"));
        for (const QString& line : help.out.split(u'\n'))
            QVERIFY2(line.size() < 80, qPrintable(line)); // fits a terminal
        QCOMPARE(help.err, QString());
        QVERIFY(!QFileInfo::exists(Path("home/.config")));

        // A copy of the program without its window module answers as well.
        const QString alone = Path("alone/bin/" + program);
        QVERIFY(QDir().mkpath(Path("alone/bin")));
        QFile::remove(alone);
        QVERIFY(QFile::copy(Bin(program), alone));
        QFile::setPermissions(alone, QFile::permissions(Bin(program)));
        QCOMPARE(Run(alone, {"--help"}).exitCode, 0);
    }

    // Every option and command that --help lists is described in the manual page.
    void manPageDescribesEveryOption_data() { programsAnswerWithoutWindowsOrSettings_data(); }
    void manPageDescribesEveryOption()
    {
        QFETCH(QString, program);
        const QStringList options = ListedOptions(Run(Bin(program), {"--help"}).out);
        QVERIFY(options.size() >= 5);
        const QString man = ManPage(program);
        QVERIFY(man.startsWith(".TH "));
        for (const QString& option : options)
            QVERIFY2(man.contains(option), qPrintable(program + ": " + option));
    }

    void unknownLongCommandShowsTheUsage_data()
    {
        QTest::addColumn<QString>("program");
        QTest::addColumn<QStringList>("args");
        QTest::newRow("KvStarter") << "KvStarter" << QStringList{"Daily", "/force", "--forse"};
        // Not handed on to the backup program as its other options are.
        QTest::newRow("KvPlaner") << "KvPlaner" << QStringList{"Demo", "--verbose"};
        QTest::newRow("Kelvara") << "Kelvara" << QStringList{"--mode=full", "task.buj"};
    }
    void unknownLongCommandShowsTheUsage()
    {
        QFETCH(QString, program);
        QFETCH(QStringList, args);
        const TRun run = Run(Bin(program), args);
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(run.out, QString());
        const QString word = args.filter(QRegularExpression("^--")).first();
        QVERIFY2(run.err.startsWith(program + ": unknown option \"" + word + "\"\n"),
                 qPrintable(run.err));
        QVERIFY(run.err.contains("Usage: " + program));
        QVERIFY(!QFileInfo::exists(Path("home/.config")));
    }

    // The installed German catalogue is found beside the installed program.
    void germanHelpFromTheInstalledCatalogue()
    {
        const TRun help = Run(Bin("KvStarter"), {"/lang:de", "--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY2(help.out.startsWith("Aufruf: KvStarter "), qPrintable(help.out));
        QVERIFY2(help.out.contains("diese Hilfe zeigen und beenden"), qPrintable(help.out));
    }

    // The demo schedule's first step from the installed tree: KvPlaner starts the installed
    // backup program beside it, which makes the full backup.
    void scheduledRunOfTheDemo()
    {
        const QString demo = Path("demo");
        QVERIFY(kvtest::CopyDemo(KV_SOURCE_DIR "/demo/data", demo));
        QProcessEnvironment env = UserEnvironment();
        env.remove("DISPLAY");
        if (!SetToday(env, QDate(2026, 3, 2), "KvPlaner"))
            QSKIP("libfaketime is not installed");
        const TRun run = Run(Bin("KvPlaner"), {"Demo", "/ini:" + demo + "/KvPlaner.ini"}, env);
        QVERIFY2(run.exitCode == 0, qPrintable(run.err));
        // KvPlaner does not wait for the backup: its log tells when it is done.
        const QString log = demo + "/Documents.log";
        QTRY_VERIFY_WITH_TIMEOUT(QString::fromUtf8(kvtest::ReadFile(log)).contains("  Finished: "),
                                 60000);
        QVERIFY2(QString::fromUtf8(kvtest::ReadFile(log)).contains("exit code 0"),
                 kvtest::ReadFile(log).constData());
        QVERIFY(QFileInfo::exists(demo + "/backup/Bu01F/Documents/notes.txt"));
    }
};

QTEST_GUILESS_MAIN(tst_Install)
#include "tst_Install.moc"
