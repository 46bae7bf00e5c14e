#include <cstring>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <unistd.h>

#include "ScopedEnv.h"
#include "TestAccounts.h"
#include "common/platform/WinExecute.h"

using namespace kvtest;

namespace {

// The accounts this test makes, and the ones a crashed run left behind.
const QString kAccountPrefix = QStringLiteral("kvtest");

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// Process ids whose command line or environment holds the text.
QStringList ProcessesHolding(const QByteArray& text)
{
    QStringList found;
    for (const QString& pid : QDir("/proc").entryList(QDir::Dirs)) {
        if (pid.toInt() <= 0)
            continue;
        for (const char* part : {"/cmdline", "/environ"})
            if (ReadFile("/proc/" + pid + part).contains(text))
                found << pid + part;
    }
    return found;
}

bool IsZombieOrGone(int pid)
{
    const QByteArray stat = ReadFile("/proc/" + QString::number(pid) + "/stat");
    return stat.isEmpty() || stat.mid(stat.lastIndexOf(')') + 2, 1) == "Z";
}

const QRegularExpression kErrorForm("^.+ \\(0x[0-9A-F]{8}\\)$");

// Our PAM service, installed under a name of its own and removed again.
struct TPamService {
    QString name = "kvtest-" + RandomDigits();
    QString Path() const { return "/etc/pam.d/" + name; }
    bool Install(const QByteArray& content) { return WriteFile(Path(), content); }
    ~TPamService() { QFile::remove(Path()); }
};

} // namespace

class tst_WinExecute : public QObject {
    Q_OBJECT

private:
    QTemporaryDir temp;

    static std::uint32_t RunToEnd(const std::string& commandLine, const std::string& folder = {})
    {
        TProcessHandle handle = StartProcess(commandLine, folder);
        return WaitForProcess(handle, 0);
    }

private slots:
    // A run that crashed could not clean up after itself: its accounts and services go now.
    void initTestCase()
    {
        if (getuid() != 0)
            return;
        RemoveLeftoverAccounts(kAccountPrefix);
        for (const QString& name : QDir("/etc/pam.d").entryList({"kvtest-??????"}, QDir::Files))
            QFile::remove("/etc/pam.d/" + name);
    }

    void exitResults_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<quint32>("result");
        QTest::newRow("exit code 0") << "exit 0" << quint32(0);
        QTest::newRow("exit code 4") << "exit 4" << quint32(kExitCodeFlag | 4);
        QTest::newRow("exit code 255") << "exit 255" << quint32(kExitCodeFlag | 255);
        QTest::newRow("ended by SIGTERM") << "kill -TERM $$" << quint32(kExitCodeFlag | (128 + 15));
    }

    void exitResults()
    {
        QFETCH(QString, script);
        QFETCH(quint32, result);
        QCOMPARE(RunToEnd("/bin/sh -c \"" + script.toStdString() + "\""), result);
    }

    void pollGivesTimeoutThenTheResult()
    {
        TProcessHandle handle = StartProcess("/bin/sh -c \"sleep 0.6; exit 3\"", {});
        const int pid = handle.ProcessId();
        QVERIFY(pid > 0);
        QCOMPARE(WaitForProcess(handle, 100), kWaitTimeout);
        QVERIFY(handle.IsOpen());
        QCOMPARE(handle.ProcessId(), pid);
        int slices = 0;
        QCOMPARE(WaitForProcess(handle, 0, [&] { ++slices; }), kExitCodeFlag | 3);
        QVERIFY2(slices >= 3, qPrintable(QString::number(slices)));
        QVERIFY(!handle.IsOpen());
        QVERIFY(IsZombieOrGone(pid) &&
                ReadFile("/proc/" + QString::number(pid) + "/stat").isEmpty());
        // A closed handle gives a system error code, not a fake exit result.
        const std::uint32_t again = WaitForProcess(handle, 100);
        QVERIFY(again != 0 && again != kWaitTimeout && !(again & kExitCodeFlag));
    }

    void givenUpChildLeavesNoZombie()
    {
        int pid = 0;
        {
            TProcessHandle handle = StartProcess("/bin/sh -c \"sleep 0.2\"", {});
            pid = handle.ProcessId();
        }
        QTRY_VERIFY_WITH_TIMEOUT(ReadFile("/proc/" + QString::number(pid) + "/stat").isEmpty(),
                                 5000);
    }

    void startFailures_data()
    {
        QTest::addColumn<QString>("commandLine");
        QTest::newRow("missing path") << "/nonexistent/kv-program -x";
        QTest::newRow("name not on the search path") << "kv-no-such-program-" + RandomDigits();
        QTest::newRow("empty") << "";
        QTest::newRow("only blanks") << "   ";
        QTest::newRow("empty quoted program") << "\"\" arg";
    }

    void startFailures()
    {
        QFETCH(QString, commandLine);
        for (bool asUser : {false, true}) {
            try {
                TProcessHandle handle =
                    asUser ? StartProcessAsUser("", "", "", "", commandLine.toStdString())
                           : StartProcess(commandLine.toStdString(), {});
                QFAIL("started");
            } catch (const EProcessError& e) {
                QCOMPARE(QString(e.what()), QString(std::strerror(ENOENT)) + " (0x00000002)");
                QCOMPARE(e.Code(), 2u);
            }
        }
    }

    void quotedPathsWithBlanksAndFolder()
    {
        const QString folder = temp.filePath("my dir");
        QVERIFY(QDir().mkpath(folder + "/work place"));
        const QString script = folder + "/list args.sh";
        QVERIFY(
            WriteFile(script, "#!/bin/sh\npwd > out.txt\nprintf '[%s]\\n' \"$@\" >> out.txt\n"));
        QVERIFY(QFile::setPermissions(script, QFile::ReadOwner | QFile::ExeOwner));
        const std::string line =
            "\"" + script.toStdString() + "\" \"one two\" three \"say \"\"hi\"\"\"";
        QCOMPARE(RunToEnd(line, QString(folder + "/work place").toStdString()), 0u);
        QCOMPARE(ReadFile(folder + "/work place/out.txt"),
                 (folder + "/work place\n[one two]\n[three]\n[say \"hi\"]\n").toUtf8());
    }

    void currentUserStartsDirectly()
    {
        const QString out = temp.filePath("self.txt");
        const std::string me = QString::fromLocal8Bit(qgetenv("USER")).toStdString();
        TProcessHandle handle =
            StartProcessAsUser(getuid() == 0 ? "root" : me, "DOMAIN", "not checked",
                               temp.path().toStdString(), "/bin/sh -c \"id -u > self.txt\"");
        QCOMPARE(WaitForProcess(handle, 0), 0u);
        QCOMPARE(ReadFile(out).trimmed().toInt(), int(getuid()));
    }

    void launcherFactoryIsReplaceable()
    {
        struct TCountingLauncher : IProcessLauncher {
            int* starts;
            explicit TCountingLauncher(int* starts) : starts(starts) {}
            TProcessHandle StartAsUser(const std::string&, const std::string&, const std::string&,
                                       const std::string& folder, const std::string& line) override
            {
                ++*starts;
                return StartProcess(line, folder);
            }
            TProcessHandle Start(const std::string& line, const std::string& folder) override
            {
                ++*starts;
                return StartProcess(line, folder);
            }
            std::uint32_t Wait(TProcessHandle& h, std::uint32_t ms, const TEventsHook& e) override
            {
                return WaitForProcess(h, ms, e);
            }
        };
        int starts = 0;
        SetProcessLauncherFactory([&] { return std::make_unique<TCountingLauncher>(&starts); });
        auto launcher = CreateProcessLauncher();
        TProcessHandle handle =
            launcher->StartAsUser("DOM\\x", "", "", "", "/bin/sh -c \"exit 4\"");
        QCOMPARE(launcher->Wait(handle, 0, {}), kExitCodeFlag | 4);
        QCOMPARE(starts, 1);
        SetProcessLauncherFactory({});
        handle = CreateProcessLauncher()->Start("/bin/true", {});
        QCOMPARE(starts, 1);
        QCOMPARE(WaitForProcess(handle, 0), 0u);
    }

    // Accounts: these need root to create an account and to log on through PAM.

    void startsUnderAnotherAccount()
    {
        if (getuid() != 0)
            QSKIP("needs root: creates a local account and logs on to it through PAM");
        TTestAccount account(kAccountPrefix, {"users"});
        QVERIFY(account.Create());
        TPamService service;
        QVERIFY(service.Install(ReadFile(KV_SOURCE_DIR "/src/common/platform/pam/kvstarter")));
        SetLogonOptions({service.name.toStdString(), {}});
        const ScopedEnv inherited("KV_TEST_INHERITED", "from-the-caller");
        // Our folder is closed to the account: the program starts in the account's home.
        QTemporaryDir closed;
        QVERIFY(QFile::setPermissions(closed.path(),
                                      QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        const QString ours = QDir::currentPath();
        QVERIFY(QDir::setCurrent(closed.path()));

        const QString out = account.Home() + "/identity.txt";
        const std::string line = "/bin/sh -c \"{ id -un; id -Gn; pwd; echo $HOME $USER $LOGNAME; "
                                 "echo ${KV_TEST_INHERITED:-none}; } > identity.txt; sleep 1\"";
        TProcessHandle handle = StartProcessAsUser(account.name.toStdString(), "OFFICE",
                                                   account.password.toStdString(), "", line);
        QDir::setCurrent(ours);
        QTRY_VERIFY_WITH_TIMEOUT(ReadFile(out).count('\n') == 5, 5000);
        QCOMPARE(ProcessesHolding(account.password.toUtf8()), QStringList());
        QCOMPARE(WaitForProcess(handle, 0), 0u);

        const QList<QByteArray> lines = ReadFile(out).split('\n');
        QCOMPARE(lines.value(0), account.name.toUtf8());
        QVERIFY2(lines.value(1).split(' ').contains("users"), lines.value(1));
        QCOMPARE(lines.value(2), account.Home().toUtf8());
        QCOMPARE(lines.value(3),
                 (account.Home() + " " + account.name + " " + account.name).toUtf8());
        QCOMPARE(lines.value(4), QByteArray("none"));
    }

    // Without the service in the system's folder, the one beside the program serves, so a
    // fresh installation logs on without touching /etc/pam.d.
    void ownServiceFileServesWhenTheSystemHasNone()
    {
        if (getuid() != 0)
            QSKIP("needs root: creates a local account and logs on to it through PAM");
        TTestAccount account(kAccountPrefix, {"users"});
        QVERIFY(account.Create());
        const QString name = "kvtest-" + RandomDigits();
        const QString own = KV_BINARY_DIR "/tests/share/kelvara6/pam.d/" + name;
        QVERIFY(QDir().mkpath(QFileInfo(own).absolutePath()));
        QVERIFY(WriteFile(own, ReadFile(KV_SOURCE_DIR "/src/common/platform/pam/kvstarter")));
        QFile::setPermissions(own, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                       QFile::ReadOther);
        QVERIFY(!QFile::exists("/etc/pam.d/" + name));
        SetLogonOptions({name.toStdString(), {}});
        TProcessHandle handle = StartProcessAsUser(account.name.toStdString(), "",
                                                   account.password.toStdString(), "", "/bin/true");
        QCOMPARE(WaitForProcess(handle, 0), 0u);
        // A file that others may change is not trusted.
        QFile::setPermissions(own, QFile::permissions(own) | QFile::WriteOther);
        QVERIFY_THROWS_EXCEPTION(EProcessError, StartProcessAsUser(account.name.toStdString(), "",
                                                                   account.password.toStdString(),
                                                                   "", "/bin/true"));
        QFile::remove(own);
    }

    // Descriptors the caller left open (not closed on exec) never reach a program started
    // under another account, wherever they lie below the limit.
    void anotherAccountGetsNoDescriptorsOfTheCaller()
    {
        if (getuid() != 0)
            QSKIP("needs root: creates a local account and logs on to it through PAM");
        TTestAccount account(kAccountPrefix, {"users"});
        QVERIFY(account.Create());
        TPamService service;
        QVERIFY(service.Install(ReadFile(KV_SOURCE_DIR "/src/common/platform/pam/kvstarter")));
        SetLogonOptions({service.name.toStdString(), {}});
        const int low = ::open("/dev/null", O_RDONLY);
        const int middle = ::fcntl(low, F_DUPFD, 100);
        const int high = ::fcntl(low, F_DUPFD, int(sysconf(_SC_OPEN_MAX)) - 1);
        QVERIFY(low >= 0 && middle >= 0 && high >= 0);
        // ls lists its own descriptors: the standard ones and the folder it reads (3).
        // The program starts in the caller's folder where the account may enter it, so the
        // list goes to the account's home by its full path.
        const std::string line = "/bin/sh -c \"ls /proc/self/fd > " +
                                 QString(account.Home() + "/fds.txt").toStdString() + "\"";
        TProcessHandle handle = StartProcessAsUser(account.name.toStdString(), "",
                                                   account.password.toStdString(), "", line);
        const std::uint32_t result = WaitForProcess(handle, 0);
        for (const int fd : {low, middle, high})
            ::close(fd);
        QCOMPARE(result, 0u);
        QCOMPARE(ReadFile(account.Home() + "/fds.txt"), QByteArray("0\n1\n2\n3\n"));
    }

    void logonFailures_data()
    {
        QTest::addColumn<QString>("user");       // "*" is the test account
        QTest::addColumn<QString>("password");   // "*" is its password
        QTest::addColumn<QByteArray>("service"); // PAM service file
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<quint32>("code");
        const QByteArray ours = ReadFile(KV_SOURCE_DIR "/src/common/platform/pam/kvstarter");
        const QByteArray rootOk = "auth sufficient pam_rootok.so\n" + ours;
        QTest::newRow("wrong password") << "*"
                                        << "wrong" << ours << "/bin/true" << 7u;
        QTest::newRow("unknown account")
            << "kvnosuch" + RandomDigits() << "*" << ours << "/bin/true" << 10u;
        QTest::newRow("missing program") << "*"
                                         << "*" << ours << "/nonexistent/prog" << 2u;
        QTest::newRow("no program at all") << "*"
                                           << "*" << ours << "  " << 2u;
        QTest::newRow("stack that lets root pass")
            << "*"
            << "wrong" << rootOk << "/bin/true" << quint32(EPERM);
        QTest::newRow("root pass through an include")
            << "*"
            << "wrong" << QByteArray("@include su\n") << "/bin/true" << quint32(EPERM);
        QTest::newRow("missing service file")
            << "*"
            << "wrong" << QByteArray() << "/bin/true" << quint32(ENOENT);
    }

    void logonFailures()
    {
        if (getuid() != 0)
            QSKIP("needs root: creates a local account and logs on to it through PAM");
        QFETCH(QString, user);
        QFETCH(QString, password);
        QFETCH(QByteArray, service);
        QFETCH(QString, commandLine);
        QFETCH(quint32, code);
        TTestAccount account(kAccountPrefix, {"users"});
        QVERIFY(account.Create());
        TPamService pam;
        if (!service.isEmpty())
            QVERIFY(pam.Install(service));
        SetLogonOptions({pam.name.toStdString(), {}});
        try {
            TProcessHandle handle =
                StartProcessAsUser((user == "*" ? account.name : user).toStdString(), "OFFICE",
                                   (password == "*" ? account.password : password).toStdString(),
                                   "", commandLine.toStdString());
            QFAIL("started");
        } catch (const EProcessError& e) {
            QVERIFY2(kErrorForm.match(e.what()).hasMatch(), e.what());
            QCOMPARE(e.Code(), code);
            QVERIFY(QString(e.what()).endsWith(QString::asprintf(" (0x%08X)", code)));
            QCOMPARE(e.Account().substr(0, 7), std::string("OFFICE\\"));
        }
    }

    // Without root the logon goes through su; the helper runs as "nobody" to show that.
    void suLogonFromAnOrdinaryAccount_data()
    {
        QTest::addColumn<QString>("password"); // "*" is the account's
        QTest::addColumn<QString>("commandLine");
        QTest::addColumn<QString>("suProgram");
        QTest::addColumn<QString>("expected"); // "*" is the test account's name
        const QString identity = "/bin/sh -c \"id -un > /tmp/%1/who; sleep 1; exit 5\"";
        QTest::newRow("started, exit code passed on")
            << "*" << identity << ""
            << "result " + QString::number(kExitCodeFlag | 5);
        QTest::newRow("wrong password") << "wrong" << identity << ""
                                        << "error 7 Authentication failure (0x00000007)";
        QTest::newRow("missing program")
            << "*"
            << "/nonexistent/prog -a"
            << ""
            << "error 2 " + QString(std::strerror(ENOENT)) + " (0x00000002)";
        QTest::newRow("missing su")
            << "*" << identity << "/nonexistent/su"
            << "error 2 " + QString(std::strerror(ENOENT)) + " (0x00000002)";
    }

    void suLogonFromAnOrdinaryAccount()
    {
        if (getuid() != 0)
            QSKIP("needs root: creates a local account and runs the caller as another one");
        if (Run("setpriv", {"--version"}) != 0)
            QSKIP("setpriv (util-linux) is not installed");
        QFETCH(QString, password);
        QFETCH(QString, commandLine);
        QFETCH(QString, suProgram);
        QFETCH(QString, expected);
        TTestAccount account(kAccountPrefix, {"users"});
        QVERIFY(account.Create());
        QVERIFY(QDir().mkpath("/tmp/" + account.name));
        QVERIFY(Run("chown", {account.name, "/tmp/" + account.name}) == 0);
        const QString who = "/tmp/" + account.name + "/who";
        const QString secret = password == "*" ? account.password : password;

        QProcess caller;
        caller.setWorkingDirectory("/tmp");
        QStringList args = {"--reuid=nobody", "--regid=nogroup",
                            "--clear-groups", KV_BINARY_DIR "/tests/bin/platform_su_helper",
                            account.name,     QString(commandLine).replace("%1", account.name)};
        if (!suProgram.isEmpty())
            args << suProgram;
        caller.start("setpriv", args);
        caller.write((secret + "\n").toUtf8());
        caller.closeWriteChannel();
        if (expected.startsWith("result")) {
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(who), 20000);
            QCOMPARE(ProcessesHolding(secret.toUtf8()), QStringList());
        }
        QVERIFY(caller.waitForFinished(60000));
        const QByteArray identity = ReadFile(who).trimmed();
        QDir("/tmp/" + account.name).removeRecursively();
        QCOMPARE(QString::fromUtf8(caller.readAllStandardOutput()).trimmed(), expected);
        if (expected.startsWith("result"))
            QCOMPARE(identity, account.name.toUtf8());
    }
};

QTEST_GUILESS_MAIN(tst_WinExecute)
#include "tst_WinExecute.moc"
