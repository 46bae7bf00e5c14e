#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include "common/platform/CommandLine.h"
#include "common/platform/WinShell.h"
#include "support/LaunchRecord.h"

namespace {

std::string Std(const QString& text)
{
    return text.toStdString();
}

QStringList Words(const std::vector<std::string>& words)
{
    QStringList list;
    for (const std::string& w : words)
        list.append(QString::fromStdString(w));
    return list;
}

bool WriteText(const QString& path, const QByteArray& text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

} // namespace

class tst_WinShell : public QObject {
    Q_OBJECT

private slots:
    void execQuoting_data()
    {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<QString>("exec");
        QTest::newRow("plain") << "/force"
                               << "/force";
        QTest::newRow("empty") << ""
                               << "\"\"";
        QTest::newRow("blank") << "Daily backup"
                               << "\"Daily backup\"";
        QTest::newRow("quotes") << "say \"hi\""
                                << "\"say \\\"hi\\\"\"";
        QTest::newRow("percent") << "50%"
                                 << "50%%";
        QTest::newRow("percent quoted") << "50% off"
                                        << "\"50%% off\"";
        QTest::newRow("backslash") << "C:\\dir"
                                   << "\"C:\\\\dir\"";
        QTest::newRow("dollar") << "$HOME"
                                << "\"\\$HOME\"";
        QTest::newRow("backtick") << "`id`"
                                  << "\"\\`id\\`\"";
        QTest::newRow("single quote") << "it's"
                                      << "\"it's\"";
        QTest::newRow("ini option") << "/ini:/my dir/x.ini"
                                    << "\"/ini:/my dir/x.ini\"";
        QTest::newRow("umlaut") << "Sicherung-Ü"
                                << "Sicherung-Ü";
    }

    // Each argument is quoted as launchers expect and splits back into itself.
    void execQuoting()
    {
        QFETCH(QString, argument);
        QFETCH(QString, exec);
        QCOMPARE(QString::fromStdString(DesktopExecQuote(Std(argument))), exec);
        QCOMPARE(Words(SplitDesktopExec(DesktopExecQuote(Std(argument)))), QStringList{argument});
    }

    void valueEscaping_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("escaped");
        QTest::newRow("plain") << "Backup A"
                               << "Backup A";
        QTest::newRow("backslash") << "\"C:\\\\dir\""
                                   << "\"C:\\\\\\\\dir\"";
        QTest::newRow("line break and tab") << "a\nb\tc\rd"
                                            << "a\\nb\\tc\\rd";
        QTest::newRow("leading blank") << " x y"
                                       << "\\sx y";
        QTest::newRow("blanks at both ends") << " x y  "
                                             << "\\sx y \\s";
    }

    void valueEscaping()
    {
        QFETCH(QString, value);
        QFETCH(QString, escaped);
        QCOMPARE(QString::fromStdString(EscapeDesktopValue(Std(value))), escaped);
        QCOMPARE(QString::fromStdString(UnescapeDesktopValue(Std(escaped))), value);
    }

    void splitExec_data()
    {
        QTest::addColumn<QString>("exec");
        QTest::addColumn<QStringList>("words");
        QTest::newRow("field codes dropped") << "prog %U --x=%f" << QStringList{"prog", "--x="};
        QTest::newRow("doubled percent") << "prog 100%%" << QStringList{"prog", "100%"};
        QTest::newRow("single quotes") << "prog 'a b'" << QStringList{"prog", "a b"};
        QTest::newRow("unclosed quote") << "prog \"a b" << QStringList{"prog", "a b"};
        QTest::newRow("trailing backslash") << "prog a\\" << QStringList{"prog", "a\\"};
        QTest::newRow("lone percent") << "prog %" << QStringList{"prog", "%"};
        QTest::newRow("empty quoted") << "prog \"\" x" << QStringList{"prog", "", "x"};
        QTest::newRow("nothing") << "   " << QStringList{};
    }

    // Hand-edited Exec lines read without harm.
    void splitExec()
    {
        QFETCH(QString, exec);
        QFETCH(QStringList, words);
        QCOMPARE(Words(SplitDesktopExec(Std(exec))), words);
    }

    void desktopFolderFromUserDirs_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("folder");
        QTest::newRow("home relative") << "# comment\nXDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
                                       << "/home/me/Schreibtisch";
        QTest::newRow("absolute") << "XDG_DESKTOP_DIR=\"/data/desk/\""
                                  << "/data/desk";
        QTest::newRow("other keys only") << "XDG_DOCUMENTS_DIR=\"$HOME/Docs\""
                                         << "";
        QTest::newRow("relative ignored") << "XDG_DESKTOP_DIR=\"desk\""
                                          << "";
    }

    void desktopFolderFromUserDirs()
    {
        QFETCH(QString, text);
        QFETCH(QString, folder);
        QCOMPARE(QString::fromStdString(DesktopFolderFromUserDirs(Std(text), "/home/me")), folder);
    }

    void desktopFolderFollowsUserDirs()
    {
        QTemporaryDir home;
        const QByteArray oldHome = qgetenv("HOME"), oldConfig = qgetenv("XDG_CONFIG_HOME");
        qputenv("HOME", home.path().toUtf8());
        qunsetenv("XDG_CONFIG_HOME");
        const QString fallback = QString::fromStdString(GetDesktopFolder());
        QDir(home.path()).mkpath(".config");
        WriteText(home.filePath(".config/user-dirs.dirs"), "XDG_DESKTOP_DIR=\"$HOME/Arbeit\"\n");
        const QString named = QString::fromStdString(GetDesktopFolder());
        qputenv("HOME", oldHome);
        qputenv("XDG_CONFIG_HOME", oldConfig);
        QCOMPARE(fallback, home.filePath("Desktop/"));
        QCOMPARE(named, home.filePath("Arbeit/"));
    }

    void roundTrip_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("workingFolder");
        QTest::addColumn<bool>("runAsAdmin");
        QTest::newRow("groups and options")
            << "Daily \"Weekly full\" /force /logmode:1 /end:shutdown /term"
            << "Backups"
            << "/opt/kv" << false;
        QTest::newRow("ini with blank") << "A /force \"/ini:/home/me/my settings/\""
                                        << "A b"
                                        << "/opt/my kv" << true;
        QTest::newRow("awkward characters") << "\"50% $HOME\" C:\\dir \"it's \"\"quoted\"\"\" `x`"
                                            << "Name \\ with \"quotes\""
                                            << "" << false;
        QTest::newRow("folder ending in a blank") << "a"
                                                  << "Backup "
                                                  << "/opt/kv " << false;
        QTest::newRow("no arguments") << ""
                                      << ""
                                      << "" << false;
    }

    // What is written reads back, and every written launcher passes the validator.
    void roundTrip()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, description);
        QFETCH(QString, workingFolder);
        QFETCH(bool, runAsAdmin);
        QTemporaryDir desk;
        const QString file = desk.filePath("Test shortcut.desktop");
        const QString target = "/opt/my kv/bin/KvStarter";
        QCOMPARE(CreateShortcut(Std(file), Std(target), Std(arguments), Std(workingFolder),
                                Std(description), runAsAdmin),
                 0);
        QCOMPARE(DesktopFileComplaints(file), QString());
        QVERIFY(QFileInfo(file).isExecutable());
        TShortcutLink link;
        QCOMPARE(ReadShortcut(Std(file), link), 0);
        QCOMPARE(QString::fromStdString(link.target), target);
        QCOMPARE(Words(SplitCommandLine(link.arguments)), Words(SplitCommandLine(Std(arguments))));
        QCOMPARE(QString::fromStdString(link.workingFolder), workingFolder);
        QCOMPARE(QString::fromStdString(link.description),
                 description.isEmpty() ? QString("Test shortcut") : description);
        QCOMPARE(link.runAsAdmin, runAsAdmin);
        QCOMPARE(QDir(desk.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{"Test shortcut.desktop"});
    }

    void readMissingGivesTwo()
    {
        TShortcutLink link;
        link.target = "stale";
        QCOMPARE(ReadShortcut("/nonexistent/x.desktop", link), 2);
        QVERIFY(link.target.empty());
    }

    void readHandEditedLaunchers_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<int>("result");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("broken quoting")
            << QByteArray("[Desktop Entry]\nName=x\nExec=\"/bin/prog a \\\"b\n") << 0
            << "/bin/prog a \"b" << QStringList{};
        QTest::newRow("other groups ignored")
            << QByteArray("[Desktop Action x]\nExec=/bin/no\n[Desktop Entry]\nExec=/bin/yes 1\n")
            << 0 << "/bin/yes" << QStringList{"1"};
        QTest::newRow("folder link")
            << QByteArray("[Desktop Entry]\nType=Link\nURL=file:///srv/my%20data\n") << 0
            << "/srv/my data" << QStringList{};
        QTest::newRow("no launcher") << QByteArray("just text\n") << -22 << "" << QStringList{};
    }

    void readHandEditedLaunchers()
    {
        QFETCH(QByteArray, text);
        QFETCH(int, result);
        QFETCH(QString, target);
        QFETCH(QStringList, arguments);
        QTemporaryDir desk;
        const QString file = desk.filePath("edited.desktop");
        QVERIFY(WriteText(file, text));
        TShortcutLink link;
        QCOMPARE(ReadShortcut(Std(file), link), result);
        QCOMPARE(QString::fromStdString(link.target), target);
        QCOMPARE(Words(SplitCommandLine(link.arguments)), arguments);
    }

    // A directory where the launcher should go: an error, the directory untouched, no leftovers.
    void unwritableLauncherLeavesNothing()
    {
        QTemporaryDir desk;
        const QString file = desk.filePath("Taken.desktop");
        QVERIFY(QDir(desk.path()).mkdir("Taken.desktop"));
        const int rc = CreateShortcut(Std(file), "/bin/true", "", "", "Taken", false);
        QVERIFY(rc < 0);
        QVERIFY(!ShellErrorMessage(rc).empty());
        QVERIFY(QFileInfo(file).isDir());
        QCOMPARE(
            QDir(desk.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
            QStringList{"Taken.desktop"});
        QVERIFY(CreateShortcut(Std(desk.filePath("missing/x.desktop")), "/bin/true", "", "", "x",
                               false) < 0);
    }

    // The desktop's own launcher code starts the program with exactly the arguments.
    void launchedByGio()
    {
        QTemporaryDir desk;
        const QString file = desk.filePath("Launch.desktop");
        const QString record = desk.filePath("record");
        const QString arguments = "\"Group one\" 50% \"$HOME\" C:\\x \"say \"\"hi\"\"\" /force";
        QCOMPARE(CreateShortcut(Std(file), Std(ShortcutTargetProgram()), Std(arguments),
                                Std(desk.path()), "Launch", false),
                 0);
        QVERIFY(LaunchWithGio(file, record));
        const LaunchRecord launched = WaitForLaunchRecord(record);
        QCOMPARE(launched.workingFolder, desk.path());
        QCOMPARE(launched.arguments,
                 (QStringList{"Group one", "50%", "$HOME", "C:\\x", "say \"hi\"", "/force"}));
    }
};

QTEST_GUILESS_MAIN(tst_WinShell)
#include "tst_WinShell.moc"
